#include "cdrip/encode/sector_prefetcher.h"

namespace brenlow {

SectorPrefetcher::SectorPrefetcher(SectorReader& drive, Lba start, int64_t sectors)
    : drive_(drive),
      start_(start),
      sectors_(sectors)
{
    for (Batch& batch : batches_) {
        batch.bytes.resize(size_t(kRunsPerBatch) * kSectorsPerRun * kSectorBytes);
        batch.runs.reserve(kRunsPerBatch);
    }
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

const SectorPrefetcher::Batch& SectorPrefetcher::next()
{
    std::unique_lock lock(mutex_);
    released_ = handed_;
    changed_.notify_all(); // the batch handed before may be filled again
    changed_.wait(lock, [this] { return filled_ > handed_ || ended_; });
    if (filled_ == handed_) {
        static const Batch end;
        return end;
    }
    return batches_[handed_++ % kBatches];
}

bool SectorPrefetcher::fill(Batch& batch, int64_t& done)
{
    batch.runs.clear();
    batch.failed = false;
    uint8_t* target = batch.bytes.data();
    while (done < sectors_ && int(batch.runs.size()) < kRunsPerBatch) {
        if (quit_.load())
            return false;
        const int count = sectors_ - done < kSectorsPerRun ? 1 : kSectorsPerRun;
        if (!drive_.readCdda(start_ + static_cast<int>(done), count, target)) {
            batch.failed = true;
            return false;
        }
        batch.runs.push_back(count);
        target += size_t(count) * kSectorBytes;
        done += count;
    }
    return done < sectors_;
}

void SectorPrefetcher::run()
{
    int64_t done = 0;
    bool more = true;
    while (more) {
        std::unique_lock lock(mutex_);
        // Every batch may be in use: one with the rip, the others waiting for it.
        changed_.wait(lock, [this] { return quit_.load() || filled_ - released_ < kBatches; });
        if (quit_)
            return;
        Batch& batch = batches_[filled_ % kBatches];
        lock.unlock();
        more = fill(batch, done);
        lock.lock();
        if (quit_)
            return;
        ++filled_;
        ended_ = !more;
        lock.unlock();
        changed_.notify_all();
    }
}

} // namespace brenlow
