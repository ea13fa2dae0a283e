#pragma once
// Progress reporting and the stop flag of the long-running calls.

#include "platform/mac/mac_library.h"

#include <algorithm>

namespace quandor::mac {

class Progress {
public:
    Progress(std::atomic<int>* percent, const ProgressCallback& callback, const std::atomic<int>* stopFlag)
        : percent_(percent),
          callback_(callback),
          stopFlag_(stopFlag)
    {}

    /// Publishes `done` of `total` as whole percent and as thousandths of a
    /// percent. The callback hears the start, the end, and steps of at least
    /// a tenth of a percent in between, so a caller that refreshes its window
    /// on each call is not slowed down by long files.
    void report(qint64 done, qint64 total)
    {
        const int thousandths = total > 0 ? int(std::clamp<qint64>(done * 100000 / total, 0, 100000)) : 100000;
        if (percent_)
            percent_->store(thousandths / 1000);
        const bool worthTelling = thousandths == 0 || thousandths == 100000 || thousandths - lastTold_ >= kStep;
        if (callback_ && worthTelling) {
            lastTold_ = thousandths;
            callback_(thousandths);
        }
    }

    bool stopRequested() const { return stopFlag_ && stopFlag_->load() == 1; }

private:
    static constexpr int kStep = 100;

    std::atomic<int>* percent_;
    int lastTold_ = 0;
    const ProgressCallback& callback_;
    const std::atomic<int>* stopFlag_;
};

} // namespace quandor::mac
