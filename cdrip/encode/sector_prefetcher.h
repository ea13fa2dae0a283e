#pragma once
// Reads a track on a thread of its own, a few batches of runs ahead of the rip,
// so drive time and encoder time overlap. The two threads meet once a batch,
// not once a read: handing every ten-sector read across costs more than
// reading it.

#include "cdrip/encode/rip_job.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace brenlow {

class SectorPrefetcher {
public:
    /// Runs of ten sectors, single sectors for the last few of the track.
    static constexpr int kSectorsPerRun = 10;
    /// Runs read back to back into one batch.
    static constexpr int kRunsPerBatch = 16;
    /// Batches in use at once: the one with the rip and those read ahead.
    static constexpr int kBatches = 4;

    /// What one batch holds: its runs in order, their sectors back to back.
    struct Batch {
        std::vector<uint8_t> bytes;
        std::vector<int> runs; ///< sectors of each run read
        bool failed = false;   ///< the read after these runs failed; nothing follows
    };

    /// Starts reading the `sectors` sectors from `start` through `drive`.
    SectorPrefetcher(SectorReader& drive, Lba start, int64_t sectors);
    /// Stops reading ahead (after the read in flight, if any).
    ~SectorPrefetcher();
    SectorPrefetcher(const SectorPrefetcher&) = delete;
    SectorPrefetcher& operator=(const SectorPrefetcher&) = delete;

    /// Waits for the next batch and hands it over; the one handed before is
    /// given back for reading. Valid until the next call. A batch without runs
    /// that has not failed means the track is read to its end.
    const Batch& next();

private:
    void run();
    /// Reads one batch into `batch`; false after its last run of the track or a failure.
    bool fill(Batch& batch, int64_t& done);

    SectorReader& drive_;
    const Lba start_;
    const int64_t sectors_;
    Batch batches_[kBatches];
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t filled_ = 0;   ///< batches read so far
    uint64_t handed_ = 0;   ///< batches handed to the rip
    uint64_t released_ = 0; ///< batches the rip has given back
    bool ended_ = false;    ///< the reader has read its last batch
    std::atomic<bool> quit_{false};
    // A plain thread, not a JobThread: it is a helper inside the rip, which
    // already runs on a worker with no event loop, where queued calls would
    // never be delivered; the two meet under mutex_, and the destructor joins.
    std::thread worker_;
};

} // namespace brenlow
