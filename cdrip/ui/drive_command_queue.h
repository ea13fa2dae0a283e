#pragma once
// Drive commands off the window thread: one worker thread runs them in the
// order they were posted, and each answer comes back to the window thread as
// a queued call. The window never sleeps on a drive.

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

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
    void postRaw(std::function<void()> work, std::function<void()> done);

    QThread thread_;
    QObject* worker_ = nullptr;
    int pending_ = 0;
};

} // namespace brenlow
