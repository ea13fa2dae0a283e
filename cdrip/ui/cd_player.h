#pragma once
// The main dialog's audio-CD player: play, pause and resume, stop, next and
// previous track, the one-second clock and the position bar. It plays on the
// drive selected in the drive list and sends its commands through the drive
// controller's command queue, so the window never waits on the drive.

#include "cdrip/scsi/msf.h"

#include <QObject>

namespace brenlow {

class DriveController;
class MainDialog;

class CdPlayer : public QObject {
    Q_OBJECT
public:
    /// A child of `drives`, showing its state in `dialog`'s status bar and
    /// position bar.
    CdPlayer(MainDialog& dialog, DriveController& drives);

    bool isPlaying() const { return isPlaying_; }
    bool isPaused() const { return isPaused_; }
    /// The logical block address at which the track played starts.
    Lba playStartAddress() const { return playStart_; }

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

private:
    void playFrom(Lba start);
    void showStopped();
    void showPlaying();

    MainDialog& dialog_;
    DriveController& drives_;
    bool isPlaying_ = false;
    bool isPaused_ = false;
    bool stopping_ = false;
    Lba playStart_;
};

} // namespace brenlow
