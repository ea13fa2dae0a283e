#include "cdrip/ui/drive_command_queue.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace brenlow {

DriveCommandQueue::DriveCommandQueue(QObject* parent) : QObject(parent), worker_(new QObject)
{
    thread_.setObjectName(QStringLiteral("drive commands"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

DriveCommandQueue::~DriveCommandQueue()
{
    thread_.quit();
    thread_.wait();
}

void DriveCommandQueue::postRaw(std::function<void()> work, std::function<void()> done)
{
    ++pending_;
    // The destructor waits for the worker, so `this` outlives every call
    // the worker queues to it; calls still queued when it goes are dropped.
    QMetaObject::invokeMethod(worker_, [this, work = std::move(work), done = std::move(done)]() mutable {
        work();
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done)] {
                --pending_;
                done();
                if (pending_ == 0)
                    emit idle();
            },
            Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void DriveCommandQueue::waitUntilIdle()
{
    while (pending_ > 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace brenlow
