#include "platform/audio/mp3_lame_encoder.h"

#include <algorithm>
#include <array>

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

} // namespace

QString MP3LameEncoder::Validate() const
{
    if (std::find(kMp3Rates.begin(), kMp3Rates.end(), OutputFrequency) == kMp3Rates.end())
        return QStringLiteral("MP3 cannot be written at %1 Hz").arg(OutputFrequency);
    if (ChannelCount != 1 && ChannelCount != 2)
        return QStringLiteral("MP3 takes 1 or 2 channels, not %1").arg(ChannelCount);
    if (VbrMethod == VbrNone && (Bitrate < 8 || Bitrate > 320))
        return QStringLiteral("MP3 bit rate must be 8 to 320 kbit/s, not %1").arg(Bitrate);
    if (VbrMethod < VbrNone || VbrMethod > VbrAbr)
        return QStringLiteral("Unknown VBR method %1").arg(VbrMethod);
    if (VbrMethod == VbrAbr && (AbrBitrate < 8 || AbrBitrate > 320))
        return QStringLiteral("ABR bit rate must be 8 to 320 kbit/s, not %1").arg(AbrBitrate);
    if (VbrQuality < 0 || VbrQuality > 9)
        return QStringLiteral("VBR quality must be 0 to 9, not %1").arg(VbrQuality);
    if (EncoderQuality < 0 || EncoderQuality > 9)
        return QStringLiteral("Encoder quality must be 0 to 9, not %1").arg(EncoderQuality);
    if (Emphasis < 0 || Emphasis > 2)
        return QStringLiteral("Emphasis must be 0 to 2, not %1").arg(Emphasis);
    if (AthControl < 0 || AthControl > 3)
        return QStringLiteral("ATH mode must be 0 to 3, not %1").arg(AthControl);
    if (ChannelMode < 0 || ChannelMode > ModeDualChannels)
        return QStringLiteral("Unknown channel mode %1").arg(ChannelMode);
    return {};
}

bool MP3LameEncoder::ApplyPreset(int preset)
{
    if (preset < 1 || preset > 11) {
        lastError_ = QStringLiteral("There is no preset %1 (1 to 11)").arg(preset);
        return false;
    }
    resetToPresetBase(*this);
    if (preset == 11) { // R3Mix
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
    if (preset == 5) { // insane: the highest constant bit rate
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

} // namespace quandor::audio
