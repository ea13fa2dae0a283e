#include "platform/audio/mp3_lame_encoder.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <functional>
#include <map>

namespace quandor::audio {

namespace {

constexpr std::array kMp3Rates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

struct Preset {
    int frequency;
    int channels;
    int mode;
    int bitrate;
    int lowpass;
};

// Our presets 1..11: Phone, SW, AM, FM, Voice, Radio, Tape, HiFi, CD, Studio
// (constant bit rates); R3Mix is handled apart (variable bit rate).
constexpr std::array<Preset, 10> kPresets{{
    {8000, 1, MP3LameEncoder::ModeJointStereo, 16, 3200},
    {11025, 1, MP3LameEncoder::ModeJointStereo, 24, 4800},
    {16000, 1, MP3LameEncoder::ModeJointStereo, 40, 7200},
    {22050, 2, MP3LameEncoder::ModeJointStereo, 112, 10000},
    {32000, 1, MP3LameEncoder::ModeJointStereo, 56, 12000},
    {32000, 2, MP3LameEncoder::ModeJointStereo, 112, 15000},
    {44100, 2, MP3LameEncoder::ModeJointStereo, 128, 17000},
    {44100, 2, MP3LameEncoder::ModeJointStereo, 160, 18000},
    {44100, 2, MP3LameEncoder::ModeStereo, 192, -1},
    {44100, 2, MP3LameEncoder::ModeStereo, 256, -1},
}};

/// Settings that every preset starts from, so nothing of an earlier choice stays.
void resetToPresetBase(MP3LameEncoder& s)
{
    const MP3LameEncoder defaults;
    s = defaults;
}

/// A number of Hz given in Hz or in kHz (LAME accepts "19.5" for 19500).
bool parseFrequency(const QString& text, int& hz)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value < 0) return false;
    hz = value < 1000 ? int(value * 1000 + 0.5) : int(value + 0.5);
    return true;
}

bool parseInt(const QString& text, int low, int high, int& out)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) return false;
    out = value;
    return true;
}

} // namespace

QString MP3LameEncoder::Validate() const
{
    if (std::find(kMp3Rates.begin(), kMp3Rates.end(), OutputFrequency) == kMp3Rates.end())
        return QStringLiteral("MP3 cannot be written at %1 Hz").arg(OutputFrequency);
    if (ChannelCount != 1 && ChannelCount != 2) return QStringLiteral("MP3 takes 1 or 2 channels, not %1").arg(ChannelCount);
    if (VbrMethod == VbrNone && (Bitrate < 8 || Bitrate > 320))
        return QStringLiteral("MP3 bit rate must be 8 to 320 kbit/s, not %1").arg(Bitrate);
    if (VbrMethod < VbrNone || VbrMethod > VbrAbr) return QStringLiteral("Unknown VBR method %1").arg(VbrMethod);
    if (VbrMethod == VbrAbr && (AbrBitrate < 8 || AbrBitrate > 320))
        return QStringLiteral("ABR bit rate must be 8 to 320 kbit/s, not %1").arg(AbrBitrate);
    if (VbrQuality < 0 || VbrQuality > 9) return QStringLiteral("VBR quality must be 0 to 9, not %1").arg(VbrQuality);
    if (EncoderQuality < 0 || EncoderQuality > 9)
        return QStringLiteral("Encoder quality must be 0 to 9, not %1").arg(EncoderQuality);
    if (Emphasis < 0 || Emphasis > 2) return QStringLiteral("Emphasis must be 0 to 2, not %1").arg(Emphasis);
    if (AthControl < 0 || AthControl > 3) return QStringLiteral("ATH mode must be 0 to 3, not %1").arg(AthControl);
    if (ChannelMode < 0 || ChannelMode > ModeDualChannels) return QStringLiteral("Unknown channel mode %1").arg(ChannelMode);
    return {};
}

