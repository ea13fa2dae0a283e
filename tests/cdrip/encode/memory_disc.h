#pragma once
// A disc image in memory for rip tests: generated audio sectors, a log of the
// reads, sectors that fail, and a hook run before each read.

#include "cdrip/encode/rip_job.h"
#include "tests/support/wav_fixture.h"

#include <QByteArray>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

namespace brenlow::test {

struct ReadRequest {
    int64_t lba;
    int count;
    bool operator==(const ReadRequest&) const = default;
};

class MemoryDisc final : public SectorReader {
public:
    explicit MemoryDisc(int64_t sectors, unsigned seed = 3)
        : audio_(quandor::test::makePcm(quandor::test::PcmFormat{}, sectors * 588, seed))
    {}
    bool readCdda(Lba start, int count, uint8_t* buffer) override
    {
        const int64_t lba = start.value;
        std::function<void(int64_t)> hook;
        {
            std::lock_guard lock(mutex_);
            log_.push_back({lba, count});
            hook = beforeRead;
        }
        if (hook)
            hook(lba);
        for (int i = 0; i < count; ++i) {
            if (unreadable.count(lba + i) || (lba + i + 1) * 2352 > audio_.size())
                return false;
        }
        std::memcpy(buffer, audio_.constData() + lba * 2352, size_t(count) * 2352);
        return true;
    }
    QByteArray slice(int64_t lba, int64_t sectors) const { return audio_.mid(lba * 2352, sectors * 2352); }
    std::vector<ReadRequest> log() const
    {
        std::lock_guard lock(mutex_);
        return log_;
    }

    std::set<int64_t> unreadable;
    std::function<void(int64_t lba)> beforeRead;

private:
    QByteArray audio_;
    mutable std::mutex mutex_;
    std::vector<ReadRequest> log_;
};

/// The reads of one track of `sectors` sectors from `lba`: tens, then ones.
inline std::vector<ReadRequest> expectedReads(int64_t lba, int64_t sectors)
{
    std::vector<ReadRequest> reads;
    int64_t done = 0;
    while (done < sectors) {
        const int n = sectors - done < 10 ? 1 : 10;
        reads.push_back({lba + done, n});
        done += n;
    }
    return reads;
}

} // namespace brenlow::test
