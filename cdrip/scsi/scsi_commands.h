#pragma once
// The SCSI commands of the ripper, one short function each, named after the
// command set: each builds its CDB byte by byte and sends it through a
// transport. Safe to call from worker threads.

#include "cdrip/scsi/msf.h"
#include "cdrip/scsi/scsi_transport.h"
#include "platform/aspi/scsi_opcodes.h"

#include <QByteArray>
#include <cstdint>
#include <span>

namespace brenlow::scsi {

/// Operation codes: the layer's one table.
namespace op = quandor::aspi::op;

inline constexpr int kInquiryLength = 36;
/// The READ TOC answer: a 4-byte header and up to 100 descriptors of 8 bytes.
inline constexpr int kTocAllocation = 804;

/// INQUIRY, standard data, 36 bytes; polled (no completion event).
ScsiResult inquiry(ScsiTransport& transport, const DriveAddress& drive, std::span<std::uint8_t, kInquiryLength> answer);

/// READ TOC format 0 with MSF addresses from the first track, 804-byte allocation.
ScsiResult readTocMsf(ScsiTransport& transport, const DriveAddress& drive,
                      std::span<std::uint8_t, kTocAllocation> answer);

/// PLAY AUDIO(12) of `frames` frames from `start`.
ScsiResult playAudio12(ScsiTransport& transport, const DriveAddress& drive, Lba start, std::uint32_t frames);

/// PAUSE/RESUME: `resume` true resumes, false pauses.
ScsiResult pauseResume(ScsiTransport& transport, const DriveAddress& drive, bool resume);

/// STOP PLAY/SCAN.
ScsiResult stopPlayScan(ScsiTransport& transport, const DriveAddress& drive);

/// START STOP UNIT with the eject bit (LoEj=1, Start=0); data-out flag, polled.
ScsiResult startStopUnitEject(ScsiTransport& transport, const DriveAddress& drive);

/// TEST UNIT READY.
ScsiResult testUnitReady(ScsiTransport& transport, const DriveAddress& drive);

/// Expected sector type of READ CD (byte 1, bits 2..4).
enum class SectorType : std::uint8_t { Any = 0, CdDa = 1 };

/// READ CD of `count` whole 2352-byte sectors (sync, headers, user data,
/// EDC/ECC: byte 9 = 0xF8, no sub-channel) from `start` into `buffer`, which
/// must hold count × 2352 bytes. Byte 1 is 0 for any sector type (what the rip
/// and image jobs send); with CdDa the drive refuses data sectors.
ScsiResult readCd(ScsiTransport& transport, const DriveAddress& drive, Lba start, std::uint32_t count,
                  std::span<std::uint8_t> buffer, SectorType type = SectorType::Any);

} // namespace brenlow::scsi
