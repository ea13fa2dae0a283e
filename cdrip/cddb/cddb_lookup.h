#pragma once
// The network half of a CDDB lookup, for a worker thread: each step downloads
// one reply onto "request.txt" and says what it found. Nothing here stores,
// shows or changes anything; the window decides, on its own thread, after it
// has checked that the user did not cancel.

#include "cdrip/cddb/cddb_download.h"
#include "cdrip/cddb/cddb_reply.h"
#include "cdrip/cddb/cddb_url.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <vector>

namespace brenlow {

enum class CddbStepKind {
    Failed,    ///< download failed, or the server answered with an error code
    Refused,   ///< the server answered, but its answer cannot be used (a file
               ///< name outside the cache, another entry, an overlong line)
    Cancelled, ///< the cancel flag was set when the download ended
    NoMatch,   ///< 202: the server knows no such disc
    Choose,    ///< 210 / 211: the user picks one of `matches`
    Entry,     ///< a "210" read reply in `reply`, for `category` / `discId`
};

struct CddbStep {
    CddbStepKind kind = CddbStepKind::Failed;
    std::vector<CddbMatch> matches;
    QByteArray reply; ///< the read reply exactly as received
    QString category; ///< checked: one of the standard categories
    QString discId;   ///< checked: eight hex digits
    QString error;    ///< why it failed, for logs
};

/// Where and how a lookup downloads.
struct CddbLookupSetup {
    CddbServerSettings server;
    QString requestFile; ///< "<start folder>/request.txt"
    DownloadLimits limits;
};

/// Sends the disc's query; on a single match (200) goes on with its read.
CddbStep runCddbQuery(const CddbLookupSetup& setup, const QString& queryCommand, const std::atomic<bool>& cancel);

/// Reads the entry of `match` (category and disc id as the query reply gave
/// them). A read reply whose status line names another entry is refused; the
/// entry is reported under `match`, where it is to be cached.
CddbStep runCddbRead(const CddbLookupSetup& setup, const CddbMatch& match, const std::atomic<bool>& cancel);

} // namespace brenlow
