#pragma once
// One audio file being decoded by FFmpeg into interleaved signed 16-bit PCM
// (one or two channels, the source's sample rate).

#include "platform/audio/ffmpeg_util.h"
#include "platform/audio/pcm_source.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace quandor::audio {

class DecodedSource final : public PcmSource {
public:
    /// Null with `error` set when the file holds no audio that decodes.
    static std::unique_ptr<DecodedSource> open(const QString& path, QString& error);
    ~DecodedSource() override;
    DecodedSource(const DecodedSource&) = delete;
    DecodedSource& operator=(const DecodedSource&) = delete;

    int channels() const override { return channels_; }
    int sampleRate() const override { return sampleRate_; }
    qint64 durationMs() const override { return durationMs_; }
    qint64 read(char* out, qint64 maxBytes, QString& error) override;

private:
    DecodedSource() = default;
    bool setUp(const QString& path, QString& error);
    bool decodeMore(QString& error); ///< false at the end or on failure
    bool convert(const AVFrame* frame, QString& error);
    bool configureResampler(const AVFrame* frame, QString& error);
    /// Appends what the resampler still holds to the pending output.
    void drainResampler();
    /// Resamples `inSamples` frames of `in` (none: what the resampler still
    /// holds) onto the pending output; how many frames came out, or an FFmpeg
    /// error.
    int appendResampled(const std::uint8_t** in, int inSamples);

    ff::InputPtr input_;
    ff::CodecPtr codec_;
    ff::SwrPtr swr_;
    ff::PacketPtr packet_;
    ff::FramePtr frame_;
    int streamIndex_ = -1;
    int channels_ = 0;
    int sampleRate_ = 0;
    qint64 durationMs_ = 0;
    // The resampler's current input, to notice format changes mid-stream.
    int swrInRate_ = 0;
    int swrInFormat_ = -1;
    AVChannelLayout swrInLayout_{};
    std::vector<std::uint8_t> pending_;
    size_t pendingPos_ = 0;
    bool inputDone_ = false;
    bool finished_ = false;
    int consecutiveErrors_ = 0;
};

} // namespace quandor::audio
