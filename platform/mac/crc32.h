#pragma once
// The CRC-32 of the frames' audio (the reflected IEEE 802.3 polynomial),
// without the inversions at the start and the end: the caller starts from
// 0xFFFFFFFF and inverts the result. Four bytes a step through four tables.

#include <array>
#include <cstddef>
#include <cstdint>

namespace quandor::mac {

namespace crc32_detail {

using Tables = std::array<std::array<std::uint32_t, 256>, 4>;

constexpr Tables makeTables()
{
    Tables tables{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        tables[0][byte] = crc;
    }
    for (std::size_t byte = 0; byte < 256; ++byte)
        for (std::size_t table = 1; table < 4; ++table)
            tables[table][byte] = (tables[table - 1][byte] >> 8) ^ tables[0][tables[table - 1][byte] & 0xFF];
    return tables;
}

inline constexpr Tables kTables = makeTables();

} // namespace crc32_detail

/// `crc` carried over `size` bytes at `data`.
inline std::uint32_t updateCrc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size)
{
    const auto& t = crc32_detail::kTables;
    for (; size >= 4; size -= 4, data += 4) {
        crc ^= std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16
            | std::uint32_t(data[3]) << 24;
        crc = t[3][crc & 0xFF] ^ t[2][(crc >> 8) & 0xFF] ^ t[1][(crc >> 16) & 0xFF] ^ t[0][crc >> 24];
    }
    for (; size > 0; --size, ++data)
        crc = (crc >> 8) ^ t[0][(crc ^ *data) & 0xFF];
    return crc;
}

} // namespace quandor::mac
