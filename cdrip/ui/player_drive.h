#pragma once
// What the CD player asks of the drive side: which drive plays, whether a
// job holds the drives, and the track it plays (shared with the track list,
// which focuses and resets it).

#include "cdrip/ui/drive_target.h"

#include <optional>
#include <vector>

namespace brenlow {

class PlayerDrive {
public:
    /// The drive selected in the drive list; nullopt: none, or no layer.
    virtual std::optional<DriveTarget> selectedTarget() const = 0;
    virtual std::vector<DriveTarget> everyTarget() const = 0;
    virtual bool jobRunning() const = 0;
    /// The track last played, focused for editing or stepped to; -1: none.
    virtual int currentTrack() const = 0;
    virtual void setCurrentTrack(int index) = 0;
    /// The focused row of the track list; -1: none.
    virtual int focusedRow() const = 0;

protected:
    ~PlayerDrive() = default;
};

} // namespace brenlow
