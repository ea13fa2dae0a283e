#pragma once
// The INI file that describes the emulated drives (format: emulated_drives.h).

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/aspi/emulated_drive.h"

namespace quandor::aspi {

struct EmulatedLayerConfig {
    uint8_t supportStatus = 0x01;
    int adapterCount = -1; // -1: highest adapter used + 1
    std::set<int> failingAdapterInquiries;
    bool realDrives = false; // also offer the machine's drives, after the emulated adapters
    std::vector<EmulatedDriveConfig> drives;
};

/// "[drive 1:0:0]": how a drive's section is named in messages about it.
std::string driveSectionName(const DeviceAddress& address);

/// Parses the configuration; relative image paths are taken from the INI's folder.
std::optional<EmulatedLayerConfig> parseEmulatedConfig(const std::string& iniPath, std::string* error);

} // namespace quandor::aspi
