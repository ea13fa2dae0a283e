#pragma once
// Little-endian fields appended to the headers the APE library writes.

#include <QByteArray>
#include <QtEndian>
#include <cstdint>

namespace quandor::mac {

inline void put16(QByteArray& out, std::uint16_t value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

inline void put32(QByteArray& out, std::uint32_t value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace quandor::mac
