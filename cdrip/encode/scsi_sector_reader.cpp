#include "cdrip/encode/scsi_sector_reader.h"

#include "cdrip/scsi/scsi_commands.h"

namespace brenlow {

bool ScsiSectorReader::readCdda(Lba start, int count, uint8_t* buffer)
{
    const std::span<std::uint8_t> data(buffer, size_t(count) * kSectorBytes);
    return scsi::readCd(*transport_, drive_, start, static_cast<uint32_t>(count), data, scsi::SectorType::CdDa).ok();
}

} // namespace brenlow
