#include "cdrip/scsi/background_file_writer.h"

namespace brenlow {

BackgroundFileWriter::BackgroundFileWriter(QFileDevice& file, std::size_t capacity) : file_(file)
{
    for (auto& buffer : buffers_)
        buffer.resize(capacity);
    worker_ = std::thread([this] { run(); });
}

BackgroundFileWriter::~BackgroundFileWriter()
{
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

bool BackgroundFileWriter::submit(std::size_t size)
{
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        if (failed_)
            return false;
        pendingSize_ = std::min(size, buffers_[filling_].size());
        busy_ = pendingSize_ > 0;
        filling_ = 1 - filling_;
    }
    changed_.notify_all();
    return true;
}

bool BackgroundFileWriter::finish()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    return !failed_;
}

void BackgroundFileWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || busy_; });
        if (quit_)
            return;
        // The buffer handed last is the one not being filled.
        const std::vector<std::uint8_t>& written = buffers_[1 - filling_];
        const auto size = qint64(pendingSize_);
        lock.unlock();
        const bool ok = file_.write(reinterpret_cast<const char*>(written.data()), size) == size;
        lock.lock();
        failed_ = failed_ || !ok;
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace brenlow
