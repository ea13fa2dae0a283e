#pragma once
// Operation codes of the SCSI/MMC commands the layer knows, and their names
// for logs.

#include <cstdint>

namespace quandor::aspi::op {

inline constexpr uint8_t TestUnitReady = 0x00;
inline constexpr uint8_t RequestSense = 0x03;
inline constexpr uint8_t Inquiry = 0x12;
inline constexpr uint8_t ModeSelect6 = 0x15;
inline constexpr uint8_t ModeSense6 = 0x1A;
inline constexpr uint8_t StartStopUnit = 0x1B;
inline constexpr uint8_t Write10 = 0x2A;
inline constexpr uint8_t SynchronizeCache = 0x35;
inline constexpr uint8_t ReadToc = 0x43;
inline constexpr uint8_t PlayAudio10 = 0x45;
inline constexpr uint8_t PlayAudioMsf = 0x47;
inline constexpr uint8_t PauseResume = 0x4B;
inline constexpr uint8_t StopPlayScan = 0x4E;
inline constexpr uint8_t ReadDiscInformation = 0x51;
inline constexpr uint8_t ModeSelect10 = 0x55;
inline constexpr uint8_t ModeSense10 = 0x5A;
inline constexpr uint8_t CloseTrackSession = 0x5B;
inline constexpr uint8_t SendCueSheet = 0x5D;
inline constexpr uint8_t Blank = 0xA1;
inline constexpr uint8_t PlayAudio12 = 0xA5;
inline constexpr uint8_t ReadDvdStructure = 0xAD;
inline constexpr uint8_t SetCdSpeed = 0xBB;
inline constexpr uint8_t ReadCd = 0xBE;

/// "READ CD", "INQUIRY", ...; "UNKNOWN" for others.
const char* name(uint8_t opcode);

/// The CDB length the operation code's group defines (6, 10, 12 or 16).
int cdbLengthOf(uint8_t opcode);

/// Which way data flows for a known command; None when unknown or no data.
enum class Flow { None, In, Out };
Flow dataFlowOf(uint8_t opcode);

} // namespace quandor::aspi::op
