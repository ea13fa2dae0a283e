#pragma once
// Sense data, decoded in one place for every back end.

#include <cstdint>
#include <span>
#include <string>

namespace quandor::aspi {

namespace sense_key {
inline constexpr uint8_t NoSense = 0x0;
inline constexpr uint8_t RecoveredError = 0x1;
inline constexpr uint8_t NotReady = 0x2;
inline constexpr uint8_t MediumError = 0x3;
inline constexpr uint8_t HardwareError = 0x4;
inline constexpr uint8_t IllegalRequest = 0x5;
inline constexpr uint8_t UnitAttention = 0x6;
inline constexpr uint8_t DataProtect = 0x7;
inline constexpr uint8_t BlankCheck = 0x8;
inline constexpr uint8_t AbortedCommand = 0xB;
} // namespace sense_key

struct SenseData {
    uint8_t key = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
    /// True when the device reported anything at all.
    constexpr bool any() const { return key != 0 || asc != 0 || ascq != 0; }
    friend bool operator==(const SenseData&, const SenseData&) = default;
};

/// Decodes fixed (0x70/0x71) or descriptor (0x72/0x73) format sense bytes.
/// An empty or unknown reply gives key 0.
SenseData decodeSense(std::span<const uint8_t> bytes);

/// Writes fixed-format sense (response code 0x70) into out (up to out.size()
/// bytes, at most 18).
void encodeSense(const SenseData& sense, std::span<uint8_t> out);

/// "ILLEGAL REQUEST", "MEDIUM ERROR", ...: the name of the sense key (low nibble).
const char* senseKeyName(uint8_t key);

/// "ILLEGAL REQUEST: LOGICAL BLOCK ADDRESS OUT OF RANGE (21/00)" and the like.
std::string describeSense(const SenseData& sense);

// Sense values the layer itself uses.
inline constexpr SenseData kSenseInvalidOpcode{sense_key::IllegalRequest, 0x20, 0x00};
inline constexpr SenseData kSenseLbaOutOfRange{sense_key::IllegalRequest, 0x21, 0x00};
inline constexpr SenseData kSenseInvalidFieldInCdb{sense_key::IllegalRequest, 0x24, 0x00};
inline constexpr SenseData kSenseInvalidFieldInParameters{sense_key::IllegalRequest, 0x26, 0x00};
inline constexpr SenseData kSenseIllegalModeForTrack{sense_key::IllegalRequest, 0x64, 0x00};
inline constexpr SenseData kSenseIncompatibleMedium{sense_key::IllegalRequest, 0x30, 0x00};
inline constexpr SenseData kSenseCannotWriteMediumFormat{sense_key::IllegalRequest, 0x30, 0x05};
inline constexpr SenseData kSenseInvalidAddressForWrite{sense_key::IllegalRequest, 0x21, 0x02};
inline constexpr SenseData kSenseCommandSequenceError{sense_key::IllegalRequest, 0x2C, 0x00};
inline constexpr SenseData kSenseParameterListLength{sense_key::IllegalRequest, 0x1A, 0x00};
inline constexpr SenseData kSenseCannotReadMediumFormat{sense_key::IllegalRequest, 0x30, 0x02};
inline constexpr SenseData kSenseNoMedium{sense_key::NotReady, 0x3A, 0x00};
inline constexpr SenseData kSenseNotReadyCauseUnknown{sense_key::NotReady, 0x04, 0x00};
inline constexpr SenseData kSenseBecomingReady{sense_key::NotReady, 0x04, 0x01};
inline constexpr SenseData kSenseOperationInProgress{sense_key::NotReady, 0x04, 0x07};
inline constexpr SenseData kSenseTrayOpen{sense_key::NotReady, 0x3A, 0x02};
inline constexpr SenseData kSenseUnrecoveredReadError{sense_key::MediumError, 0x11, 0x00};
inline constexpr SenseData kSenseWriteError{sense_key::MediumError, 0x0C, 0x00};
inline constexpr SenseData kSenseHardwareFailure{sense_key::HardwareError, 0x44, 0x00};
inline constexpr SenseData kSenseMediumChanged{sense_key::UnitAttention, 0x28, 0x00};
inline constexpr SenseData kSensePowerOnReset{sense_key::UnitAttention, 0x29, 0x00};

} // namespace quandor::aspi
