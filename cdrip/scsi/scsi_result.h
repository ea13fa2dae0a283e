#pragma once
// What a SCSI command came back with: the layer's status byte, and the sense
// data when the device reported a CHECK CONDITION. Sense data is decoded here
// and nowhere else.

#include <QString>
#include <cstdint>
#include <span>

namespace brenlow {

/// Sense keys of the fixed-format sense data that callers tell apart.
enum class SenseKey : std::uint8_t {
    NoSense = 0x0,
    RecoveredError = 0x1,
    NotReady = 0x2,
    MediumError = 0x3,
    HardwareError = 0x4,
    IllegalRequest = 0x5,
    UnitAttention = 0x6,
    DataProtect = 0x7,
    BlankCheck = 0x8,
    AbortedCommand = 0xB,
};

struct SenseData {
    std::uint8_t key = 0;    ///< sense key (low nibble of byte 2)
    std::uint8_t asc = 0;    ///< additional sense code (byte 12)
    std::uint8_t ascq = 0;   ///< its qualifier (byte 13)

    /// Decodes fixed-format sense bytes (response code 0x70/0x71); anything
    /// shorter or of another format gives no sense.
    static SenseData fromFixedFormat(std::span<const std::uint8_t> bytes);
    SenseKey senseKey() const { return static_cast<SenseKey>(key); }
    bool any() const { return key != 0 || asc != 0 || ascq != 0; }
    /// "ILLEGAL REQUEST (24/00)", for logs and messages.
    QString text() const;
    constexpr bool operator==(const SenseData&) const = default;
};

struct ScsiResult {
    static constexpr std::uint8_t kDone = 0x01;

    std::uint8_t status = 0;          ///< the layer's status byte; 1 = completed without error
    std::uint8_t adapterStatus = 0;
    std::uint8_t targetStatus = 0;
    SenseData sense;

    bool ok() const { return status == kDone; }
    /// A short account of a failure ("status 04, MEDIUM ERROR (11/00)").
    QString text() const;
};

} // namespace brenlow
