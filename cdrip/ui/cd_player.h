#pragma once
// The main dialog's audio-CD player: play, pause and resume, stop, next and
// previous track, the one-second clock and the position bar. It plays on the
// drive selected in the drive list and sends its commands through the drive
// command queue, so the window never waits on the drive.

#include "cdrip/scsi/msf.h"
#include "cdrip/scsi/track_table.h"
#include "cdrip/ui/drive_target.h"
#include "cdrip/ui/player_drive.h"
#include "cdrip/ui/player_view.h"

#include <QObject>

namespace brenlow {

class CdPlayer : public QObject {
    Q_OBJECT
public:
    /// Plays the tracks of `tracks` on `drive`'s selected drive through
    /// `queue`, showing its state in `view`.
    CdPlayer(DriveCommandQueue& queue, const TrackTable& tracks, PlayerDrive& drive, PlayerView& view,
             QObject* parent = nullptr);

    bool isPlaying() const { return isPlaying_; }

    void playFocused(); // 1044
    void playTrack(int index);
    void stop();               // 1048
    void pauseResume();        // 1049
    void next();               // 1050
    void previous();           // 1051
    void clockTick();          // timer 1100
    void seek(int action);     // position bar 1090, QAbstractSlider action
    void seekTo(int position); // the thumb let go
    /// The drive no longer plays for a reason of its own (eject, drive
    /// change): the player is stopped without a command, its bar reset.
    void forgetPlaying();
    /// The disc view is emptied: a track playing is stopped and forgotten.
    void stopAndForget();

private:
    void playFrom(Lba start);
    void showStopped();
    void showPlaying();
    template <class Work, class Done>
    void onSelectedDrive(Work work, Done done)
    {
        postToDrive(queue_, drive_.selectedTarget(), std::move(work), std::move(done));
    }

    DriveCommandQueue& queue_;
    const TrackTable& tracks_;
    PlayerDrive& drive_;
    PlayerView& view_;
    bool isPlaying_ = false;
    bool isPaused_ = false;
    bool stopping_ = false;
    Lba playStart_;
};

} // namespace brenlow
