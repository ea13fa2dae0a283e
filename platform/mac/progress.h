#pragma once
// Progress reporting and the stop flag of the long-running calls.

#include "platform/mac/mac_library.h"

#include <algorithm>

namespace quandor::mac {

class Progress {
public:
    Progress(std::atomic<int>* percent, const ProgressCallback& callback, const std::atomic<int>* stopFlag)
        : percent_(percent), callback_(callback), stopFlag_(stopFlag)
    {
    }

    /// Publishes `done` of `total` as whole percent and as thousandths of a percent.
    void report(qint64 done, qint64 total)
    {
        const int thousandths = total > 0 ? int(std::clamp<qint64>(done * 100000 / total, 0, 100000)) : 100000;
        if (percent_)
            percent_->store(thousandths / 1000);
        if (callback_)
            callback_(thousandths);
    }

    bool stopRequested() const { return stopFlag_ && stopFlag_->load() == 1; }

private:
    std::atomic<int>* percent_;
    const ProgressCallback& callback_;
    const std::atomic<int>* stopFlag_;
};

} // namespace quandor::mac
