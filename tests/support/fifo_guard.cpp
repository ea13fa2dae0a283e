#include "tests/support/fifo_guard.h"

#include <QFile>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quandor::test {

FifoGuard::FifoGuard(QStringList paths, int graceMs) : paths_(std::move(paths))
{
    for (const QString& path : paths_)
        made_ = made_ && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    watchdog_ = std::thread([this, graceMs] {
        std::unique_lock lock(mutex_);
        if (done_.wait_for(lock, std::chrono::milliseconds(graceMs), [this] { return finished_; }))
            return;
        released_ = true;
        for (const QString& path : paths_) {
            // Opening both ends lets a blocked open() return; closing ends a blocked read().
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                ::close(fd);
            }
        }
    });
}

FifoGuard::~FifoGuard()
{
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    done_.notify_all();
    watchdog_.join();
}

} // namespace quandor::test