bool MP3LameEncoder::ApplyPreset(int preset)
{
    if (preset < 1 || preset > 11) {
        lastError_ = QStringLiteral("There is no preset %1 (1 to 11)").arg(preset);
        return false;
    }
    resetToPresetBase(*this);
    if (preset == 11) {   // R3Mix
        VbrMethod = VbrMtrh;
        VbrQuality = 1;
        Bitrate = 96;
        MaxVbrBitrate = 224;
        ChannelMode = ModeJointStereo;
        LowpassFrequency = 19500;
        EncoderQuality = 2;
    } else {
        const Preset& p = kPresets[size_t(preset - 1)];
        OutputFrequency = p.frequency;
        ChannelCount = p.channels;
        ChannelMode = p.mode;
        Bitrate = p.bitrate;
        LowpassFrequency = p.lowpass;
        VbrMethod = VbrNone;
    }
    lastError_.clear();
    return true;
}

bool MP3LameEncoder::ApplyAltPreset(int preset)
{
    if (preset < 1 || preset > 5) {
        lastError_ = QStringLiteral("There is no alternative preset %1 (1 to 5)").arg(preset);
        return false;
    }
    resetToPresetBase(*this);
    ChannelMode = ModeJointStereo;
    EncoderQuality = 3;
    if (preset == 5) {   // insane: the highest constant bit rate
        VbrMethod = VbrNone;
        Bitrate = 320;
        EncoderQuality = 2;
    } else {
        // fast standard, standard, fast extreme, extreme
        const bool fast = preset == 1 || preset == 3;
        VbrMethod = fast ? VbrNew : VbrOld;
        VbrQuality = preset <= 2 ? 2 : 0;
        Bitrate = 32;
        MaxVbrBitrate = 320;
    }
    lastError_.clear();
    return true;
}

