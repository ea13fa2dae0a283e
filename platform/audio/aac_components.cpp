#include "platform/audio/aac_components.h"

#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/ffmpeg_util.h"

#include <QElapsedTimer>
#include <QFile>

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <vector>

namespace quandor::audio {

namespace {

// A progress report is also where the converter's window answers Cancel and
// Close, so it comes often enough for a press to be answered well within a
// tenth of a second; the window paces its own repaints.
constexpr qint64 kProgressIntervalMs = 40;
/// Bytes the decoders and the encoder take from the reader at a time: a
/// tenth of a second of CD audio, so stop requests are seen quickly.
constexpr int kStepBytes = 17640;

/// True when the file is an MPEG-4 (ISO base media) container.
bool isMpeg4Container(const QString& path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, ff::fileUrl(path).constData(), nullptr, nullptr) < 0)
        return false;
    ff::InputPtr input(raw);
    return QByteArray(raw->iformat->name).contains("mp4");
}

float durationSeconds(const QString& path)
{
    AudioFileReader reader;
    if (!reader.Open(path))
        return 0.0f;
    return float(reader.DurationMs()) / 1000.0f;
}

/// Calls `progress` no more often than every 40 ms, and once at the end.
class ProgressPacer {
public:
    ProgressPacer() { clock_.start(); }
    bool due()
    {
        if (clock_.elapsed() < kProgressIntervalMs)
            return false;
        clock_.restart();
        return true;
    }

private:
    QElapsedTimer clock_;
};

/// Decodes `input` into a 16-bit WAV at `output`. False on failure or stop;
/// nothing is left at `output` then.
bool decodeToWav(const QString& input, const QString& output, const bool& stopRequested,
                 const std::function<void(int)>& progress, QString& error)
{
    if (output.isEmpty()) {
        error = QStringLiteral("No output file is set");
        return false;
    }
    AudioFileReader reader;
    if (!reader.Open(input)) {
        error = reader.LastError();
        return false;
    }
    AudioFileWriter writer;
    if (!writer.SetFormatPCM(reader.SampleRate(), reader.Channels(), 16)
        || !writer.SetSourceFormat(reader.FormatNumberB(), reader.FormatNumberA()) || !writer.Open(output)) {
        error = writer.LastError();
        return false;
    }
    const double total = double(reader.DurationMs()) / 1000.0 * reader.ByteRate();
    double done = 0;
    ProgressPacer pacer;
    const int step = kStepBytes - kStepBytes % reader.FormatNumberA();
    // A first report at once lets the caller react (and stop) before any work.
    if (progress)
        progress(0);
    for (;;) {
        // Checked before each step, so a stop asked for in a report takes effect at once.
        if (stopRequested) {
            writer.Abort();
            error = QStringLiteral("Stopped");
            return false;
        }
        const QByteArray chunk = reader.ReadChunk(step);
        if (chunk.isEmpty())
            break;
        if (!writer.WriteChunk(chunk)) {
            error = writer.LastError();
            return false;
        }
        done += chunk.size();
        if (pacer.due() && progress)
            progress(total > 0 ? int(std::min(99.0, 100.0 * done / total)) : 0);
    }
    if (reader.ReadStatus() < 0) {
        writer.Abort();
        error = reader.LastError();
        return false;
    }
    if (!writer.Close()) {
        error = writer.LastError();
        return false;
    }
    if (progress)
        progress(100);
    return true;
}

} // namespace

bool AacDecoder::IsMpeg4() const
{
    return isMpeg4Container(InputFile);
}
float AacDecoder::AACDuration() const
{
    return durationSeconds(InputFile);
}
void AacDecoder::Stop()
{
    stopRequested_ = true;
}

bool AacDecoder::Decode()
{
    stopRequested_ = false;
    lastError_.clear();
    return !decodeToWav(InputFile, OutputFile, stopRequested_, Progress, lastError_);
}

float M4aDecoder::M4ADuration() const
{
    return durationSeconds(InputFile);
}
void M4aDecoder::Stop()
{
    stopRequested_ = true;
}

bool M4aDecoder::Decode()
{
    stopRequested_ = false;
    lastError_.clear();
    return !decodeToWav(InputFile, OutputFile, stopRequested_, Progress, lastError_);
}

// ---------------------------------------------------------------------------

namespace {

/// Encodes 16-bit PCM frames to AAC in an ADTS stream.
class AdtsWriter {
public:
    bool open(const QString& path, int sampleRate, int channels, const AacEncoder::Settings& s, QString& error)
    {
        channels_ = channels;
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!codec)
            return fail(error, QStringLiteral("No AAC encoder is available"));
        codec_.reset(avcodec_alloc_context3(codec));
        if (!codec_)
            return fail(error, QStringLiteral("Out of memory"));
        codec_->sample_rate = sampleRate;
        av_channel_layout_default(&codec_->ch_layout, channels);
        codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
        codec_->profile = s.profile == 0 ? FF_PROFILE_AAC_MAIN : FF_PROFILE_AAC_LOW;
        if (s.bandwidth > 0)
            codec_->cutoff = s.bandwidth;
        if (s.bitrate > 0) {
            codec_->bit_rate = qint64(s.bitrate) * 1000;
        } else {
            // Quality 50..250 maps onto the encoder's 0.5..2 scale.
            codec_->flags |= AV_CODEC_FLAG_QSCALE;
            codec_->global_quality = int(FF_QP2LAMBDA * std::clamp(s.quality / 100.0, 0.1, 2.0));
        }
        av_opt_set_int(codec_->priv_data, "aac_tns", s.tns ? 1 : 0, 0);
        // "Allow mid/side": leave the choice to the encoder, or forbid it.
        av_opt_set_int(codec_->priv_data, "aac_ms", s.midSide ? -1 : 0, 0);

