#include "cdrip/encode/rip_runner.h"

#include "cdrip/encode/rip_engine.h"

#include <QCoreApplication>

namespace brenlow {

/// Forwards the engine's reports to the runner's thread.
class RipRunner::Bridge final : public RipObserver {
public:
    explicit Bridge(RipRunner& runner) : runner_(runner) {}
    void progress(int trackIndex, int percent) override
    {
        post([r = &runner_, trackIndex, percent] { emit r->trackProgress(trackIndex, percent); });
    }
    void trackFinished(int trackIndex) override
    {
        post([r = &runner_, trackIndex] { emit r->trackFinished(trackIndex); });
    }
    void problem(const RipReport& report) override
    {
        post([r = &runner_, report] { emit r->problem(report); });
    }
    bool confirmStop() override { return runner_.askStop(); }

private:
    template <typename F>
    void post(F f)
    {
        runner_.worker_.post(std::move(f));
    }
    RipRunner& runner_;
};

RipRunner::RipRunner(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<RipReport>();
    qRegisterMetaType<RipOutcome>();
}

RipRunner::~RipRunner()
{
    // The worker then stops at its next check; the JobThread waits for it.
    cancel();
}

bool RipRunner::start(RipJob job)
{
    if (worker_.isRunning())
        return false;
    {
        std::lock_guard lock(mutex_);
        abandoned_ = false;
    }
    return worker_.start(
        [this, job = std::move(job)](std::atomic<bool>& stop) mutable {
            Bridge bridge(*this);
            return RipEngine(std::move(job), stop, bridge).run();
        },
        [this](RipOutcome outcome) { emit finished(outcome); });
}

bool RipRunner::askStop()
{
    {
        std::lock_guard lock(mutex_);
        if (abandoned_)
            return true;
        answerReady_ = false;
    }
    worker_.post([this] { answer(question_ ? question_() : true); });
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [this] { return answerReady_ || abandoned_; });
    return abandoned_ || answerStop_;
}

void RipRunner::answer(bool stop)
{
    {
        std::lock_guard lock(mutex_);
        answerStop_ = stop;
        answerReady_ = true;
    }
    answered_.notify_all();
}

void RipRunner::cancel()
{
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    worker_.requestStop();
    answered_.notify_all();
}

void RipRunner::wait()
{
    while (worker_.isRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace brenlow
