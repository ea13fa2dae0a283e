// A LAME command line applied to the settings object as the `lame` tool would
// apply it: the line starts from LAME's own defaults, and each option of the
// table below sets the properties that tool sets for it. So `--abr 96` alone
// gives a 96 kbit/s stream whatever bit rate the object held before.
#include "platform/audio/mp3_lame_encoder.h"

#include "platform/audio/output_encoder.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <map>
#include <optional>

namespace quandor::audio {

namespace {

/// The source rate the output rate is chosen for when the line names none.
constexpr int kCdRate = 44100;
/// The highest frequency a line may name, in Hz.
constexpr double kHighestFrequency = 48000;

/// The lowest bit rate of the MPEG version a rate is written in: LAME's
/// floor for a variable or average bit rate when no -b sets one.
int lowestBitrate(int sampleRate)
{
    return sampleRate >= 32000 ? 32 : 8;
}

/// The words of a command line, read one after the other.
class Words {
public:
    explicit Words(const QString& line)
        : words_(line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
    {}
    bool atEnd() const { return at_ >= words_.size(); }
    QString take() { return words_[at_++]; }

private:
    QStringList words_;
    qsizetype at_ = 0;
};

struct LineState {
    explicit LineState(const QString& line) : words(line) {}

    Words words;
    MP3LameEncoder settings;      ///< LAME's defaults until an option changes them
    std::optional<int> bitrate;   ///< -b (or a preset of constant bit rate)
    bool outputRateGiven = false; ///< --resample
    QString error;

