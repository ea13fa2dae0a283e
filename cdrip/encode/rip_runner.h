#pragma once
// Runs a rip on its own thread and reports back on the thread that owns the
// runner (the user-interface thread) through queued signals. The stop
// question is asked there too, while the worker waits at its check.

#include "cdrip/encode/rip_job.h"
#include "cdrip/jobs/job_thread.h"

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace brenlow {

class RipRunner : public QObject {
    Q_OBJECT
public:
    explicit RipRunner(QObject* parent = nullptr);
    /// Waits for a running rip; a pending stop question is answered "stop".
    ~RipRunner() override;

    /// Asked on the owner's thread when a stop was requested; true stops.
    void setStopQuestion(std::function<bool()> question) { question_ = std::move(question); }

    /// Starts `job`; false when a rip is running already.
    bool start(RipJob job);
    /// The stop command: the rip asks the stop question at its next check.
    void requestStop() { worker_.requestStop(); }
    bool isRunning() const { return worker_.isRunning(); }
    /// Stops at the next check without asking (the window is closing).
    void cancel();
    /// Waits until the rip has ended and its signals are delivered.
    void wait();

signals:
    void trackProgress(int trackIndex, int percent);
    void trackFinished(int trackIndex);
    void problem(const brenlow::RipReport& report);
    void finished(brenlow::RipOutcome outcome);

private:
    class Bridge;
    bool askStop(); // worker thread
    void answer(bool stop);

    std::function<bool()> question_;

    std::mutex mutex_;
    std::condition_variable answered_;
    bool answerReady_ = false;
    bool answerStop_ = false;
    bool abandoned_ = false;
    JobThread worker_; // last: goes first, once the rip has ended
};

} // namespace brenlow

Q_DECLARE_METATYPE(brenlow::RipReport)
Q_DECLARE_METATYPE(brenlow::RipOutcome)
