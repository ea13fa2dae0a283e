#include "cdrip/encode/rip_runner.h"

#include "cdrip/encode/rip_engine.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

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
        QMetaObject::invokeMethod(&runner_, std::move(f), Qt::QueuedConnection);
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
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    answered_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

bool RipRunner::start(RipJob job)
{
    if (running_)
        return false;
    if (worker_.joinable())
        worker_.join();
    running_ = true;
    stop_.store(false);
    {
        std::lock_guard lock(mutex_);
        abandoned_ = false;
    }
    worker_ = std::thread([this, job = std::move(job)]() mutable {
        Bridge bridge(*this);
        const RipOutcome outcome = RipEngine(std::move(job), stop_, bridge).run();
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                running_ = false;
                emit finished(outcome);
            },
            Qt::QueuedConnection);
    });
    return true;
}

bool RipRunner::askStop()
{
    {
        std::lock_guard lock(mutex_);
        if (abandoned_)
            return true;
        answerReady_ = false;
    }
    QMetaObject::invokeMethod(
        this, [this] { answer(question_ ? question_() : true); }, Qt::QueuedConnection);
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
    stop_.store(true);
    answered_.notify_all();
}

void RipRunner::wait()
{
    while (running_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace brenlow
