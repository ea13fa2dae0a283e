#include "platform/audio/asf_header.h"

#include <QFile>

#include <cstring>

namespace quandor::audio {

namespace {

// 75B22630-668E-11CF-A6D9-00AA0062CE6C as stored: the first three fields little-endian.
constexpr unsigned char kHeaderObjectId[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr qint64 kHeaderObjectMinimum = 30; // id, size, object count, two reserved bytes

} // namespace

qint64 asfHeaderObjectSize(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray start = file.read(24);
    if (start.size() < 24 || std::memcmp(start.constData(), kHeaderObjectId, sizeof kHeaderObjectId) != 0)
        return -1;
    quint64 size = 0;
    for (int i = 23; i >= 16; --i)
        size = (size << 8) | quint8(start[i]);
    if (size < quint64(kHeaderObjectMinimum) || size > quint64(file.size()))
        return -1;
    return qint64(size);
}

} // namespace quandor::audio
