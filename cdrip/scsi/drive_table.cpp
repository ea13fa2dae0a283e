#include "cdrip/scsi/drive_table.h"

namespace brenlow {

bool DriveTable::add(DriveRecord drive)
{
    if (count() >= kMaxDrives)
        return false;
    m_drives.push_back(std::move(drive));
    return true;
}

const DriveRecord* DriveTable::at(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return &m_drives[static_cast<std::size_t>(index)];
}

} // namespace brenlow
