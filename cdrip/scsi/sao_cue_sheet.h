#pragma once
// The session-at-once cue sheet that SEND CUE SHEET hands to the writer:
// 8-byte entries (CTL/ADR, TNO, INDEX, DATA FORM, SCMS, MIN, SEC, FRAME).

#include "cdrip/scsi/cue_sheet.h"

#include <cstdint>
#include <vector>

namespace brenlow {

/// Lead-in, then per track its pregap (index 0) and start (index 1) entries,
/// then the lead-out after the image's last whole sector: 8 + 16 × tracks + 8
/// bytes, audio with copying permitted; a track's entries carry the CTL bits
/// of its FLAGS.
std::vector<std::uint8_t> buildSaoCueSheet(const std::vector<BurnTrack>& tracks, std::int64_t imageSize);

} // namespace brenlow
