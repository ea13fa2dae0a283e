// WMA output through FFmpeg's WMA version 2 encoder in an ASF container.
#include "platform/audio/output_encoder.h"

#include "platform/audio/ffmpeg_audio_output.h"

namespace quandor::audio {

namespace {

class WmaEncoder final : public OutputEncoder {
public:
    explicit WmaEncoder(const WmaProfile& p) : profile_(p) {}

    bool open(const QString& path, QString& error) override
    {
        FfmpegAudioOutput::Setup setup;
        setup.codec = AV_CODEC_ID_WMAV2;
        setup.container = "asf";
        setup.name = QStringLiteral("WMA");
        setup.sampleRate = profile_.sampleRate;
        setup.channels = profile_.channels;
        const qint64 bitRate = qint64(profile_.kbps) * 1000;
        setup.configure = [bitRate](AVCodecContext& codec, AVFormatContext&) { codec.bit_rate = bitRate; };
        return output_.open(path, setup, error);
    }

    bool write(const std::int16_t* pcm, int frames, QString& error) override
    {
        return output_.write(pcm, frames, error);
    }

    bool finish(QString& error, const BeforeNaming& beforeNaming) override
    {
        return output_.finish(error, beforeNaming);
    }

    void abandon() override { output_.abandon(); }
    QString writtenPath() const override { return output_.fileName(); }

private:
    WmaProfile profile_;
    FfmpegAudioOutput output_;
};

} // namespace

std::unique_ptr<OutputEncoder> makeWmaEncoder(const WmaProfile& profile)
{
    return std::make_unique<WmaEncoder>(profile);
}

} // namespace quandor::audio
