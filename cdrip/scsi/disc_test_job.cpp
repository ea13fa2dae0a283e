#include "cdrip/scsi/disc_test_job.h"

namespace brenlow {

DiscTestResult testBurnerDisc(ScsiTransport& transport, const DriveAddress& drive)
{
    DiscTestResult result;
    if (scsi::readDvdStructure(transport, drive).ok()) {
        result.dvd = true;
        return result;
    }
    // An unknown maximum offers "Maximum" alone, which leaves the speed to the drive.
    result.maxWriteSpeed = scsi::readMaxWriteSpeed(transport, drive).value_or(kUnknownWriteSpeed);
    const scsi::DiscInformation info = scsi::readDiscInformation(transport, drive);
    result.state = info.state;
    result.capacitySectors = info.capacitySectors;
    return result;
}

DiscTestJob::DiscTestJob(std::shared_ptr<ScsiTransport> transport, DriveAddress drive)
    : transport_(std::move(transport)),
      drive_(drive)
{}

DiscTestResult DiscTestJob::run()
{
    const DiscTestResult result = testBurnerDisc(*transport_, drive_);
    emit finished(result);
    return result;
}

} // namespace brenlow
