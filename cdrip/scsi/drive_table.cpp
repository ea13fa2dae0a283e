#include "cdrip/scsi/drive_table.h"

namespace brenlow {

bool DriveTable::add(DriveRecord drive)
{
    if (count() >= kMaxDrives)
        return false;
    drives_.push_back(std::move(drive));
    return true;
}

const DriveRecord* DriveTable::at(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return &drives_[static_cast<std::size_t>(index)];
}

} // namespace brenlow
