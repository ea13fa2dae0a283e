#pragma once
// The tracks of the disc in the selected drive, as the last table-of-contents
// read found them. A plain value: jobs take a copy when they start and report
// progress back; only the main dialog changes the table it shows.

#include "cdrip/scsi/msf.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace brenlow {

/// One track of the table of contents. Its place on the disc is an address
/// and a frame count; MSF times are made from them where one is read or shown.
struct Track {
    int number = 0;       ///< 1-based position on the disc (index + 1)
    Lba start;            ///< the address of its INDEX 01
    int lengthFrames = 0; ///< up to the next track, or the lead-out
    QString title;
    int progress = 1;         ///< rip progress in percent; 1 after reading (drawn as 0 %)
    int selected = 1;         ///< 1 = rip this track
    std::uint8_t control = 0; ///< Q-channel control bits of the TOC entry

    bool preEmphasis() const { return control & 0x01; }
    bool dataTrack() const { return control & 0x04; }

    /// The first address after the track.
    Lba end() const { return start + lengthFrames; }
};

class TrackTable {
public:
    /// A table of contents lists at most 99 tracks; the table keeps them all.
    static constexpr int kMaxTracks = 99;

    int count() const { return static_cast<int>(tracks_.size()); }
    bool empty() const { return tracks_.empty(); }
    void clear()
    {
        tracks_.clear();
        leadOut_ = Lba{};
    }

    /// Nullptr for an index outside the table.
    const Track* at(int index) const;
    Track* at(int index);
    const std::vector<Track>& tracks() const { return tracks_; }
    std::vector<Track>& tracks() { return tracks_; }

    /// The lead-out address: the end of the last track.
    Lba leadOut() const { return leadOut_; }

    void setTracks(std::vector<Track> tracks, Lba leadOut)
    {
        tracks_ = std::move(tracks);
        leadOut_ = leadOut;
    }

    /// True when an audio track is selected: data tracks are never ripped.
    bool anyAudioSelected() const;
    void selectAll(bool selected);

private:
    std::vector<Track> tracks_;
    Lba leadOut_;
};

} // namespace brenlow
