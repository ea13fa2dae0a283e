#pragma once
// Brings interleaved 16-bit PCM from the source's rate and channel count to
// an encoder's: mono is doubled to stereo, stereo averaged to mono, and the
// sample rate converted by libswresample when it differs.

#include "platform/audio/ffmpeg_util.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace quandor::audio {

class PcmAdapter {
public:
    bool setUp(int inRate, int inChannels, int outRate, int outChannels, QString& error);
    /// The converted frames of `in` (valid until the next call); `outFrames` their count.
    const std::int16_t* convert(const std::int16_t* in, int frames, int& outFrames);
    /// What the rate converter still holds, at the end.
    const std::int16_t* flush(int& outFrames);

private:
    const std::int16_t* mapChannels(const std::int16_t* in, int frames);

    int inChannels_ = 2;
    int outChannels_ = 2;
    ff::SwrPtr swr_;
    std::vector<std::int16_t> mapped_;
    std::vector<std::int16_t> resampled_;
};

} // namespace quandor::audio
