#include "platform/mac/stored_wav.h"

#include <QFile>
#include <QtEndian>

namespace quandor::mac {

namespace {

constexpr qint64 kMaxStoredBytes = 16 * 1024 * 1024;

/// True when `header` is a WAV header of PCM in `info`'s layout whose data
/// chunk, of `dataBytes`, starts right where the header ends.
bool describesSamples(const QByteArray& header, const ApeFileInfo& info, std::uint64_t dataBytes)
{
    if (header.size() < 12 || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return false;
    bool formatMatches = false;
    qsizetype position = 12;
    while (position + 8 <= header.size()) {
        const QByteArray id = header.mid(position, 4);
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + position + 4);
        const qsizetype body = position + 8;
        if (id == "data")
            return formatMatches && body == header.size() && size == dataBytes;
        if (id == "fmt " && size >= 16 && body + 16 <= header.size()) {
            const char* f = header.constData() + body;
            const auto tag = qFromLittleEndian<quint16>(f);
            formatMatches = (tag == 1 || tag == 0xFFFE) && qFromLittleEndian<quint16>(f + 2) == info.channels
                && qFromLittleEndian<quint32>(f + 4) == info.sampleRate
                && qFromLittleEndian<quint16>(f + 14) == info.bitsPerSample;
        }
        position = body + qsizetype(size) + (size & 1);
    }
    return false;
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
