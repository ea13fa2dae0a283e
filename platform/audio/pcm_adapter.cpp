#include "platform/audio/pcm_adapter.h"

namespace quandor::audio {

bool PcmAdapter::setUp(int inRate, int inChannels, int outRate, int outChannels, QString& error)
{
    inChannels_ = inChannels;
    outChannels_ = outChannels;
    swr_.reset();
    if (inRate == outRate)
        return true;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, outChannels);
    SwrContext* raw = nullptr;
    int rc =
        swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_S16, outRate, &layout, AV_SAMPLE_FMT_S16, inRate, 0, nullptr);
    if (rc >= 0)
        rc = swr_init(raw);
    av_channel_layout_uninit(&layout);
    if (rc < 0) {
        swr_free(&raw);
        error = QStringLiteral("Cannot convert %1 Hz to %2 Hz (%3)").arg(inRate).arg(outRate).arg(ff::errorText(rc));
        return false;
    }
    swr_.reset(raw);
    return true;
}

const std::int16_t* PcmAdapter::mapChannels(const std::int16_t* in, int frames)
{
    if (inChannels_ == outChannels_)
        return in;
    mapped_.resize(size_t(frames) * size_t(outChannels_));
    if (outChannels_ == 2) {
        for (int i = 0; i < frames; ++i)
            mapped_[size_t(2 * i)] = mapped_[size_t(2 * i + 1)] = in[i];
    } else {
        for (int i = 0; i < frames; ++i)
            mapped_[size_t(i)] = std::int16_t((int(in[2 * i]) + int(in[2 * i + 1])) / 2);
    }
    return mapped_.data();
}

const std::int16_t* PcmAdapter::convert(const std::int16_t* in, int frames, int& outFrames)
{
    const std::int16_t* mapped = mapChannels(in, frames);
    if (!swr_) {
        outFrames = frames;
        return mapped;
    }
    const int room = swr_get_out_samples(swr_.get(), frames);
    resampled_.resize(size_t(std::max(room, 0)) * size_t(outChannels_));
    auto* dst = reinterpret_cast<uint8_t*>(resampled_.data());
    const auto* src = reinterpret_cast<const uint8_t*>(mapped);
    outFrames = std::max(swr_convert(swr_.get(), &dst, room, &src, frames), 0);
    return resampled_.data();
}

const std::int16_t* PcmAdapter::flush(int& outFrames)
{
    outFrames = 0;
    if (!swr_)
        return nullptr;
    const int room = swr_get_out_samples(swr_.get(), 0);
    if (room <= 0)
        return nullptr;
    resampled_.resize(size_t(room) * size_t(outChannels_));
    auto* dst = reinterpret_cast<uint8_t*>(resampled_.data());
    outFrames = std::max(swr_convert(swr_.get(), &dst, room, nullptr, 0), 0);
    return resampled_.data();
}

} // namespace quandor::audio
