#pragma once
// The CDDB disc id and query command of a disc, from its table of contents.

#include "cdrip/scsi/track_table.h"

#include <QString>

namespace brenlow {

struct CddbQuery {
    QString discId;  ///< eight lowercase hex digits
    QString command; ///< "cddb query <id> <n> <frames...> <seconds> " (ends with a space)
};

/// The disc id and query command of every track of `tracks` and its lead-out,
/// as frames on the MSF scale (the address + 150); an empty query for a disc
/// without tracks.
CddbQuery formatCddbQuery(const TrackTable& tracks);

} // namespace brenlow
