#include "platform/aspi/scsi_device.h"

namespace quandor::aspi {

std::string accessProblemText(const DeviceAccessProblem& problem)
{
    return "No access to the drive " + problem.node + " (" + problem.reason
        + "): you need read and write access to it (on most systems, membership of the group that owns it, "
        + problem.group + ").";
}

} // namespace quandor::aspi
