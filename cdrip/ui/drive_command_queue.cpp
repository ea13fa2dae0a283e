#include "cdrip/ui/drive_command_queue.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace brenlow {

DriveCommandQueue::DriveCommandQueue(QObject* parent) : QObject(parent)
{
    // One long-lived loop: a drive takes its commands one at a time, in order.
    worker_.start([this](const std::atomic<bool>& stop) { serve(stop); }, [] {});
}

DriveCommandQueue::~DriveCommandQueue()
{
    worker_.requestStop();
    {
        // Taken so that the loop is either before its check or waiting: the
        // wake-up cannot fall between the two.
        std::lock_guard lock(mutex_);
    }
    posted_.notify_all();
}

void DriveCommandQueue::postRaw(std::function<void()> work, std::function<void()> done)
{
    ++pending_;
    {
        std::lock_guard lock(mutex_);
        commands_.push_back({std::move(work), std::move(done)});
    }
    posted_.notify_one();
}

void DriveCommandQueue::serve(const std::atomic<bool>& stop)
{
    for (;;) {
        Command command;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [&] { return stop.load() || !commands_.empty(); });
            if (stop.load())
                return;
            command = std::move(commands_.front());
            commands_.pop_front();
        }
        command.work();
        // Dropped by the JobThread once the queue is gone.
        worker_.post([this, done = std::move(command.done)] { answered(done); });
    }
}

void DriveCommandQueue::answered(const std::function<void()>& done)
{
    --pending_;
    done();
    if (pending_ == 0)
        emit idle();
}

void DriveCommandQueue::waitUntilIdle()
{
    while (pending_ > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace brenlow
