#include "platform/audio/audio_file_reader.h"

#include "platform/audio/decoded_source.h"
#include "platform/audio/wav_pcm_source.h"
#include "platform/files/regular_file.h"

#include <algorithm>

namespace quandor::audio {

namespace {
constexpr int kStatusOk = 0;
constexpr int kStatusCannotDecode = -1;
constexpr int kStatusDecodeBroke = -2;
constexpr int kMaxChunkBytes = 16 * 1024 * 1024;
} // namespace

AudioFileReader::AudioFileReader() = default;
AudioFileReader::~AudioFileReader() = default;

bool AudioFileReader::Open(const QString& path, int /*mode*/, int /*flags*/)
{
    Close();
    lastError_.clear();
    // FFmpeg would wait in open() on a FIFO or a device for good.
    if (!files::isRegularFile(path)) {
        lastError_ = QStringLiteral("Not a regular file");
        status_ = kStatusCannotDecode;
        return false;
    }
    source_ = WavPcmSource::open(path);
    if (!source_)
        source_ = DecodedSource::open(path, lastError_);
    status_ = source_ ? kStatusOk : kStatusCannotDecode;
    return bool(source_);
}

void AudioFileReader::Close()
{
    source_.reset();
}

bool AudioFileReader::IsOpen() const
{
    return bool(source_);
}
int AudioFileReader::ReadStatus() const
{
    return status_;
}
int AudioFileReader::FormatNumberA() const
{
    return source_ ? source_->bytesPerFrame() : 0;
}
int AudioFileReader::FormatNumberB() const
{
    return source_ ? source_->sampleRate() : 0;
}
int AudioFileReader::ByteRate() const
{
    return FormatNumberA() * FormatNumberB();
}
int AudioFileReader::Channels() const
{
    return source_ ? source_->channels() : 0;
}
int AudioFileReader::SampleRate() const
{
    return FormatNumberB();
}

int AudioFileReader::SourceLength() const
{
    if (!source_)
        return 0;
    const qint64 seconds = (source_->durationMs() + 500) / 1000;
    return int(std::clamp<qint64>(seconds, 1, INT32_MAX));
}

int AudioFileReader::DurationMs() const
{
    return source_ ? int(std::clamp<qint64>(source_->durationMs(), 0, INT32_MAX)) : 0;
}

QByteArray AudioFileReader::ReadChunk(int count)
{
    if (!source_ || count <= 0)
        return {};
    // A huge request is served in parts rather than by one huge allocation.
    QByteArray chunk(std::min(count, kMaxChunkBytes), Qt::Uninitialized);
    const qint64 got = source_->read(chunk.data(), chunk.size(), lastError_);
    if (got < 0) {
        status_ = kStatusDecodeBroke;
        return {};
    }
    chunk.truncate(qsizetype(got));
    return chunk;
}

bool AudioFileReader::WmaSupport() const
{
    return wmaSupport_;
}
void AudioFileReader::SetWmaSupport(bool enabled)
{
    wmaSupport_ = enabled;
}
QString AudioFileReader::LastError() const
{
    return lastError_;
}

} // namespace quandor::audio
