#pragma once
// Reads the next run of sectors on a thread of its own while the rip encodes
// the run before it, so drive time and encoder time overlap.

#include "cdrip/encode/rip_job.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace brenlow {

class SectorPrefetcher {
public:
    /// Reads through `drive`; each run holds at most `maxSectors` sectors.
    SectorPrefetcher(SectorReader& drive, int maxSectors);
    /// Waits for a read in flight.
    ~SectorPrefetcher();
    SectorPrefetcher(const SectorPrefetcher&) = delete;
    SectorPrefetcher& operator=(const SectorPrefetcher&) = delete;

    /// Starts reading `count` sectors from `lba` (one read at a time).
    void request(int64_t lba, int count);
    /// Waits for the requested run; its bytes, or nullptr when the read failed.
    /// The bytes stay valid until the next take().
    const uint8_t* take();

private:
    void run();

    SectorReader& drive_;
    std::vector<uint8_t> buffers_[2];
    int filling_ = 0;        ///< the buffer the next read fills
    std::mutex mutex_;
    std::condition_variable changed_;
    bool pending_ = false;   ///< a read is asked for and not yet taken
    bool done_ = false;      ///< the asked-for read has ended
    bool ok_ = false;
    bool quit_ = false;
    int64_t lba_ = 0;
    int count_ = 0;
    std::thread worker_;
};

} // namespace brenlow
