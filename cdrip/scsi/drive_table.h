#pragma once
// The CD drives the scan found, in scan order. Entry i is entry i of the
// main dialog's drive list.

#include <QString>
#include <cstdint>
#include <vector>

namespace brenlow {

/// Where a device sits behind the ASPI layer.
struct DriveAddress {
    std::uint8_t adapter = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
    constexpr bool operator==(const DriveAddress&) const = default;
};

struct DriveRecord {
    DriveAddress address;
    QString description; ///< the drive-list entry: "a:t:l vendor product rev"
};

class DriveTable {
public:
    static constexpr int kMaxDrives = 99;

    int count() const { return static_cast<int>(drives_.size()); }
    bool empty() const { return drives_.empty(); }
    /// False when the table is full (the drive is not added).
    bool add(DriveRecord drive);
    void clear() { drives_.clear(); }
    /// Nullptr for an index outside the table (e.g. -1, no drive selected).
    const DriveRecord* at(int index) const;
    const std::vector<DriveRecord>& drives() const { return drives_; }

private:
    std::vector<DriveRecord> drives_;
};

} // namespace brenlow
