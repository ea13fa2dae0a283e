#pragma once
// Disc addressing as MMC defines it: logical block address 0 is the time
// 00:02:00 (the 150-frame pregap of track 1 lies at LBA -150..-1).

#include <cstdint>
#include <span>

namespace quandor::aspi {

inline constexpr int32_t kFramesPerSecond = 75;
inline constexpr int32_t kLbaToMsfOffset = 150;
inline constexpr uint32_t kRawSectorSize = 2352;

struct Msf {
    int minute = 0;
    int second = 0;
    int frame = 0;

    static constexpr Msf fromLba(int32_t lba)
    {
        int32_t frames = lba + kLbaToMsfOffset;
        if (frames < 0)
            frames = 0;
        return Msf{frames / (60 * kFramesPerSecond), (frames / kFramesPerSecond) % 60, frames % kFramesPerSecond};
    }
    constexpr int32_t frames() const { return (minute * 60 + second) * kFramesPerSecond + frame; }
    constexpr int32_t lba() const { return frames() - kLbaToMsfOffset; }
    friend constexpr bool operator==(const Msf&, const Msf&) = default;
};

// Big-endian fields of CDBs and parameter data.
inline constexpr uint32_t readBe16(std::span<const uint8_t> b, size_t at)
{
    return (uint32_t(b[at]) << 8) | b[at + 1];
}
inline constexpr uint32_t readBe24(std::span<const uint8_t> b, size_t at)
{
    return (uint32_t(b[at]) << 16) | (uint32_t(b[at + 1]) << 8) | b[at + 2];
}
inline constexpr uint32_t readBe32(std::span<const uint8_t> b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}
inline constexpr void writeBe16(std::span<uint8_t> b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}
inline constexpr void writeBe32(std::span<uint8_t> b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 24);
    b[at + 1] = uint8_t(v >> 16);
    b[at + 2] = uint8_t(v >> 8);
    b[at + 3] = uint8_t(v);
}

} // namespace quandor::aspi
