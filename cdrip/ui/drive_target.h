#pragma once
// A drive as a drive command needs it: the layer, shared with the command
// queue's worker, and the drive's address. Commands for it go through the
// queue, so the window never waits on the drive.

#include "cdrip/scsi/drive_table.h"
#include "cdrip/scsi/scsi_transport.h"
#include "cdrip/ui/drive_command_queue.h"

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace brenlow {

struct DriveTarget {
    std::shared_ptr<ScsiTransport> transport;
    DriveAddress address;
};

/// Runs `work` (transport, address) for `target` on `queue`; `done` gets its
/// answer on the window thread. Nothing is sent without a target.
template <class Work, class Done>
void postToDrive(DriveCommandQueue& queue, const std::optional<DriveTarget>& target, Work work, Done done)
{
    if (!target)
        return;
    using Result = decltype(work(std::declval<ScsiTransport&>(), DriveAddress{}));
    queue.post<Result>([target = *target, work] { return work(*target.transport, target.address); },
                       std::function<void(const Result&)>(std::move(done)));
}

/// Sends STOP PLAY/SCAN to every drive in `targets`.
void stopEveryDrive(DriveCommandQueue& queue, const std::vector<DriveTarget>& targets);

} // namespace brenlow
