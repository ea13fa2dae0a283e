#pragma once
// The CDDB disc id and query command of a disc, from its track start frames.

#include <QString>
#include <vector>

namespace brenlow {

/// One audio track as the table of contents gives it, in frames of 1/75 s on
/// the MSF scale (the start frame is the logical block address + 150).
struct CddbTrackSpan {
    int startFrame = 0;
    int lengthFrames = 0;
};

struct CddbQuery {
    QString discId;  ///< eight lowercase hex digits
    QString command; ///< "cddb query <id> <n> <frames...> <seconds> " (ends with a space)
};

/// The disc id and query command; an empty query for a disc without tracks.
CddbQuery formatCddbQuery(const std::vector<CddbTrackSpan>& tracks);

} // namespace brenlow
