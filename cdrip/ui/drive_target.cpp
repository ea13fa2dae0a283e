#include "cdrip/ui/drive_target.h"

#include "cdrip/scsi/drive_control.h"

namespace brenlow {

void stopEveryDrive(DriveCommandQueue& queue, const std::vector<DriveTarget>& targets)
{
    for (const DriveTarget& target : targets)
        postToDrive(
            queue, target,
            [](ScsiTransport& transport, const DriveAddress& address) { return stopPlay(transport, address); },
            [](const ScsiResult&) {});
}

} // namespace brenlow
