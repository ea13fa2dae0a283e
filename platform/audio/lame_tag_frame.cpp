#include "platform/audio/lame_tag_frame.h"

#include <QtEndian>
#include <optional>

namespace quandor::audio {

namespace {

constexpr quint32 kFramesFlag = 0x1;
constexpr quint32 kBytesFlag = 0x2;
constexpr quint32 kTocFlag = 0x4;
constexpr quint32 kQualityFlag = 0x8;
constexpr int kTocSize = 100;
/// The LAME extension up to its CRC, which covers the frame up to itself.
constexpr int kLameExtensionBeforeCrc = 34;

quint32 bigEndian32(const QByteArray& b, int at)
{
    return qFromBigEndian<quint32>(b.constData() + at);
}

/// CRC-16 as the LAME extension carries it (polynomial 0x8005, reflected, from 0).
quint16 lameCrc(const QByteArray& b, int size)
{
    quint16 crc = 0;
    for (int i = 0; i < size; ++i) {
        crc ^= quint8(b[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

/// Where "Xing" or "Info" starts: behind the frame header and the side
/// information, whose size depends on the MPEG version and on mono.
std::optional<int> tagStart(const QByteArray& frame)
{
    if (frame.size() < 4 || quint8(frame[0]) != 0xFF || (quint8(frame[1]) & 0xE0) != 0xE0)
        return std::nullopt;
    const bool mpeg1 = ((quint8(frame[1]) >> 3) & 3) == 3;
    const bool mono = ((quint8(frame[3]) >> 6) & 3) == 3;
    const int sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const int at = 4 + sideInfo;
    if (frame.size() < at + 8)
        return std::nullopt;
    const QByteArray magic = frame.mid(at, 4);
    if (magic != "Xing" && magic != "Info")
        return std::nullopt;
    return at;
}

} // namespace

bool countTrailingBytes(QByteArray& frame, quint32 trailing)
{
    const std::optional<int> start = tagStart(frame);
    if (!start)
        return false;
    const quint32 flags = bigEndian32(frame, *start + 4);
    if (!(flags & kBytesFlag))
        return false;
    const int sizeAt = *start + 8 + ((flags & kFramesFlag) ? 4 : 0);
    if (frame.size() < sizeAt + 4)
        return false;
    const int crcAt =
        sizeAt + 4 + ((flags & kTocFlag) ? kTocSize : 0) + ((flags & kQualityFlag) ? 4 : 0) + kLameExtensionBeforeCrc;
    // Only an extension whose CRC holds is one to renew; other bytes there
    // are not ours to change.
    const bool hasCrc = frame.size() >= crcAt + 2
        && lameCrc(frame, crcAt) == quint16(quint8(frame[crcAt]) << 8 | quint8(frame[crcAt + 1]));
    qToBigEndian<quint32>(bigEndian32(frame, sizeAt) + trailing, frame.data() + sizeAt);
    if (hasCrc) {
        const quint16 crc = lameCrc(frame, crcAt);
        frame[crcAt] = char(crc >> 8);
        frame[crcAt + 1] = char(crc);
    }
    return true;
}

} // namespace quandor::audio
