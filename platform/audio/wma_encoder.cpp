// WMA output through FFmpeg's WMA version 2 encoder in an ASF container.
#include "platform/audio/output_encoder.h"

#include "platform/audio/ffmpeg_util.h"

#include <vector>

namespace quandor::audio {

namespace {

class WmaEncoder final : public OutputEncoder {
public:
    explicit WmaEncoder(const WmaProfile& p) : profile_(p) {}

    bool open(const QString& path, QString& error) override
    {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (!codec) {
            error = QStringLiteral("No WMA encoder is available");
            return false;
        }
        codec_.reset(avcodec_alloc_context3(codec));
        if (!codec_)
            return fail(error, QStringLiteral("Out of memory"));
        codec_->sample_rate = profile_.sampleRate;
        av_channel_layout_default(&codec_->ch_layout, profile_.channels);
        codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
        codec_->bit_rate = qint64(profile_.kbps) * 1000;

        AVFormatContext* raw = nullptr;
        int rc = avformat_alloc_output_context2(&raw, nullptr, "asf", nullptr);
        if (rc < 0)
            return fail(error, QStringLiteral("No ASF writer (%1)").arg(ff::errorText(rc)));
        output_.reset(raw);
        if (raw->oformat->flags & AVFMT_GLOBALHEADER)
            codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        rc = avcodec_open2(codec_.get(), codec, nullptr);
        if (rc < 0)
            return fail(error, QStringLiteral("The WMA encoder refuses this profile (%1)").arg(ff::errorText(rc)));

        AVStream* stream = avformat_new_stream(raw, nullptr);
        if (!stream)
            return fail(error, QStringLiteral("Out of memory"));
        stream->time_base = AVRational{1, profile_.sampleRate};
        avcodec_parameters_from_context(stream->codecpar, codec_.get());

        rc = avio_open(&raw->pb, ff::fileUrl(path).constData(), AVIO_FLAG_WRITE);
        if (rc < 0)
            return fail(error, QStringLiteral("Cannot create %1: %2").arg(path, ff::errorText(rc)));
        rc = avformat_write_header(raw, nullptr);
        if (rc < 0)
            return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, ff::errorText(rc)));

        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!frame_ || !packet_)
            return fail(error, QStringLiteral("Out of memory"));
        frameSize_ = codec_->frame_size > 0 ? codec_->frame_size : 2048;
        return true;
    }

    bool write(const std::int16_t* pcm, int frames, QString& error) override
    {
        pending_.insert(pending_.end(), pcm, pcm + size_t(frames) * size_t(profile_.channels));
        size_t used = 0;
        const size_t perFrame = size_t(frameSize_) * size_t(profile_.channels);
        while (pending_.size() - used >= perFrame) {
            if (!encode(pending_.data() + used, frameSize_, error))
                return false;
            used += perFrame;
        }
        pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(used));
        return true;
    }

    bool finish(QString& error) override
    {
        if (!pending_.empty()) {
            // The encoder takes whole frames only: the last one is filled with silence.
            pending_.resize(size_t(frameSize_) * size_t(profile_.channels), 0);
            if (!encode(pending_.data(), frameSize_, error))
                return false;
            pending_.clear();
        }
        if (!send(nullptr, error))
            return false;
        const int rc = av_write_trailer(output_.get());
        if (rc < 0)
            return fail(error, QStringLiteral("Cannot complete the WMA file (%1)").arg(ff::errorText(rc)));
        output_.reset();
        return true;
    }

    void abandon() override { output_.reset(); }

private:
    bool fail(QString& error, const QString& reason)
    {
        error = reason;
        return false;
    }

    bool encode(const std::int16_t* pcm, int frames, QString& error)
    {
        if (!ff::fillPlanarFloat(frame_.get(), codec_.get(), pcm, frames))
            return fail(error, QStringLiteral("Out of memory"));
        frame_->pts = samplesSent_;
        samplesSent_ += frames;
        const bool ok = send(frame_.get(), error);
        av_frame_unref(frame_.get());
        return ok;
    }

    bool send(AVFrame* frame, QString& error)
    {
        return ff::encodeToOutput(codec_.get(), output_.get(), packet_.get(), frame, QStringLiteral("WMA"), error);
    }

    WmaProfile profile_;
    ff::CodecPtr codec_;
    ff::OutputPtr output_;
    ff::FramePtr frame_;
    ff::PacketPtr packet_;
    int frameSize_ = 2048;
    qint64 samplesSent_ = 0;
    std::vector<std::int16_t> pending_;
};

} // namespace

std::unique_ptr<OutputEncoder> makeWmaEncoder(const WmaProfile& profile)
{
    return std::make_unique<WmaEncoder>(profile);
}

} // namespace quandor::audio
