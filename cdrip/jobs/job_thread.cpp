#include "cdrip/jobs/job_thread.h"

#include <QMetaObject>

namespace brenlow {

JobThread::JobThread(QObject* parent) : QObject(parent) {}

JobThread::~JobThread()
{
    requestStop();
    wait();
}

bool JobThread::startRaw(std::function<std::function<void()>(std::atomic<bool>&)> job)
{
    if (running_)
        return false;
    running_ = true;
    stop_.store(false);
    thread_ = std::thread([this, run = ++run_, job = std::move(job)]() mutable {
        std::function<void()> done = job(stop_);
        post([this, run, done = std::move(done)] { ended(run, done); });
    });
    return true;
}

void JobThread::ended(int run, const std::function<void()>& done)
{
    if (run != run_ || !running_)
        return;
    join(); // the thread has posted its last call: this is immediate
    running_ = false;
    done();
}

void JobThread::post(std::function<void()> call)
{
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void JobThread::wait()
{
    join();
    running_ = false;
}

void JobThread::join()
{
    if (thread_.joinable())
        thread_.join();
}

} // namespace brenlow
