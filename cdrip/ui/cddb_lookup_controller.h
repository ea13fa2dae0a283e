#pragma once
// The CDDB feature of the main dialog: the disc's id and query after each
// table-of-contents read, the local cache (hit: the titles at once; miss with
// automatic lookup on: a lookup), the lookup itself under the wait dialog,
// and the user entry saved when the user leaves a disc or edits a title.
//
// A lookup's downloads run on a worker thread (runCddbQuery / runCddbRead);
// its results come back as queued calls, and everything that stores, shows or
// asks happens here on the window thread, only while the user has not
// cancelled.

#include "cdrip/cddb/cddb_cache.h"
#include "cdrip/cddb/cddb_lookup.h"
#include "cdrip/cddb/cddb_query.h"
#include "cdrip/jobs/job_thread.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

namespace brenlow {

class CddbWaitDialog;
class MainDialog;

class CddbLookupController : public QObject {
    Q_OBJECT
public:
    explicit CddbLookupController(MainDialog& dialog);

    /// The disc's id and query command; empty while no disc is shown.
    const CddbQuery& query() const { return query_; }
    CddbCache cache() const;

    /// After a table-of-contents read: the query, then the cache or a lookup.
    void tableOfContentsRead();
    /// The disc view was emptied.
    void discCleared();
    /// Command 1501 / 40013: forget the last reply and look the disc up.
    void requestLookup();
    /// Asks the server under the wait dialog; returns when that dialog is closed.
    void startLookup();
    /// Writes the fields shown as the disc's user entry and indexes it.
    void saveEntry();
    /// Shows a cached or downloaded entry in the dialog and the track table.
    void showEntry(const CddbEntry& entry);

private:
    void runStep(std::function<CddbStep(const std::atomic<bool>&)> work);
    void stepDone(const CddbStep& step);
    void storeAndShow(const CddbStep& step);
    void endWait();

    MainDialog& dialog_;
    CddbQuery query_;
    const DownloadLimits limits_; // the defaults: a stalled server ends the lookup
    CddbLookupSetup setup_;
    int generation_ = 0; ///< one per lookup: late reports of an ended one are dropped
    QPointer<CddbWaitDialog> wait_;
    JobThread worker_; ///< its stop request is the user's cancel
};

/// The CDDB feature of `dialog` (nullptr before attachCddbCommands).
CddbLookupController* cddbLookup(const MainDialog& dialog);

} // namespace brenlow
