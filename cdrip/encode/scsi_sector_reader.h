#pragma once
// Reads audio sectors of one drive with READ CD through the SCSI transport.

#include "cdrip/encode/rip_job.h"
#include "cdrip/scsi/scsi_transport.h"

#include <memory>

namespace brenlow {

class ScsiSectorReader final : public SectorReader {
public:
    ScsiSectorReader(std::shared_ptr<ScsiTransport> transport, DriveAddress drive)
        : transport_(std::move(transport)),
          drive_(drive)
    {}
    /// READ CD of CD-DA sectors only: a data sector is refused by the drive.
    bool readCdda(Lba start, int count, uint8_t* buffer) override;

private:
    std::shared_ptr<ScsiTransport> transport_;
    DriveAddress drive_;
};

} // namespace brenlow
