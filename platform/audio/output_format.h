#pragma once
// The output format a writer holds: one of PCM WAV, MP3, Ogg Vorbis or WMA,
// with the settings of that kind.

#include "platform/audio/mp3_lame_encoder.h"

#include <QString>

namespace quandor::audio {

struct PcmSettings {
    int sampleRate = 44100;
    int channels = 2;
    int bits = 16;
};

struct VorbisSettings {
    int sampleRate = 44100;
    int channels = 2;
    int nominalKbps = 0; ///< 0: not set
    int minimumKbps = 0;
    int maximumKbps = 0;
    int quality = -1; ///< quality level x 100, or -1: the bit rates govern
};

struct WmaProfile {
    int sampleRate;
    int channels;
    int kbps;
};

struct OutputFormat {
    enum class Kind { Pcm, Mp3, Vorbis, Wma };
    Kind kind = Kind::Pcm;
    PcmSettings pcm;
    MP3LameEncoder mp3;
    VorbisSettings vorbis;
    WmaProfile wma{44100, 2, 128};

    int sampleRate() const;
    int channels() const;
    QString describe() const;
};

/// The 51 WMA profiles; profile n is entry n - 1.
const WmaProfile* wmaProfile(int profile);
int wmaProfileCount();

/// "mono", "stereo", "joint stereo", ... for the MP3 settings.
QString mp3ChannelText(const MP3LameEncoder& settings);

} // namespace quandor::audio
