#pragma once
// FIFOs for tests of code that must never block on one: each is made in the
// constructor; should the code under test still be waiting in open() or read()
// after the grace period, the guard opens the FIFO's other end (and writes
// nothing) so that the test ends and reports the fault instead of hanging.

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quandor::test {

class FifoGuard {
public:
    explicit FifoGuard(QStringList paths, int graceMs = 5000);
    ~FifoGuard();
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    /// True when every FIFO was made.
    bool made() const { return made_; }
    /// True when the guard had to release a blocked reader.
    bool released() const { return released_; }

private:
    QStringList paths_;
    bool made_ = true;
    std::atomic<bool> released_{false};
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watchdog_;
};

} // namespace quandor::test
