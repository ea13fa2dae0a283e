#pragma once
// The rip itself: for each selected audio track, READ CD in runs of ten
// sectors (single sectors for the last few), each run handed to the track's
// encoder as it arrives, progress reported per track, the stop flag polled
// before every read. Runs on a worker thread; knows no widgets.

#include "cdrip/encode/rip_job.h"

#include <atomic>

namespace brenlow {

class RipEngine {
public:
    RipEngine(RipJob job, std::atomic<bool>& stopRequested, RipObserver& observer);

    RipOutcome run();

private:
    enum class TrackResult { Done, Stopped, Failed };
    TrackResult ripTrack(const RipTrack& track, const QString& path, class TrackEncoder& encoder);
    RipOutcome fail(RipProblem problem, const QString& path, int trackNumber = 0, const QString& reason = {});

    const RipJob job_;
    std::atomic<bool>& stop_;
    RipObserver& observer_;
};

} // namespace brenlow
