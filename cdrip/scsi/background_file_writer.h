#pragma once
// Writes filled buffers to an open file on a thread of its own, one at a time,
// so the next buffer is filled while the last one is written.

#include <QFileDevice>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace brenlow {

class BackgroundFileWriter {
public:
    /// Writes to `file`, which must stay open, and untouched by others, until
    /// finish(); buffers of `capacity` bytes.
    BackgroundFileWriter(QFileDevice& file, std::size_t capacity);
    /// Waits for the write in flight.
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    /// The buffer to fill next.
    std::span<std::uint8_t> buffer() { return buffers_[filling_]; }
    /// Hands the first `size` bytes of buffer() over to be written after those
    /// handed before; buffer() is then the other one. False when a write has
    /// failed: nothing more is written then.
    bool submit(std::size_t size);
    /// Waits until every handed buffer is written; false when any write failed.
    bool finish();

private:
    void run();

    QFileDevice& file_;
    std::vector<std::uint8_t> buffers_[2];
    int filling_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t pendingSize_ = 0;
    bool busy_ = false; ///< the other buffer holds bytes not yet written
    bool failed_ = false;
    bool quit_ = false;
    // A plain thread, not a JobThread: it is a helper inside a job that
    // already runs on a worker with no event loop, where queued calls would
    // never be delivered; the two meet under mutex_, and the destructor joins.
    std::thread worker_;
};

} // namespace brenlow
