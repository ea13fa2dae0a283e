#pragma once
// The drive-control commands of the main dialog's player, in terms of the
// track table: which addresses and lengths they send.

#include "cdrip/scsi/scsi_commands.h"
#include "cdrip/scsi/track_table.h"

namespace brenlow {

/// Plays track `index` from its start for its length. A failure (status
/// 0x80, nothing sent) for an index outside the table.
ScsiResult playTrack(ScsiTransport& transport, const DriveAddress& drive, const TrackTable& tracks, int index);

/// Plays from `start` for the length of track `index`, cut at the lead-out so
/// the drive is never asked to play past the end of the disc. An address
/// outside the disc is refused without being sent.
ScsiResult playFrom(ScsiTransport& transport, const DriveAddress& drive, const TrackTable& tracks, int index,
                    Lba start);

ScsiResult pauseResume(ScsiTransport& transport, const DriveAddress& drive, bool resume);
ScsiResult stopPlay(ScsiTransport& transport, const DriveAddress& drive);
ScsiResult ejectDisc(ScsiTransport& transport, const DriveAddress& drive);

} // namespace brenlow
