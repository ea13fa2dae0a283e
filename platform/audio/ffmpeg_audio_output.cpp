#include "platform/audio/ffmpeg_audio_output.h"

#include <QFile>

namespace quandor::audio {

namespace {

bool fail(QString& error, const QString& reason)
{
    error = reason;
    return false;
}

constexpr int kIoBufferBytes = 64 * 1024;

int writeToFile(void* opaque, uint8_t* data, int size)
{
    auto* file = static_cast<EncodedFile*>(opaque);
    QString ignored; // the error number tells FFmpeg why
    return file->write(reinterpret_cast<const char*>(data), size, ignored) ? size : AVERROR(file->lastErrno());
}

int64_t seekInFile(void* opaque, int64_t offset, int whence)
{
    auto* file = static_cast<EncodedFile*>(opaque);
    if (whence & AVSEEK_SIZE)
        return file->size();
    const qint64 at = file->seek(offset, whence & ~AVSEEK_FORCE);
    return at >= 0 ? at : AVERROR(file->lastErrno());
}

} // namespace

void FfmpegAudioOutput::IoFree::operator()(AVIOContext* io) const
{
    av_freep(&io->buffer);
    avio_context_free(&io);
}

bool FfmpegAudioOutput::openFile(const QString& path, QString& error)
{
    if (!file_.create(path, error))
        return false;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    io_.reset(buffer ? avio_alloc_context(buffer, kIoBufferBytes, 1, &file_, nullptr, writeToFile, seekInFile)
                     : nullptr);
    if (!io_) {
        av_free(buffer);
        return fail(error, QStringLiteral("Out of memory"));
    }
    output_->pb = io_.get();
    output_->flags |= AVFMT_FLAG_CUSTOM_IO;
    return true;
}

void FfmpegAudioOutput::abandon()
{
    output_.reset();
    io_.reset();
    file_.discard();
}

bool FfmpegAudioOutput::open(const QString& path, const Setup& setup, QString& error)
{
    name_ = setup.name;
    channels_ = setup.channels;
    if (!openEncoder(setup, error))
        return false;

    AVStream* stream = avformat_new_stream(output_.get(), nullptr);
    if (!stream)
        return fail(error, QStringLiteral("Out of memory"));
    stream->time_base = AVRational{1, setup.sampleRate};
    avcodec_parameters_from_context(stream->codecpar, codec_.get());
    if (!openFile(path, error))
        return false;
    const int rc = avformat_write_header(output_.get(), nullptr);
    if (rc < 0)
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, ff::errorText(rc))) || failedInFile(error);

    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!frame_ || !packet_)
        return fail(error, QStringLiteral("Out of memory"));
    frameSize_ = codec_->frame_size > 0 ? codec_->frame_size : 1024;
    return true;
}

// The container is made before the encoder opens: whether the container wants
// a global header changes how the encoder is set up.
bool FfmpegAudioOutput::openEncoder(const Setup& setup, QString& error)
{
    const AVCodec* codec = avcodec_find_encoder(setup.codec);
    if (!codec)
        return fail(error, QStringLiteral("No %1 encoder is available").arg(name_));
    codec_.reset(avcodec_alloc_context3(codec));
    if (!codec_)
        return fail(error, QStringLiteral("Out of memory"));
    codec_->sample_rate = setup.sampleRate;
    av_channel_layout_default(&codec_->ch_layout, setup.channels);
    codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;

    AVFormatContext* raw = nullptr;
    int rc = avformat_alloc_output_context2(&raw, nullptr, setup.container, nullptr);
    if (rc < 0)
        return fail(error, QStringLiteral("No %1 writer (%2)").arg(QLatin1String(setup.container), ff::errorText(rc)));
    output_.reset(raw);
    if (raw->oformat->flags & AVFMT_GLOBALHEADER)
        codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (setup.configure)
        setup.configure(*codec_, *raw);
    rc = avcodec_open2(codec_.get(), codec, nullptr);
    if (rc < 0)
        return fail(error, QStringLiteral("The %1 encoder refuses these settings (%2)").arg(name_, ff::errorText(rc)));
    return true;
}

bool FfmpegAudioOutput::write(const std::int16_t* pcm, int frames, QString& error)
{
    pending_.insert(pending_.end(), pcm, pcm + size_t(frames) * size_t(channels_));
    const size_t perFrame = size_t(frameSize_) * size_t(channels_);
    size_t used = 0;
    while (pending_.size() - used >= perFrame) {
        if (!encode(pending_.data() + used, frameSize_, error))
            return false;
        used += perFrame;
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(used));
    return true;
}

bool FfmpegAudioOutput::finish(QString& error, const BeforeNaming& beforeNaming)
{
    if (!pending_.empty()) {
        int frames = int(pending_.size() / size_t(channels_));
        if (!(codec_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)) {
            // This encoder takes whole frames only.
            pending_.resize(size_t(frameSize_) * size_t(channels_), 0);
            frames = frameSize_;
        }
        if (!encode(pending_.data(), frames, error))
            return false;
        pending_.clear();
    }
    if (!send(nullptr, error))
        return false;
    const int rc = av_write_trailer(output_.get());
    if (rc < 0)
        return fail(error, QStringLiteral("Cannot complete the %1 file (%2)").arg(name_, ff::errorText(rc)))
            || failedInFile(error);
    output_.reset();
    io_.reset();
    if (beforeNaming && !beforeNaming(QFile::decodeName(file_.workingPath()), error))
        return false; // the caller drops the file
    return file_.complete(error);
}

bool FfmpegAudioOutput::encode(const std::int16_t* pcm, int frames, QString& error)
{
    if (!ff::fillPlanarFloat(frame_.get(), codec_.get(), pcm, frames))
        return fail(error, QStringLiteral("Out of memory"));
    frame_->pts = samplesSent_;
    samplesSent_ += frames;
    const bool ok = send(frame_.get(), error);
    av_frame_unref(frame_.get());
    return ok;
}

bool FfmpegAudioOutput::send(const AVFrame* frame, QString& error)
{
    return ff::encodeToOutput(codec_.get(), output_.get(), packet_.get(), frame, name_, error) || failedInFile(error);
}

bool FfmpegAudioOutput::failedInFile(QString& error) const
{
    if (file_.lastErrno() != 0 && !file_.lastError().isEmpty())
        error = file_.lastError();
    return false;
}

} // namespace quandor::audio
