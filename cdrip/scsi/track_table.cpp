#include "cdrip/scsi/track_table.h"

#include <algorithm>

namespace brenlow {

const Track* TrackTable::at(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return &tracks_[static_cast<std::size_t>(index)];
}

Track* TrackTable::at(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    return &tracks_[static_cast<std::size_t>(index)];
}

bool TrackTable::anyAudioSelected() const
{
    return std::any_of(tracks_.begin(), tracks_.end(),
                       [](const Track& t) { return t.selected == 1 && !t.dataTrack(); });
}

void TrackTable::selectAll(bool selected)
{
    for (Track& track : tracks_)
        track.selected = selected ? 1 : 0;
}

} // namespace brenlow