        AVFormatContext* raw = nullptr;
        int rc = avformat_alloc_output_context2(&raw, nullptr, "adts", nullptr);
        if (rc < 0)
            return fail(error, QStringLiteral("No ADTS writer (%1)").arg(ff::errorText(rc)));
        output_.reset(raw);
        av_opt_set_int(raw->priv_data, "write_mpeg2", s.mpeg2 ? 1 : 0, 0);
        rc = avcodec_open2(codec_.get(), codec, nullptr);
        if (rc < 0)
            return fail(error, QStringLiteral("The AAC encoder refuses these settings (%1)").arg(ff::errorText(rc)));
        AVStream* stream = avformat_new_stream(raw, nullptr);
        if (!stream)
            return fail(error, QStringLiteral("Out of memory"));
        stream->time_base = AVRational{1, sampleRate};
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
        frameSize_ = codec_->frame_size > 0 ? codec_->frame_size : 1024;
        return true;
    }

    bool write(const std::int16_t* pcm, size_t samples, QString& error)
    {
        pending_.insert(pending_.end(), pcm, pcm + samples);
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

    bool finish(QString& error)
    {
        if (!pending_.empty() && !encode(pending_.data(), int(pending_.size() / size_t(channels_)), error))
            return false;
        if (!send(nullptr, error))
            return false;
        const int rc = av_write_trailer(output_.get());
        if (rc < 0)
            return fail(error, QStringLiteral("Cannot complete the AAC file (%1)").arg(ff::errorText(rc)));
        output_.reset();
        return true;
    }

    void abandon() { output_.reset(); }

private:
    static bool fail(QString& error, const QString& reason)
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
        return ff::encodeToOutput(codec_.get(), output_.get(), packet_.get(), frame, QStringLiteral("AAC"), error);
    }

    int channels_ = 2;
    int frameSize_ = 1024;
    qint64 samplesSent_ = 0;
    ff::CodecPtr codec_;
    ff::OutputPtr output_;
    ff::FramePtr frame_;
    ff::PacketPtr packet_;
    std::vector<std::int16_t> pending_;
};

} // namespace

bool AacEncoder::SetInputFormat(int sampleRate, int channels)
{
    if (sampleRate < 8000 || sampleRate > 96000 || channels < 1 || channels > 2) {
        lastError_ = QStringLiteral("Unsupported AAC input: %1 Hz, %2 channels").arg(sampleRate).arg(channels);
        return false;
    }
    inputRate_ = sampleRate;
    inputChannels_ = channels;
    return true;
}

bool AacEncoder::SetEncoding(bool midSide, bool useLfe, int /*reserved*/, int mpeg2, int profile, int bandwidth,
                             int bitrate, bool tns, int quality)
{
    if (profile < 0 || profile > 1 || bandwidth < 0 || bitrate < 0 || quality < 0 || (bitrate == 0 && quality == 0)) {
        lastError_ = QStringLiteral("Unsupported AAC settings");
        return false;
    }
    settings_ = Settings{midSide, useLfe, mpeg2 == 1, profile, bandwidth, bitrate, tns, quality};
    return true;
}

void AacEncoder::Stop()
{
    stopRequested_ = true;
}

bool AacEncoder::Encode()
{
    stopRequested_ = false;
    lastError_.clear();
    AudioFileReader reader;
    if (!reader.Open(InputFile)) {
        lastError_ = reader.LastError();
        return false;
    }
    // The file's own format governs: encoding it under another rate would
    // change its speed.
    AdtsWriter writer;
    if (!writer.open(OutputFile, reader.SampleRate(), reader.Channels(), settings_, lastError_)) {
        writer.abandon();
        QFile::remove(OutputFile);
        return false;
    }
    auto giveUp = [&](const QString& reason) {
        writer.abandon();
        QFile::remove(OutputFile);
        lastError_ = reason;
        return false;
    };
    const qint64 total = qint64(double(reader.DurationMs()) / 1000.0 * reader.ByteRate());
    qint64 done = 0;
    ProgressPacer pacer;
    const int step = kStepBytes - kStepBytes % reader.FormatNumberA();
    if (Progress)
        Progress(0, total);
    for (;;) {
        if (stopRequested_)
            return giveUp(QStringLiteral("Stopped"));
        const QByteArray chunk = reader.ReadChunk(step);
        if (chunk.isEmpty())
            break;
        QString error;
        if (!writer.write(reinterpret_cast<const std::int16_t*>(chunk.constData()), size_t(chunk.size() / 2), error))
            return giveUp(error);
        done += chunk.size();
        if (pacer.due() && Progress)
            Progress(std::min(done, total), total);
    }
    if (reader.ReadStatus() < 0)
        return giveUp(reader.LastError());
    QString error;
    if (!writer.finish(error))
        return giveUp(error);
    if (Progress)
        Progress(std::max(done, total), std::max(done, total));
    return true;
}

} // namespace quandor::audio
