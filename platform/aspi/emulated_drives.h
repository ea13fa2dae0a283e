#pragma once
// Control of the emulated drives from tests and tools, in the same process as
// the layer (link quandor_aspi, or dlopen the same library file).
//
// The emulated drives are described by an INI file. The layer reads the file
// named by the environment variable QUANDOR_EMULATED_DRIVES on its first use;
// loadEmulatedDrives() replaces the whole configuration at any time (tests).
// Without the variable and without a loaded configuration the layer uses the
// real drives (SG_IO) only.
//
//   [layer]
//   SupportStatus=0x01        ; what GetASPI32SupportInfo reports (0xE1, 0xE2, 0xE3, ...)
//   Adapters=2                ; number of host adapters (default: highest used + 1)
//   FailAdapterInquiry=1      ; host-adapter inquiry fails for these adapters (list)
//
//   [drive 1:0:0]             ; one section per device, "drive a:t:l" (t, l <= 7)
//   Type=5                    ; peripheral device type (5 = CD-ROM, 0 = disk, 6 = scanner)
//   Vendor=QUANDOR            ; INQUIRY vendor (8), product (16), revision (4)
//   Product=EMULATED CD-RW
//   Revision=1.00
//   Medium=audio              ; audio | cdr | cdrw | none | dvd
//   Cue=disc.cue              ; audio: .cue sheet of a .bin image (relative to the INI)
//   Disc=written.bin          ; cdr/cdrw: file that holds what is written (a .cue is written
//                             ; beside it); if it exists the medium starts written, and
//                             ; media with the same Disc file share their state in-process
//   Blank=1                   ; cdrw: start blank even when Disc exists
//   MaxWriteSpeed=7056        ; kB/s reported by MODE SENSE page 2A
//   LastLeadOut=79:59:74      ; cdr/cdrw: the room of a blank (READ DISC INFORMATION's last
//                             ; possible lead-out start); a longer session's cue sheet is refused
//   UnreadableLbas=100,200-210  ; READ CD of these LBAs gives MEDIUM ERROR
//   TransientFailures=2       ; the next n commands (INQUIRY aside) fail NOT READY 04/01
//   FailCommands=0x12         ; opcodes that end in CHECK CONDITION (HARDWARE ERROR)
//   HangCommands=0x4B         ; opcodes that never complete (the request times out)
//   DelayMs=0                 ; delay added to every command
//   TimeoutMs=10000           ; time-out of every request to this device
//   BlankSeconds=0            ; how long a BLANK keeps the unit NOT READY
//   BlankingSense=04/07       ; ASC/ASCQ (hex) of that NOT READY answer
//   Writer=1                  ; 0: a reader (no page 05, no writing commands)
//   TrayClose=3               ; seconds after an eject until the tray closes by itself
//                             ; (absent: it stays open until START STOP UNIT loads)
//   Reply43=00 0A 01 01 ...   ; canned answer (hex bytes, GOOD status) to an opcode,
//                             ; e.g. a malformed READ TOC reply
//
//   [layer] RealDrives=1 also offers the machine's drives, on the adapters after
//   the emulated ones.
//
// The log records every CDB sent to an emulated drive, in order.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/aspi/scsi_types.h"
#include "platform/aspi/sense.h"

namespace quandor::aspi {

struct CommandLogEntry {
    DeviceAddress device;
    std::vector<uint8_t> cdb; // cdbLength bytes
    DataDirection direction = DataDirection::None;
    uint32_t dataLength = 0;
    uint8_t status = 0;    // final AspiStatus
    SenseData sense;       // sense returned (key 0 when none)
    uint64_t sequence = 0; // rises by one per logged command
};

/// Replaces the emulated configuration with the one in iniPath. False (with the
/// reason in *error) when the file cannot be read or a section is malformed; the
/// previous configuration stays then.
bool loadEmulatedDrives(const std::string& iniPath, std::string* error = nullptr);

/// Removes every emulated drive (the layer then sees real drives only).
void unloadEmulatedDrives();

/// The CDBs sent to emulated drives since the last clear, oldest first: the last
/// kDefaultCommandLogLimit of them, so a long session does not grow without bound.
/// A test that needs a longer history raises the limit.
inline constexpr std::size_t kDefaultCommandLogLimit = 4096;
std::vector<CommandLogEntry> commandLog();
std::vector<CommandLogEntry> commandLog(const DeviceAddress& device);
void clearCommandLog();
void setCommandLogLimit(std::size_t entries);

// Run-time fault injection; false when no emulated drive has that address.
bool setUnreadableLbas(const DeviceAddress& device, std::vector<int32_t> lbas);
bool setTransientFailures(const DeviceAddress& device, int count);
bool setCommandDelayMs(const DeviceAddress& device, int delayMs);
bool setTimeoutMs(const DeviceAddress& device, int timeoutMs);
bool setHangingCommands(const DeviceAddress& device, std::vector<uint8_t> opcodes);
bool setFailingCommands(const DeviceAddress& device, std::vector<uint8_t> opcodes);
/// From now on the drive answers `opcode` with `bytes` (as much as the buffer
/// takes, status GOOD) instead of emulating it; an empty optional restores it.
bool setCannedReply(const DeviceAddress& device, uint8_t opcode, std::optional<std::vector<uint8_t>> bytes);

/// The raw 2352-byte sectors now on the emulated disc, from LBA 0 to its end
/// (what a burn wrote; empty when blank or no drive).
std::vector<uint8_t> writtenDiscBytes(const DeviceAddress& device);

} // namespace quandor::aspi
