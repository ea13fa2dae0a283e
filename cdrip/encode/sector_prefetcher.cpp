#include "cdrip/encode/sector_prefetcher.h"

#include "cdrip/scsi/msf.h"

namespace brenlow {

SectorPrefetcher::SectorPrefetcher(SectorReader& drive, int maxSectors) : drive_(drive)
{
    for (auto& buffer : buffers_)
        buffer.resize(size_t(maxSectors) * kSectorBytes);
    worker_ = std::thread([this] { run(); });
}

SectorPrefetcher::~SectorPrefetcher()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void SectorPrefetcher::request(int64_t lba, int count)
{
    {
        std::lock_guard lock(mutex_);
        lba_ = lba;
        count_ = count;
        pending_ = true;
        done_ = false;
    }
    changed_.notify_all();
}

const uint8_t* SectorPrefetcher::take()
{
    std::unique_lock lock(mutex_);
    if (!pending_)
        return nullptr;
    changed_.wait(lock, [this] { return done_; });
    pending_ = false;
    const int filled = filling_;
    filling_ = 1 - filling_;
    return ok_ ? buffers_[filled].data() : nullptr;
}

void SectorPrefetcher::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || (pending_ && !done_); });
        if (quit_)
            return;
        const int64_t lba = lba_;
        const int count = count_;
        uint8_t* target = buffers_[filling_].data();
        lock.unlock();
        const bool ok = drive_.readCdda(lba, count, target);
        lock.lock();
        ok_ = ok;
        done_ = true;
        changed_.notify_all();
    }
}

} // namespace brenlow
