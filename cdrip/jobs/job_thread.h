#pragma once
// Runs one job on its own thread for an owner on the window thread. The job
// polls a stop flag that the owner raises; whatever it posts, and its end,
// reach the owner's thread as queued calls. Destroying the JobThread asks the
// job to stop and waits for it, so a job never outlives the object that
// started it, and calls still queued then are dropped.
//
// The JobThread lives on the thread that creates it (the owner's). Declare it
// after everything its job uses, so that it goes (and waits) first.

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>
#include <type_traits>
#include <utility>

namespace brenlow {

class JobThread : public QObject {
    Q_OBJECT
public:
    explicit JobThread(QObject* parent = nullptr);
    /// Asks the job to stop and waits for it; its finished call is dropped.
    ~JobThread() override;

    /// Runs `job(stop)` on a new thread, then `done(result)` on the owner's
    /// thread once the thread has ended. False when a job is running already.
    template <class Job, class Done>
    bool start(Job job, Done done)
    {
        using Result = std::invoke_result_t<Job&, std::atomic<bool>&>;
        return startRaw(
            [job = std::move(job), done = std::move(done)](std::atomic<bool>& stop) mutable -> std::function<void()> {
                if constexpr (std::is_void_v<Result>) {
                    job(stop);
                    return [done = std::move(done)]() mutable { done(); };
                } else {
                    return [done = std::move(done), result = job(stop)]() mutable { done(result); };
                }
            });
    }

    /// From start until its finished call has been delivered.
    bool isRunning() const { return running_; }
    /// Asks the running job to stop at its next check (any thread).
    void requestStop() { stop_.store(true); }
    bool stopRequested() const { return stop_.load(); }

    /// Queues `call` to the owner's thread (any thread; dropped once this
    /// object is gone).
    void post(std::function<void()> call);
    /// Blocks until the job has returned, without running the event loop.
    /// The caller takes over its end: the finished call is dropped, and the
    /// next job may start at once.
    void wait();

private:
    bool startRaw(std::function<std::function<void()>(std::atomic<bool>&)> job);
    void ended(int run, const std::function<void()>& done);
    void join();

    std::atomic<bool> stop_{false};
    bool running_ = false;
    int run_ = 0; ///< one per start: the end of a job that was waited for is not delivered
    std::thread thread_;
};

} // namespace brenlow
