#include "cdrip/scsi/erase_job.h"

#include "cdrip/scsi/scsi_commands.h"
#include "cdrip/scsi/writer_commands.h"

#include <thread>

namespace brenlow {

bool stillErasing(const ScsiResult& result)
{
    // Drives word "still blanking" in many ways (in progress, becoming ready,
    // format in progress, ...); any NOT READY means the erase goes on.
    return result.sense.key == sense_key::NotReady;
}

EraseJob::EraseJob(EraseSnapshot snapshot) : snapshot_(std::move(snapshot)) {}

EraseResult EraseJob::run(const std::atomic<bool>& stop)
{
    const EraseResult result = work(stop);
    emit finished(result);
    return result;
}

bool EraseJob::waitInterval(const std::atomic<bool>& stop) const
{
    using namespace std::chrono;
    const auto until = steady_clock::now() + snapshot_.pollInterval;
    while (steady_clock::now() < until) {
        if (stop.load())
            return false;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(milliseconds(10), until - steady_clock::now()));
    }
    return !stop.load();
}

EraseResult EraseJob::work(const std::atomic<bool>& stop)
{
    ScsiTransport& transport = *snapshot_.transport;
    EraseResult result;
    result.command = scsi::blank(transport, snapshot_.drive,
                                 snapshot_.fullErase ? scsi::BlankType::WholeDisc : scsi::BlankType::Minimal);
    if (!result.command.ok()) {
        result.outcome = EraseOutcome::BlankRefused;
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + snapshot_.timeLimit;
    for (;;) {
        if (!waitInterval(stop)) {
            result.outcome = EraseOutcome::Stopped;
            return result;
        }
        result.command = scsi::testUnitReady(transport, snapshot_.drive);
        if (result.command.ok())
            break;
        if (!stillErasing(result.command)) {
            result.outcome = EraseOutcome::Failed;
            return result;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            result.outcome = EraseOutcome::TimedOut;
            return result;
        }
    }
    scsi::startStopUnitEject(transport, snapshot_.drive);
    result.outcome = EraseOutcome::Erased;
    return result;
}

} // namespace brenlow
