#include "platform/mac/stored_wav.h"

#include "platform/riff/wave_chunks.h"

#include <QBuffer>
#include <QFile>

namespace quandor::mac {

namespace {

constexpr qint64 kMaxStoredBytes = 16 * 1024 * 1024;

/// True when `header` is a WAV header of PCM in `info`'s layout whose data
/// chunk, of `dataBytes`, starts right where the header ends.
bool describesSamples(const QByteArray& header, const ApeFileInfo& info, std::uint64_t dataBytes)
{
    QByteArray bytes = header;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    bool formatMatches = false;
    bool dataMatches = false;
    riff::walkWaveChunks(buffer, [&](const riff::Chunk& chunk) {
        if (chunk.id == "data") {
            dataMatches = formatMatches && chunk.body == header.size() && std::uint64_t(chunk.size) == dataBytes;
            return false;
        }
        if (chunk.id == "fmt " && chunk.body + 16 <= header.size()) {
            // Read no more than a format needs: the size comes from the file.
            const auto format = riff::parseWaveFormat(buffer.read(qMin<qint64>(chunk.size, 64)));
            formatMatches = format && (format->tag == riff::kFormatPcm || format->tag == riff::kFormatExtensible)
                && format->channels == info.channels && format->sampleRate == info.sampleRate
                && format->bitsPerSample == info.bitsPerSample;
        }
        return true;
    });
    return dataMatches;
}

} // namespace

std::optional<StoredWav> readStoredWav(const QString& path, const ApeFileInfo& info)
{
    if (info.fileVersion < 3980 || (info.formatFlags & kFlagCreateWavHeader) || info.wavHeaderBytes == 0
        || info.wavHeaderBytes > kMaxStoredBytes || info.wavTailBytes > kMaxStoredBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (info.audioDataBytes > std::uint64_t(file.size()))
        return std::nullopt;
    const qint64 headerAt = qint64(info.leadingBytes) + info.descriptorBytes + info.headerBytes + info.seekTableBytes;
    const qint64 tailAt = headerAt + info.wavHeaderBytes + qint64(info.audioDataBytes);
    StoredWav stored;
    if (!file.seek(headerAt))
        return std::nullopt;
    stored.header = file.read(info.wavHeaderBytes);
    if (info.wavTailBytes > 0) {
        if (!file.seek(tailAt))
            return std::nullopt;
        stored.tail = file.read(info.wavTailBytes);
    }
    const std::uint64_t dataBytes = info.totalBlocks() * info.channels * (info.bitsPerSample / 8);
    if (stored.header.size() != qsizetype(info.wavHeaderBytes) || stored.tail.size() != qsizetype(info.wavTailBytes)
        || !describesSamples(stored.header, info, dataBytes))
        return std::nullopt;
    return stored;
}

} // namespace quandor::mac
