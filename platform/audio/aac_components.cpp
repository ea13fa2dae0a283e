#include "platform/audio/aac_components.h"

#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/ffmpeg_audio_output.h"

#include <QElapsedTimer>

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>

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

/// The AAC encoder in an ADTS stream, set up from the encoder's settings.
FfmpegAudioOutput::Setup adtsSetup(int sampleRate, int channels, const AacEncoder::Settings& s)
{
    FfmpegAudioOutput::Setup setup;
    setup.codec = AV_CODEC_ID_AAC;
    setup.container = "adts";
    setup.name = QStringLiteral("AAC");
    setup.sampleRate = sampleRate;
    setup.channels = channels;
    setup.configure = [s](AVCodecContext& codec, AVFormatContext& output) {
        codec.profile = s.profile == 0 ? FF_PROFILE_AAC_MAIN : FF_PROFILE_AAC_LOW;
        if (s.bandwidth > 0)
            codec.cutoff = s.bandwidth;
        if (s.bitrate > 0) {
            codec.bit_rate = qint64(s.bitrate) * 1000;
        } else {
            // Quality 50..250 maps onto the encoder's 0.5..2 scale.
            codec.flags |= AV_CODEC_FLAG_QSCALE;
            codec.global_quality = int(FF_QP2LAMBDA * std::clamp(s.quality / 100.0, 0.1, 2.0));
        }
        av_opt_set_int(codec.priv_data, "aac_tns", s.tns ? 1 : 0, 0);
        // "Allow mid/side": leave the choice to the encoder, or forbid it.
        av_opt_set_int(codec.priv_data, "aac_ms", s.midSide ? -1 : 0, 0);
        av_opt_set_int(output.priv_data, "write_mpeg2", s.mpeg2 ? 1 : 0, 0);
    };
    return setup;
}

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
    FfmpegAudioOutput writer;
    const int channels = reader.Channels();
    if (!writer.open(OutputFile, adtsSetup(reader.SampleRate(), channels, settings_), lastError_)) {
        writer.abandon();
        return false;
    }
    auto giveUp = [&](const QString& reason) {
        writer.abandon();
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
        if (!writer.write(reinterpret_cast<const std::int16_t*>(chunk.constData()), int(chunk.size() / 2 / channels),
                          error))
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
