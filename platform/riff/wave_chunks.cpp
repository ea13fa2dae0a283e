#include "platform/riff/wave_chunks.h"

#include <QtEndian>

#include <cstring>

namespace quandor::riff {

namespace {

// The GUID of an extensible format's sub-format after its first two bytes
// (which carry the plain format tag).
constexpr unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

quint16 u16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

} // namespace

std::optional<WaveFormat> parseWaveFormat(const QByteArray& body)
{
    if (body.size() < 16)
        return std::nullopt;
    const char* p = body.constData();
    WaveFormat format;
    format.tag = u16(p);
    format.channels = u16(p + 2);
    format.sampleRate = u32(p + 4);
    format.blockAlign = u16(p + 12);
    format.bitsPerSample = u16(p + 14);
    if (format.tag != kFormatExtensible)
        return format;
    if (body.size() >= 26)
        format.subFormat = u16(p + 24);
    if (body.size() >= 40) {
        format.extension = FormatExtension{u16(p + 16), u16(p + 18), u32(p + 20),
                                           std::memcmp(p + 26, kSubFormatTail, sizeof kSubFormatTail) == 0};
    }
    return format;
}

WalkResult walkWaveChunks(QIODevice& device, const std::function<bool(const Chunk&)>& visit)
{
    if (!device.seek(0))
        return WalkResult::ReadFailed;
    const QByteArray riff = device.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return WalkResult::NotWave;
    const qint64 end = device.size();
    qint64 at = 12;
    while (at + 8 <= end) {
        if (!device.seek(at))
            return WalkResult::ReadFailed;
        const QByteArray header = device.read(8);
        if (header.size() != 8)
            return WalkResult::ReadFailed;
        const Chunk chunk{header.left(4), at + 8, qint64(u32(header.constData() + 4))};
        if (!visit(chunk))
            return WalkResult::Finished;
        // The visitor may have read on: the next chunk is found from the sizes.
        at = chunk.body + chunk.size + (chunk.size & 1);
    }
    return WalkResult::Finished;
}

} // namespace quandor::riff