bool MP3LameEncoder::ApplyCommandLine(const QString& commandLine)
{
    MP3LameEncoder s = *this;
    QString error;
    const QStringList args = commandLine.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);

    int i = 0;
    auto value = [&](const QString& option, QString& out) {
        if (i + 1 >= args.size()) {
            error = QStringLiteral("The option %1 needs a value").arg(option);
            return false;
        }
        out = args[++i];
        return true;
    };
    auto bad = [&](const QString& option, const QString& text) {
        error = QStringLiteral("Bad value for %1: %2").arg(option, text);
        return false;
    };
    auto intOption = [&](const QString& option, const QString& attached, int low, int high, int& field) {
        QString text = attached;
        if (text.isEmpty() && !value(option, text)) return false;
        return parseInt(text, low, high, field) || bad(option, text);
    };
    auto freqOption = [&](const QString& option, int& field) {
        QString text;
        if (!value(option, text)) return false;
        return parseFrequency(text, field) || bad(option, text);
    };

    for (; i < args.size() && error.isEmpty(); ++i) {
        const QString& arg = args[i];
        // Short options take their value attached or as the next word: -V2, -V 2.
        const QString head = arg.left(2);
        const QString attached = arg.startsWith(QLatin1String("--")) ? QString() : arg.mid(2);
        bool ok = true;
        if (head == QLatin1String("-b") && !arg.startsWith(QLatin1String("--"))) {
            ok = intOption(head, attached, 8, 320, s.Bitrate);
        } else if (head == QLatin1String("-B")) {
            ok = intOption(head, attached, 8, 320, s.MaxVbrBitrate);
        } else if (head == QLatin1String("-V")) {
            ok = intOption(head, attached, 0, 9, s.VbrQuality);
            if (ok && (s.VbrMethod == VbrNone || s.VbrMethod == VbrAbr)) s.VbrMethod = VbrDefault;
        } else if (head == QLatin1String("-q")) {
            ok = intOption(head, attached, 0, 9, s.EncoderQuality);
        } else if (head == QLatin1String("-m")) {
            QString mode = attached;
            if (mode.isEmpty()) ok = value(head, mode);
            if (ok) {
                static const std::map<QString, std::pair<int, int>> modes{
                    {QStringLiteral("m"), {1, -1}},          {QStringLiteral("s"), {2, ModeStereo}},
                    {QStringLiteral("j"), {2, ModeJointStereo}}, {QStringLiteral("f"), {2, ModeForcedJointStereo}},
                    {QStringLiteral("d"), {2, ModeDualChannels}}};
                const auto it = modes.find(mode);
                if (it == modes.end()) {
                    ok = bad(head, mode);
                } else {
                    s.ChannelCount = it->second.first;
                    if (it->second.second >= 0) s.ChannelMode = it->second.second;
                }
            }
        } else if (head == QLatin1String("-e")) {
            QString e = attached;
            if (e.isEmpty()) ok = value(head, e);
            if (ok) {
                if (e == QLatin1String("n")) s.Emphasis = 0;
                else if (e == QLatin1String("5")) s.Emphasis = 1;
                else if (e == QLatin1String("c")) s.Emphasis = 2;
                else ok = bad(head, e);
            }
        } else if (arg == QLatin1String("-h")) {
            s.EncoderQuality = 2;
        } else if (arg == QLatin1String("-f")) {
            s.EncoderQuality = 7;
        } else if (arg == QLatin1String("-p")) {
            s.ErrorProtection = true;
        } else if (arg == QLatin1String("-t")) {
            s.WriteVbrHeader = false;
        } else if (arg == QLatin1String("-F")) {
            s.EnforceMinBitrate = true;
        } else if (arg == QLatin1String("-v") || arg == QLatin1String("--vbr-new")) {
            s.VbrMethod = VbrNew;
        } else if (arg == QLatin1String("--vbr-old")) {
            s.VbrMethod = VbrOld;
        } else if (arg == QLatin1String("--cbr")) {
            s.VbrMethod = VbrNone;
        } else if (arg == QLatin1String("--abr")) {
            ok = intOption(arg, QString(), 8, 320, s.AbrBitrate);
            if (ok) s.VbrMethod = VbrAbr;
        } else if (arg == QLatin1String("--resample")) {
            ok = freqOption(arg, s.OutputFrequency);
        } else if (arg == QLatin1String("--lowpass")) {
            ok = freqOption(arg, s.LowpassFrequency);
        } else if (arg == QLatin1String("--lowpass-width")) {
            ok = freqOption(arg, s.LowpassWidth);
        } else if (arg == QLatin1String("--highpass")) {
            ok = freqOption(arg, s.HighpassFrequency);
        } else if (arg == QLatin1String("--highpass-width")) {
            ok = freqOption(arg, s.HighpassWidth);
        } else if (arg == QLatin1String("--nores")) {
            s.BitReservoir = false;
        } else if (arg == QLatin1String("--noshort")) {
            s.ShortBlocks = false;
        } else if (arg == QLatin1String("--short")) {
            s.ShortBlocks = true;
        } else if (arg == QLatin1String("--allow-diff-short")) {
            s.BlockTypesDiffer = true;
        } else if (arg == QLatin1String("--strictly-enforce-ISO")) {
            s.StrictIso = true;
        } else if (arg == QLatin1String("--athonly")) {
            s.AthControl = 1;
        } else if (arg == QLatin1String("--noath")) {
            s.AthControl = 2;
        } else if (arg == QLatin1String("--athshort")) {
            s.AthControl = 3;
        } else if (arg == QLatin1String("--preset")) {
            QString name;
            ok = value(arg, name);
            if (ok && name == QLatin1String("fast")) {
                ok = value(arg, name);
                if (ok) name.prepend(QLatin1String("fast "));
            }
            if (ok) {
                static const std::map<QString, int> alt{
                    {QStringLiteral("fast standard"), 1}, {QStringLiteral("standard"), 2},
                    {QStringLiteral("fast extreme"), 3},  {QStringLiteral("extreme"), 4},
                    {QStringLiteral("insane"), 5}};
                int kbps = 0;
                if (const auto it = alt.find(name); it != alt.end()) {
                    s.ApplyAltPreset(it->second);
                } else if (parseInt(name, 8, 320, kbps)) {
                    s.VbrMethod = VbrAbr;
                    s.AbrBitrate = kbps;
                } else {
                    ok = bad(arg, name);
                }
            }
        } else {
            error = QStringLiteral("Unknown LAME option: %1").arg(arg);
            ok = false;
        }
        if (!ok) break;
    }
    if (error.isEmpty()) error = s.Validate();
    if (!error.isEmpty()) {
        lastError_ = error;
        return false;
    }
    s.lastError_.clear();
    *this = s;
    return true;
}

} // namespace quandor::audio
