#pragma once
// Helpers for the layer's tests: a temporary folder, generated disc images and
// drive configurations, and a client that sends one request and waits for it
// the way Brenlow does (event for flag 0x40, status polling otherwise).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/aspi/aspi.h"
#include "platform/aspi/emulated_drives.h"

namespace quandor::aspi::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

/// The byte the generated images hold at offset `at` of sector `lba`.
inline uint8_t imageByte(int32_t lba, size_t at)
{
    return uint8_t(uint32_t(lba) * 7u + uint32_t(at) * 13u + (at >> 8));
}

struct ImageTrack {
    int32_t sectors = 0;
    bool data = false;
};

/// Writes name.bin (every sector filled with imageByte, or left sparse and zero
/// when !filled) and name.cue; returns the cue path.
std::string writeImage(const TempFolder& folder, const std::string& name, const std::vector<ImageTrack>& tracks,
                       int firstTrack = 1, bool filled = true);

void writeText(const std::string& path, const std::string& text);

/// Writes drives.ini with the given text in `folder` and loads it; fails the test
/// when it does not load.
void loadDrives(const TempFolder& folder, const std::string& ini);

struct Reply {
    uint8_t status = 0;
    uint8_t adapterStatus = 0;
    uint8_t targetStatus = 0;
    SenseData sense;
    std::vector<uint8_t> data;
    bool ok() const { return status == AspiStatusDone; }
};

/// Sends one execute request and waits for it (at most waitLimitMs).
Reply execute(const DeviceAddress& device, std::vector<uint8_t> cdb, uint8_t flags, std::vector<uint8_t> data = {},
              int waitLimitMs = 20000);

/// Data-in and data-out shorthands with event completion.
Reply readCommand(const DeviceAddress& device, std::vector<uint8_t> cdb, size_t length);
Reply writeCommand(const DeviceAddress& device, std::vector<uint8_t> cdb, std::vector<uint8_t> data);
Reply noDataCommand(const DeviceAddress& device, std::vector<uint8_t> cdb);

// CDBs as Brenlow and the MMC standard build them.
std::vector<uint8_t> readCdCdb(int32_t lba, uint32_t count, uint8_t expectedType = 0, uint8_t selection = 0xF8);
std::vector<uint8_t> readTocCdb(bool msf, uint8_t format = 0, uint8_t fromTrack = 0, uint16_t allocation = 804);

inline std::vector<uint8_t> bytesOfSectors(int32_t lba, uint32_t count)
{
    std::vector<uint8_t> bytes(size_t(count) * 2352);
    for (uint32_t s = 0; s < count; ++s)
        for (size_t i = 0; i < 2352; ++i)
            bytes[s * 2352 + i] = imageByte(lba + int32_t(s), i);
    return bytes;
}

} // namespace quandor::aspi::test
