#include "cdrip/scsi/track_table.h"

#include <algorithm>

namespace brenlow {

const Track* TrackTable::at(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return &m_tracks[static_cast<std::size_t>(index)];
}

Track* TrackTable::at(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    return &m_tracks[static_cast<std::size_t>(index)];
}

bool TrackTable::anyAudioSelected() const
{
    return std::any_of(m_tracks.begin(), m_tracks.end(),
                       [](const Track& t) { return t.selected == 1 && !t.dataTrack(); });
}

void TrackTable::selectAll(bool selected)
{
    for (Track& track : m_tracks)
        track.selected = selected ? 1 : 0;
}

} // namespace brenlow