    bool fail(const QString& option, const QString& text)
    {
        error = QStringLiteral("Bad value for %1: %2").arg(option, text);
        return false;
    }
    /// The next word as the value of `option`.
    bool nextValue(const QString& option, QString& out)
    {
        if (words.atEnd()) {
            error = QStringLiteral("The option %1 needs a value").arg(option);
            return false;
        }
        out = words.take();
        return true;
    }
    bool number(const QString& option, const QString& text, int low, int high, int& field)
    {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok || value < low || value > high)
            return fail(option, text);
        field = value;
        return true;
    }
    /// A number of Hz given in Hz or in kHz (LAME accepts "19.5" for 19500),
    /// up to the highest rate an MP3 is written at: beyond it a filter means
    /// nothing, and the value must fit the window's boxes and an int.
    bool frequency(const QString& option, const QString& text, int& field)
    {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0)
            return fail(option, text);
        const double hertz = value < 1000 ? value * 1000 : value;
        if (hertz > kHighestFrequency)
            return fail(option, text);
        field = int(hertz + 0.5);
        return true;
    }
};

using Apply = bool (*)(LineState&, const QString& option, const QString& value);

struct Option {
    QLatin1StringView name;
    bool takesValue; ///< short options take it attached (-V2) or as the next word
    Apply apply;
};

bool channelMode(LineState& st, const QString& option, const QString& mode)
{
    static const std::map<QString, std::pair<int, int>> modes{
        {QStringLiteral("m"), {1, -1}},
        {QStringLiteral("s"), {2, MP3LameEncoder::ModeStereo}},
        {QStringLiteral("j"), {2, MP3LameEncoder::ModeJointStereo}},
        {QStringLiteral("f"), {2, MP3LameEncoder::ModeForcedJointStereo}},
        {QStringLiteral("d"), {2, MP3LameEncoder::ModeDualChannels}}};
    const auto it = modes.find(mode);
    if (it == modes.end())
        return st.fail(option, mode);
    st.settings.ChannelCount = it->second.first;
    if (it->second.second >= 0)
        st.settings.ChannelMode = it->second.second;
    return true;
}

bool emphasis(LineState& st, const QString& option, const QString& e)
{
    if (e == QLatin1String("n"))
        st.settings.Emphasis = 0;
    else if (e == QLatin1String("5"))
        st.settings.Emphasis = 1;
    else if (e == QLatin1String("c"))
        st.settings.Emphasis = 2;
    else
        return st.fail(option, e);
    return true;
}

/// A variable bit rate of the given quality, as -V sets it.
void variableQuality(LineState& st, int quality)
{
    st.settings.VbrMethod = MP3LameEncoder::VbrDefault;
    st.settings.VbrQuality = quality;
    st.bitrate.reset();
}

/// The VBR quality of each preset name that stands for one.
const std::map<QString, int>& presetVbrQualities()
{
    static const std::map<QString, int> table{
        {QStringLiteral("medium"), 4}, {QStringLiteral("standard"), 2}, {QStringLiteral("extreme"), 0}};
    return table;
}

struct PresetAverage {
    int kbps;
    bool mono;
};

/// The average bit rate of each broadcast band's preset name.
const std::map<QString, PresetAverage>& presetAverages()
{
    static const std::map<QString, PresetAverage> table{
        {QStringLiteral("phone"), {16, true}},   {QStringLiteral("phon+"), {24, true}},
        {QStringLiteral("lw"), {24, true}},      {QStringLiteral("mw-eu"), {24, true}},
        {QStringLiteral("sw"), {24, true}},      {QStringLiteral("mw-us"), {40, true}},
        {QStringLiteral("voice"), {56, true}},   {QStringLiteral("fm"), {112, false}},
        {QStringLiteral("radio"), {112, false}}, {QStringLiteral("tape"), {112, false}},
        {QStringLiteral("hifi"), {160, false}},  {QStringLiteral("cd"), {192, false}},
        {QStringLiteral("studio"), {256, false}}};
    return table;
}

/// --preset, with the meaning `lame --preset help` gives each name: medium,
/// standard and extreme (each may follow "fast", which changes nothing) are
/// VBR qualities, insane and "cbr <kbit/s>" constant bit rates, the names of
/// broadcast bands average bit rates (some of them mono), and a number an
/// average bit rate.
bool preset(LineState& st, const QString& option, const QString& first)
{
    QString name = first;
    const bool fast = name == QLatin1String("fast");
    if (fast && !st.nextValue(option, name))
        return false;
    if (const auto it = presetVbrQualities().find(name); it != presetVbrQualities().end()) {
        variableQuality(st, it->second);
        return true;
    }
    if (fast)
        return st.fail(option, first + u' ' + name);
    if (name == QLatin1String("insane") || name == QLatin1String("cbr")) {
        int kbps = 320;
        QString value;
        if (name == QLatin1String("cbr") && (!st.nextValue(option, value) || !st.number(option, value, 8, 320, kbps)))
            return false;
        st.settings.VbrMethod = MP3LameEncoder::VbrNone;
        st.bitrate = kbps;
        return true;
    }
    int kbps = 0;
    if (const auto it = presetAverages().find(name); it != presetAverages().end()) {
        kbps = it->second.kbps;
        if (it->second.mono)
            st.settings.ChannelCount = 1;
    } else if (!st.number(option, name, 8, 320, kbps)) {
        return false;
    }
    st.settings.VbrMethod = MP3LameEncoder::VbrAbr;
    st.settings.AbrBitrate = kbps;
    return true;
}

/// An option that sets one property to a fixed value.
template <auto Property, auto Value>
bool setTo(LineState& st, const QString&, const QString&)
{
    st.settings.*Property = Value;
    return true;
}

/// An option whose value is a whole number from Low to High for one property.
template <auto Property, int Low, int High>
bool numberIn(LineState& st, const QString& option, const QString& value)
{
    return st.number(option, value, Low, High, st.settings.*Property);
}

/// An option whose value is a frequency for one property.
template <auto Property>
bool frequencyOf(LineState& st, const QString& option, const QString& value)
{
    return st.frequency(option, value, st.settings.*Property);
}

bool minimumBitrate(LineState& st, const QString& option, const QString& value)
{
    int kbps = 0;
    if (!st.number(option, value, 8, 320, kbps))
        return false;
    st.bitrate = kbps;
    return true;
}

/// -V: a VBR quality; it turns a constant or average bit rate into VBR.
bool vbrQuality(LineState& st, const QString& option, const QString& value)
{
    if (!st.number(option, value, 0, 9, st.settings.VbrQuality))
        return false;
    if (st.settings.VbrMethod == MP3LameEncoder::VbrNone || st.settings.VbrMethod == MP3LameEncoder::VbrAbr)
        st.settings.VbrMethod = MP3LameEncoder::VbrDefault;
    return true;
}

bool averageBitrate(LineState& st, const QString& option, const QString& value)
{
    if (!st.number(option, value, 8, 320, st.settings.AbrBitrate))
        return false;
    st.settings.VbrMethod = MP3LameEncoder::VbrAbr;
    return true;
}

bool outputRate(LineState& st, const QString& option, const QString& value)
{
    st.outputRateGiven = true;
    return st.frequency(option, value, st.settings.OutputFrequency);
}

using E = MP3LameEncoder;

const Option kOptions[] = {
    {QLatin1StringView("-b"), true, minimumBitrate},
    {QLatin1StringView("-B"), true, numberIn<&E::MaxVbrBitrate, 8, 320>},
    {QLatin1StringView("-V"), true, vbrQuality},
    {QLatin1StringView("-q"), true, numberIn<&E::EncoderQuality, 0, 9>},
    {QLatin1StringView("-m"), true, channelMode},
    {QLatin1StringView("-e"), true, emphasis},
    {QLatin1StringView("-h"), false, setTo<&E::EncoderQuality, 2>},
    {QLatin1StringView("-f"), false, setTo<&E::EncoderQuality, 7>},
    {QLatin1StringView("-p"), false, setTo<&E::ErrorProtection, true>},
    {QLatin1StringView("-t"), false, setTo<&E::WriteVbrHeader, false>},
    {QLatin1StringView("-F"), false, setTo<&E::EnforceMinBitrate, true>},
    {QLatin1StringView("-v"), false, setTo<&E::VbrMethod, E::VbrNew>},
    {QLatin1StringView("--vbr-new"), false, setTo<&E::VbrMethod, E::VbrNew>},
    {QLatin1StringView("--vbr-old"), false, setTo<&E::VbrMethod, E::VbrOld>},
    {QLatin1StringView("--cbr"), false, setTo<&E::VbrMethod, E::VbrNone>},
    {QLatin1StringView("--abr"), true, averageBitrate},
    {QLatin1StringView("--resample"), true, outputRate},
    {QLatin1StringView("--lowpass"), true, frequencyOf<&E::LowpassFrequency>},
    {QLatin1StringView("--lowpass-width"), true, frequencyOf<&E::LowpassWidth>},
    {QLatin1StringView("--highpass"), true, frequencyOf<&E::HighpassFrequency>},
    {QLatin1StringView("--highpass-width"), true, frequencyOf<&E::HighpassWidth>},
    {QLatin1StringView("--nores"), false, setTo<&E::BitReservoir, false>},
    {QLatin1StringView("--noshort"), false, setTo<&E::ShortBlocks, false>},
    {QLatin1StringView("--short"), false, setTo<&E::ShortBlocks, true>},
    {QLatin1StringView("--allow-diff-short"), false, setTo<&E::BlockTypesDiffer, true>},
    {QLatin1StringView("--strictly-enforce-ISO"), false, setTo<&E::StrictIso, true>},
    {QLatin1StringView("--athonly"), false, setTo<&E::AthControl, 1>},
    {QLatin1StringView("--noath"), false, setTo<&E::AthControl, 2>},
    {QLatin1StringView("--athshort"), false, setTo<&E::AthControl, 3>},
    {QLatin1StringView("--preset"), true, preset},
};

const Option* findOption(QStringView name)
{
    for (const Option& option : kOptions)
        if (option.name == name)
            return &option;
    return nullptr;
}

/// Reads one word of the line (and its value) into the state.
bool applyWord(LineState& st, const QString& word)
{
    const Option* option = findOption(word);
    if (option) {
        const QString name(option->name);
        QString value;
        if (option->takesValue && !st.nextValue(name, value))
            return false;
        return option->apply(st, name, value);
    }
    // A short option with its value attached: -V2, -b192, -md.
    if (word.size() > 2 && word.startsWith(u'-') && !word.startsWith(QLatin1String("--"))) {
        option = findOption(QStringView(word).left(2));
        if (option && option->takesValue)
            return option->apply(st, QString(option->name), word.mid(2));
    }
    st.error = QStringLiteral("Unknown LAME option: %1").arg(word);
    return false;
}

} // namespace

bool MP3LameEncoder::ApplyCommandLine(const QString& commandLine)
{
    LineState st(commandLine);
    while (!st.words.atEnd())
        if (!applyWord(st, st.words.take()))
            break;

    // What the tool leaves to LAME is settled here, as LAME settles it: the
    // constant bit rate, the output rate (from a source at the CD rate: the
    // writer's source may be anything) and the floor of a variable bit rate.
    MP3LameEncoder& s = st.settings;
    if (st.error.isEmpty()) {
        // A constant bit rate the line does not name is LAME's choice for the
        // output rate and the channel count (128 kbit/s only for CD stereo).
        s.Bitrate = st.bitrate.value_or(0);
        const LameChoice chosen = lameChoice(s, kCdRate, st.outputRateGiven);
        s.OutputFrequency = chosen.outputRate;
        if (!st.bitrate)
            s.Bitrate = s.VbrMethod == VbrNone ? chosen.kbps : lowestBitrate(s.OutputFrequency);
    }

    if (st.error.isEmpty())
        st.error = s.Validate();
    if (!st.error.isEmpty()) {
        lastError_ = st.error;
        return false;
    }
    s.lastError_.clear();
    *this = s;
    return true;
}

} // namespace quandor::audio
