#pragma once
// Drive commands off the window thread: one worker thread runs them in the
// order they were posted, and each answer comes back to the window thread as
// a queued call. The window never sleeps on a drive.

#include "cdrip/jobs/job_thread.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace brenlow {

class DriveCommandQueue : public QObject {
    Q_OBJECT
public:
    explicit DriveCommandQueue(QObject* parent = nullptr);
    /// Waits for the command running now; later ones are dropped.
    ~DriveCommandQueue() override;

    /// Runs `work` on the worker thread, then `done` with its result on the
    /// thread of this object (not at all once the object is gone).
    template <class Result>
    void post(std::function<Result()> work, std::function<void(const Result&)> done)
    {
        auto result = std::make_shared<Result>();
        postRaw([work = std::move(work), result] { *result = work(); },
                [done = std::move(done), result] { done(*result); });
    }

    /// Commands posted and not yet answered.
    int pending() const { return pending_; }
    /// Runs the event loop until every posted command has been answered
    /// (close steps and tests; the window stays responsive meanwhile).
    void waitUntilIdle();

signals:
    void idle();

private:
    struct Command {
        std::function<void()> work;
        std::function<void()> done;
    };
    void postRaw(std::function<void()> work, std::function<void()> done);
    /// The worker's loop: runs commands until a stop is requested.
    void serve(const std::atomic<bool>& stop);
    void answered(const std::function<void()>& done);

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Command> commands_; // guarded by mutex_
    int pending_ = 0;
    JobThread worker_; // last: stopped and waited for before the queue goes
};

} // namespace brenlow
