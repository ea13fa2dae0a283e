#pragma once
// The table of contents: one READ TOC (format 0, MSF) turned into the track
// table. The answer is checked before use; a reply that is short, out of
// order or out of range counts as a failed read.

#include "cdrip/scsi/scsi_commands.h"
#include "cdrip/scsi/track_table.h"

#include <QString>
#include <optional>
#include <span>

namespace brenlow {

/// Why a read gave no tracks.
enum class TocError {
    None,
    CommandFailed,   ///< no disc, not ready, drive error
    BlankDisc,       ///< a blank CD-R or CD-RW: there is no table to read
    BadTrackNumbers, ///< not 1 <= first <= last <= 99
    ShortReply,      ///< fewer descriptors than the track numbers announce
    BadAddress,      ///< an address out of range, or not rising
};

struct TocResult {
    TrackTable table; ///< empty on failure
    TocError error = TocError::None;
    ScsiResult command; ///< what the READ TOC came back with
    bool ok() const { return error == TocError::None; }
};

/// Builds the track table from a READ TOC answer. `trackWord` is the word of
/// the default titles ("Track" gives "Track 01", "Track 02", ...).
TocResult parseTocAnswer(std::span<const std::uint8_t> answer, const QString& trackWord);

/// Sends READ TOC to `drive` and builds the track table (ReadTableOfContents).
/// A read refused as an invalid request is followed by READ DISC INFORMATION,
/// which tells a blank disc from a drive that will not give its table.
TocResult readTableOfContents(ScsiTransport& transport, const DriveAddress& drive, const QString& trackWord);

/// The default title of the track at 1-based position `number`.
QString defaultTrackTitle(const QString& trackWord, int number);

} // namespace brenlow
