#include "platform/audio/asf_header.h"

#include <QFile>

#include <cstring>

namespace quandor::audio {

namespace {

// GUIDs as stored: the first three fields little-endian.
// 75B22630-668E-11CF-A6D9-00AA0062CE6C
constexpr unsigned char kHeaderObjectId[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
// 75B22636-668E-11CF-A6D9-00AA0062CE6C
constexpr unsigned char kDataObjectId[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr qint64 kObjectHead = 24;          // id and size
constexpr qint64 kHeaderObjectMinimum = 30; // id, size, object count, two reserved bytes

quint64 littleEndian(const QByteArray& bytes, int at, int count)
{
    quint64 value = 0;
    for (int i = at + count - 1; i >= at; --i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

/// The id and size of the object at `offset`; empty when the file ends first.
QByteArray objectHead(QFile& file, qint64 offset)
{
    if (!file.seek(offset))
        return {};
    const QByteArray head = file.read(kObjectHead);
    return head.size() == kObjectHead ? head : QByteArray();
}

} // namespace

qint64 asfHeaderObjectSize(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray start = file.read(kHeaderObjectMinimum);
    if (start.size() < kHeaderObjectMinimum || std::memcmp(start.constData(), kHeaderObjectId, 16) != 0)
        return -1;
    const quint64 size = littleEndian(start, 16, 8);
    if (size < quint64(kHeaderObjectMinimum) || size > quint64(file.size()))
        return -1;

    // The objects it says it holds fill it exactly.
    const quint64 count = littleEndian(start, 24, 4);
    quint64 offset = kHeaderObjectMinimum;
    for (quint64 i = 0; i < count; ++i) {
        const QByteArray head = objectHead(file, qint64(offset));
        if (head.isEmpty())
            return -1;
        const quint64 objectSize = littleEndian(head, 16, 8);
        if (objectSize < quint64(kObjectHead) || objectSize > size - offset)
            return -1;
        offset += objectSize;
    }
    if (offset != size)
        return -1;
    const QByteArray data = objectHead(file, qint64(size));
    if (data.isEmpty() || std::memcmp(data.constData(), kDataObjectId, 16) != 0)
        return -1;
    return qint64(size);
}

} // namespace quandor::audio
