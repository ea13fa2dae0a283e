#pragma once
// Plain RIFF/WAVE PCM read directly from the file, without FFmpeg: integer
// PCM of 8, 16, 24 or 32 bits and IEEE float of 32 or 64 bits, mono or
// stereo, also in WAVE_FORMAT_EXTENSIBLE form. Samples reach 16 bits exactly
// as FFmpeg's decoder and resampler bring them there, so a file reads the
// same whichever way it goes, with one deliberate exception: a float sample
// far beyond full scale is clipped, where FFmpeg wraps it round to the other
// end of the range. Anything else (more channels, compressed formats, odd
// channel masks, a data chunk the file does not hold in full, anything that
// could be a second data chunk, which FFmpeg plays on into) is left to FFmpeg.
// Only regular files are opened.

#include "platform/audio/pcm_source.h"

#include <QFile>

#include <memory>
#include <vector>

namespace quandor::audio {

class WavPcmSource final : public PcmSource {
public:
    enum class Encoding { Unsigned8, Signed16, Signed24, Signed32, Float32, Float64 };

    /// Null when `path` is not a WAV file this reader fully understands.
    static std::unique_ptr<WavPcmSource> open(const QString& path);

    int channels() const override { return channels_; }
    int sampleRate() const override { return sampleRate_; }
    qint64 durationMs() const override;
    qint64 read(char* out, qint64 maxBytes, QString& error) override;

private:
    WavPcmSource() = default;
    bool readFrames(char* out, qint64 frames, QString& error);

    QString path_;
    QFile file_;
    Encoding encoding_ = Encoding::Signed16;
    int channels_ = 0;
    int sampleRate_ = 0;
    int sourceFrameBytes_ = 0;
    qint64 totalFrames_ = 0;
    qint64 framesLeft_ = 0;
    std::vector<char> raw_; ///< file bytes of formats that need converting
};

} // namespace quandor::audio
