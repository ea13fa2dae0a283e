#pragma once
// The CD writer commands: one short function per command, named after the
// command set. Each builds its CDB byte by byte and sends it through a
// transport; answers are read and checked here.

#include "cdrip/scsi/msf.h"
#include "cdrip/scsi/scsi_transport.h"
#include "platform/aspi/scsi_opcodes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace brenlow::scsi {

/// Operation codes: the layer's one table.
namespace op = quandor::aspi::op;

/// BLANK: a minimal blank (type 1) or the whole disc (type 0), with the
/// immediate bit so the command returns as soon as the drive accepted it.
enum class BlankType : std::uint8_t { WholeDisc = 0, Minimal = 1 };
ScsiResult blank(ScsiTransport& transport, const DriveAddress& drive, BlankType type);

/// READ DVD STRUCTURE, 127-byte allocation: succeeds only for a DVD medium.
ScsiResult readDvdStructure(ScsiTransport& transport, const DriveAddress& drive);

/// What READ DISC INFORMATION says about the disc in the drive.
enum class DiscState {
    NoAnswer = 0,    ///< the command failed: no disc, not ready
    BlankCdR = 1,    ///< empty, not erasable
    BlankCdRw = 2,   ///< empty, erasable
    WrittenCdR = 3,  ///< not empty, not erasable (also a pressed CD)
    WrittenCdRw = 4, ///< not empty, erasable
};
/// What READ DISC INFORMATION (34 bytes) says: the disc status and erasable
/// bits, and for a blank disc its room: the last possible lead-out start
/// (from the ATIP), which is the number of sectors a session can hold.
struct DiscInformation {
    DiscState state = DiscState::NoAnswer;
    std::optional<int> capacitySectors; ///< nothing when the drive does not say
};
DiscInformation readDiscInformation(ScsiTransport& transport, const DriveAddress& drive);
DiscState readDiscState(ScsiTransport& transport, const DriveAddress& drive);
constexpr bool isBlank(DiscState state)
{
    return state == DiscState::BlankCdR || state == DiscState::BlankCdRw;
}

/// MODE SENSE(6) of the capabilities page (2Ah): the maximum write speed in
/// kB/s; nothing when the command fails or the answer does not hold the page.
std::optional<std::uint16_t> readMaxWriteSpeed(ScsiTransport& transport, const DriveAddress& drive);

/// SET CD SPEED, read speed left to the drive (FFFFh), write speed in kB/s.
ScsiResult setCdSpeed(ScsiTransport& transport, const DriveAddress& drive, std::uint16_t writeKbs);

/// SEND CUE SHEET of a session-at-once cue sheet.
ScsiResult sendCueSheet(ScsiTransport& transport, const DriveAddress& drive, std::span<const std::uint8_t> sheet);

/// WRITE(10) of `count` whole 2352-byte sectors at `address` (negative in the
/// pregap of the first track); `sectors` holds count × 2352 bytes.
ScsiResult write10(ScsiTransport& transport, const DriveAddress& drive, Lba address, std::uint8_t count,
                   std::span<const std::uint8_t> sectors);

/// SYNCHRONIZE CACHE.
ScsiResult synchronizeCache(ScsiTransport& transport, const DriveAddress& drive);

/// CLOSE TRACK/SESSION, closing the session.
ScsiResult closeSession(ScsiTransport& transport, const DriveAddress& drive);

} // namespace brenlow::scsi
