#include "platform/audio/audio_file_writer.h"

#include "platform/audio/output_encoder.h"
#include "platform/audio/output_format.h"
#include "platform/audio/pcm_adapter.h"

#include <algorithm>
#include <array>

namespace quandor::audio {

namespace {
constexpr int kMinPcmRate = 6000;
constexpr int kMaxPcmRate = 96000;
constexpr std::array kPcmBits{8, 16, 24, 32};
} // namespace

/// One file being written: its encoder, the PCM conversion in front of it and
/// the bytes of an incomplete sample frame left over from the last chunk.
class OpenTarget {
public:
    std::unique_ptr<OutputEncoder> encoder;
    PcmAdapter adapter;
    QByteArray carry;
    int blockAlign = 4;
    int outRate = 44100;
    int outChannels = 2;
};

AudioFileWriter::AudioFileWriter() : format_(std::make_unique<OutputFormat>()) {}

AudioFileWriter::~AudioFileWriter()
{
    if (target_)
        Close();
}

bool AudioFileWriter::refuse(const QString& reason)
{
    lastError_ = reason;
    return false;
}

void AudioFileWriter::setFormat(const OutputFormat& format)
{
    format_ = std::make_unique<OutputFormat>(format);
    lastError_.clear();
}

bool AudioFileWriter::Open(const QString& path, int /*mode*/)
{
    if (target_)
        Abort();
    writeFailed_ = false;
    writtenPath_.clear();
    if (!format_)
        return refuse(QStringLiteral("No valid output format is set"));
    auto target = std::make_unique<OpenTarget>();
    target->blockAlign = sourceChannels_ * 2;
    target->outRate = format_->sampleRate();
    target->outChannels = format_->channels();
    target->encoder = makeEncoder(*format_);
    target->encoder->setStreamTags(streamTags_);
    QString error;
    if (!target->adapter.setUp(sourceRate_, sourceChannels_, target->outRate, target->outChannels, error)
        || !target->encoder->open(path, error)) {
        target->encoder->abandon();
        return refuse(error);
    }
    target_ = std::move(target);
    lastError_.clear();
    return true;
}

void AudioFileWriter::SetStreamTags(TagFieldList fields)
{
    streamTags_ = std::move(fields);
}

bool AudioFileWriter::failWrite(const QString& reason)
{
    Abort();
    writeFailed_ = true;
    return refuse(reason);
}

bool AudioFileWriter::Close(const BeforeNaming& beforeNaming)
{
    if (!target_) {
        // A copy whose write failed must not end as a success.
        const bool failed = writeFailed_;
        writeFailed_ = false;
        return !failed;
    }
    QString error;
    int frames = 0;
    const std::int16_t* rest = target_->adapter.flush(frames);
    if (frames > 0 && !target_->encoder->write(rest, frames, error))
        return failWrite(error);
    if (!target_->encoder->finish(error, beforeNaming))
        return failWrite(error);
    writtenPath_ = target_->encoder->writtenPath();
    target_.reset();
    return true;
}

void AudioFileWriter::Abort()
{
    if (!target_)
        return;
    target_->encoder->abandon();
    target_.reset();
}

bool AudioFileWriter::IsOpen() const
{
    return bool(target_);
}

bool AudioFileWriter::SetSourceFormat(int sampleRate, int blockAlign)
{
    if (sampleRate < 1000 || sampleRate > 768000 || (blockAlign != 2 && blockAlign != 4))
        return refuse(
            QStringLiteral("Unsupported source format: %1 Hz, %2 bytes a frame").arg(sampleRate).arg(blockAlign));
    sourceRate_ = sampleRate;
    sourceChannels_ = blockAlign / 2;
    if (target_) {
        // The file being written now takes PCM of this shape.
        QString error;
        target_->blockAlign = blockAlign;
        target_->carry.clear();
        if (!target_->adapter.setUp(sourceRate_, sourceChannels_, target_->outRate, target_->outChannels, error))
            return failWrite(error);
    }
    return true;
}

bool AudioFileWriter::WriteChunk(const QByteArray& pcm)
{
    if (!target_)
        return refuse(QStringLiteral("No file is open for writing"));
    if (pcm.isEmpty())
        return true;
    const QByteArray* data = &pcm;
    QByteArray joined;
    // Samples are read in place; a partial frame left over, or storage that
    // is not 16-bit aligned, is copied first.
    if (!target_->carry.isEmpty() || quintptr(pcm.constData()) % alignof(std::int16_t) != 0) {
        joined = target_->carry + pcm;
        data = &joined;
    }
    const qsizetype whole = data->size() - data->size() % target_->blockAlign;
    const int frames = int(whole / target_->blockAlign);
    int outFrames = 0;
    const auto* in = reinterpret_cast<const std::int16_t*>(data->constData());
    const std::int16_t* out = target_->adapter.convert(in, frames, outFrames);
    QString error;
    if (outFrames > 0 && !target_->encoder->write(out, outFrames, error))
        return failWrite(error);
    target_->carry = data->mid(whole);
    return true;
}

bool AudioFileWriter::SetFormatPCM(int sampleRate, int channels, int bits)
{
    format_.reset();
    if (sampleRate < kMinPcmRate || sampleRate > kMaxPcmRate)
        return refuse(QStringLiteral("WAV sample rate must be %1 to %2 Hz, not %3")
                          .arg(kMinPcmRate)
                          .arg(kMaxPcmRate)
                          .arg(sampleRate));
    return setPcm(sampleRate, channels, bits);
}

bool AudioFileWriter::SetFormatPcmCopy(int sampleRate, int channels)
{
    format_.reset();
    if (sampleRate < 1)
        return refuse(QStringLiteral("WAV sample rate must be above 0 Hz, not %1").arg(sampleRate));
    return setPcm(sampleRate, channels, 16);
}

bool AudioFileWriter::setPcm(int sampleRate, int channels, int bits)
{
    if (channels != 1 && channels != 2)
        return refuse(QStringLiteral("WAV takes 1 or 2 channels, not %1").arg(channels));
    if (std::find(kPcmBits.begin(), kPcmBits.end(), bits) == kPcmBits.end())
        return refuse(QStringLiteral("WAV takes 8, 16, 24 or 32 bits per sample, not %1").arg(bits));
    OutputFormat format;
    format.kind = OutputFormat::Kind::Pcm;
    format.pcm = PcmSettings{sampleRate, channels, bits};
    setFormat(format);
    return true;
}

bool AudioFileWriter::SetFormatMP3(int sampleRate, int kbps, int channels)
{
    MP3LameEncoder settings;
    settings.OutputFrequency = sampleRate;
    settings.Bitrate = kbps;
    settings.ChannelCount = channels == 1 ? 1 : 2;
    settings.VbrMethod = MP3LameEncoder::VbrNone;
    if (channels != 1 && channels != 2) {
        format_.reset();
        return refuse(QStringLiteral("MP3 takes 1 or 2 channels, not %1").arg(channels));
    }
    return SetFormatMP3Ex(settings);
}

bool AudioFileWriter::SetFormatMP3Ex(const MP3LameEncoder& settings)
{
    format_.reset();
    QString problem = settings.Validate();
    if (problem.isEmpty())
        problem = checkMp3Settings(settings);
    if (!problem.isEmpty())
        return refuse(problem);
    OutputFormat format;
    format.kind = OutputFormat::Kind::Mp3;
    format.mp3 = settings;
    setFormat(format);
    return true;
}

bool AudioFileWriter::IsFormatOggVorbisAvailable(int sampleRate, int channels, int nominal, int minimum,
                                                 int maximum) const
{
    const VorbisSettings settings{sampleRate, channels, nominal, minimum, maximum, -1};
    return checkVorbisSettings(settings).isEmpty();
}

bool AudioFileWriter::SetFormatOggVorbis(int sampleRate, int channels, int nominal, int minimum, int maximum,
                                         int quality)
{
    format_.reset();
    VorbisSettings settings{sampleRate, channels, nominal, minimum, maximum, quality};
    if (quality >= 0)
        settings.nominalKbps = settings.minimumKbps = settings.maximumKbps = 0;
    const QString problem = checkVorbisSettings(settings);
    if (!problem.isEmpty())
        return refuse(problem);
    OutputFormat format;
    format.kind = OutputFormat::Kind::Vorbis;
    format.vorbis = settings;
    setFormat(format);
    return true;
}

bool AudioFileWriter::SelectWmaProfile(int profile)
{
    format_.reset();
    const WmaProfile* entry = wmaProfile(profile);
    if (!entry)
        return refuse(QStringLiteral("There is no WMA profile %1 (1 to %2)").arg(profile).arg(wmaProfileCount()));
    OutputFormat format;
    format.kind = OutputFormat::Kind::Wma;
    format.wma = *entry;
    setFormat(format);
    return true;
}

QString AudioFileWriter::FormatString() const
{
    return format_ ? format_->describe() : QString();
}

std::optional<VorbisSettings> AudioFileWriter::OggVorbisFormat() const
{
    if (!format_ || format_->kind != OutputFormat::Kind::Vorbis)
        return std::nullopt;
    return format_->vorbis;
}
bool AudioFileWriter::WmaSupport() const
{
    return wmaSupport_;
}
void AudioFileWriter::SetWmaSupport(bool enabled)
{
    wmaSupport_ = enabled;
}
QString AudioFileWriter::LastError() const
{
    return lastError_;
}
int AudioFileWriter::WmaProfileCount()
{
    return wmaProfileCount();
}

QString AudioFileWriter::WmaProfileDescription(int profile)
{
    const WmaProfile* entry = wmaProfile(profile);
    if (!entry)
        return {};
    OutputFormat format;
    format.kind = OutputFormat::Kind::Wma;
    format.wma = *entry;
    return format.describe();
}

} // namespace quandor::audio
