#pragma once
// Erasing a rewritable disc on a worker thread: BLANK with the immediate bit,
// then TEST UNIT READY at an interval until the drive is ready, then eject.

#include "cdrip/scsi/scsi_transport.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <memory>

namespace brenlow {

struct EraseSnapshot {
    std::shared_ptr<ScsiTransport> transport;
    DriveAddress drive;
    bool fullErase = false; ///< whole disc, else minimal blank
    std::chrono::milliseconds pollInterval{1000};
    std::chrono::milliseconds timeLimit{std::chrono::hours(2)}; ///< a full erase at 1× takes over an hour
};

enum class EraseOutcome {
    Erased,       ///< ready again; the disc was ejected
    BlankRefused, ///< the drive refused BLANK
    Failed,       ///< the drive reported an error while erasing
    TimedOut,     ///< still not ready after the time limit
    Stopped,      ///< the dialog went; the drive finishes on its own, no eject
};

struct EraseResult {
    EraseOutcome outcome = EraseOutcome::Erased;
    ScsiResult command; ///< the refused BLANK or the failed TEST UNIT READY
};

class EraseJob : public QObject {
    Q_OBJECT
public:
    explicit EraseJob(EraseSnapshot snapshot);
    /// Runs the erase on the calling thread and emits finished; the polling
    /// stops once `stop` is set.
    EraseResult run(const std::atomic<bool>& stop);
    /// The same, stopped through requestStop.
    EraseResult run() { return run(stop_); }
    void requestStop() { stop_.store(true); }

signals:
    void finished(brenlow::EraseResult result);

private:
    EraseResult work(const std::atomic<bool>& stop);
    /// Sleeps one poll interval; false when a stop was asked meanwhile.
    bool waitInterval(const std::atomic<bool>& stop) const;

    EraseSnapshot snapshot_;
    std::atomic<bool> stop_{false};
};

/// Any NOT READY answer: the drive is still erasing (polled on, within the
/// time limit); any other sense is an error.
bool stillErasing(const ScsiResult& result);

} // namespace brenlow
