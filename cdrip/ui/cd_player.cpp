#include "cdrip/ui/cd_player.h"

#include "cdrip/scsi/drive_control.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/main_dialog.h"
#include "platform/shell/services.h"

#include <QAbstractSlider>
#include <QScrollBar>

#include <algorithm>

namespace brenlow {
namespace {

// Language lines of the status bar.
constexpr int kPlayingLine = 44;
constexpr int kTrackCountLine = 46;
constexpr int kPausedLine = 47;
constexpr int kNoFocusedTrackLine = 94;

constexpr int kClockStepFrames = kFramesPerSecond; // one second per clock tick
constexpr int kLineStepFrames = 5 * kFramesPerSecond;

} // namespace

CdPlayer::CdPlayer(MainDialog& dialog, DriveController& drives) : QObject(&drives), dialog_(dialog), drives_(drives)
{
    setObjectName(QStringLiteral("cdPlayer"));
}

void CdPlayer::forgetPlaying()
{
    isPlaying_ = false;
    isPaused_ = false;
    dialog_.positionBar()->setRange(0, 0); // the bar goes back to the start, as after Stop
    dialog_.positionBar()->setValue(0);
}

void CdPlayer::playFocused()
{
    if (drives_.jobRunning())
        return;
    drives_.setCurrentTrack(drives_.focusedRow());
    if (drives_.currentTrack() == -1) {
        quandor::shell::messageBox(&dialog_, dialog_.text(kNoFocusedTrackLine), QStringLiteral("Brenlow"),
                                   quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Information);
        return;
    }
    playTrack(drives_.currentTrack());
}

void CdPlayer::playTrack(int index)
{
    if (drives_.jobRunning() || !drives_.tracks().at(index))
        return;
    drives_.onSelectedDrive(
        [tracks = drives_.tracks(), index](ScsiTransport& transport, const DriveAddress& address) {
            return brenlow::playTrack(transport, address, tracks, index);
        },
        [this, index](const ScsiResult& result) {
            const Track* track = drives_.tracks().at(index);
            if (!result.ok() || !track)
                return;
            isPlaying_ = true;
            isPaused_ = false;
            playStart_ = track->lba();
            dialog_.positionBar()->setRange(0, track->lengthFrames);
            dialog_.positionBar()->setValue(0);
            showPlaying();
        });
}

void CdPlayer::showPlaying()
{
    QString status = dialog_.text(kPlayingLine) + QString::number(drives_.currentTrack() + 1);
    if (isPaused_)
        status += dialog_.text(kPausedLine);
    dialog_.setStatusText(1, status);
}

void CdPlayer::showStopped()
{
    isPaused_ = false;
    isPlaying_ = false;
    dialog_.setStatusText(1, QString::number(drives_.tracks().count()) + dialog_.text(kTrackCountLine));
    dialog_.positionBar()->setRange(0, 0);
    dialog_.positionBar()->setValue(0);
}

void CdPlayer::stop()
{
    if (drives_.jobRunning())
        return;
    drives_.onSelectedDrive(
        [](ScsiTransport& transport, const DriveAddress& address) { return stopPlay(transport, address); },
        [this](const ScsiResult& result) {
            if (result.ok())
                showStopped();
        });
}

void CdPlayer::pauseResume()
{
    if (!isPlaying_ || drives_.jobRunning())
        return;
    const bool resume = isPaused_;
    drives_.onSelectedDrive(
        [resume](ScsiTransport& transport, const DriveAddress& address) {
            return brenlow::pauseResume(transport, address, resume);
        },
        [this, resume](const ScsiResult& result) {
            if (!result.ok() || !isPlaying_)
                return;
            isPaused_ = !resume;
            showPlaying();
        });
}

void CdPlayer::next()
{
    if (drives_.jobRunning() || drives_.tracks().empty() || drives_.currentTrack() == -1)
        return;
    const int track = (drives_.currentTrack() + 1) % drives_.tracks().count();
    drives_.setCurrentTrack(track);
    drives_.redrawRow(track);
    playTrack(track);
}

void CdPlayer::previous()
{
    if (drives_.jobRunning() || drives_.tracks().empty() || drives_.currentTrack() == -1)
        return;
    const int track = drives_.currentTrack() == 0 ? drives_.tracks().count() - 1 : drives_.currentTrack() - 1;
    drives_.setCurrentTrack(track);
    playTrack(track);
}

void CdPlayer::clockTick()
{
    if (!isPlaying_ || isPaused_ || stopping_)
        return;
    QScrollBar* bar = dialog_.positionBar();
    const int p = bar->value();
    bar->setValue(p + kClockStepFrames);
    const int seconds = (p + kClockStepFrames) / kFramesPerSecond;
    dialog_.setStatusText(1,
                          QStringLiteral("%1%2 (%3:%4)")
                              .arg(dialog_.text(kPlayingLine))
                              .arg(drives_.currentTrack() + 1)
                              .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                              .arg(seconds % 60, 2, 10, QLatin1Char('0')));
    if (bar->maximum() - kClockStepFrames < p + kClockStepFrames) {
        // The end of the track: stop every drive; the selected one's answer
        // stops the player.
        stopping_ = true;
        drives_.stopEveryDrive();
        drives_.onSelectedDrive(
            [](ScsiTransport& transport, const DriveAddress& address) { return stopPlay(transport, address); },
            [this](const ScsiResult& result) {
                stopping_ = false;
                if (result.ok())
                    showStopped();
            });
        if (!drives_.selectedDrive() || !drives_.transport())
            stopping_ = false;
    }
}

void CdPlayer::seek(int action)
{
    QScrollBar* bar = dialog_.positionBar();
    const int p = bar->value();
    int moved = p;
    if (isPlaying_ && !isPaused_) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            if (p > kLineStepFrames)
                moved = p - kLineStepFrames;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            moved = p + kLineStepFrames;
            break;
        case QAbstractSlider::SliderPageStepSub:
            if (p > kClockStepFrames)
                moved = p - kClockStepFrames;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            moved = p + kClockStepFrames;
            break;
        default:
            break; // thumb tracking and the rest: nothing
        }
    }
    if (action == QAbstractSlider::SliderMove)
        return; // the thumb is being dragged; seekTo() acts when it is let go
    // Qt applies the slider position after this call: keep it where we say.
    moved = std::clamp(moved, bar->minimum(), bar->maximum());
    bar->setSliderPosition(moved);
    if (moved != p)
        playFrom(playStart_ + moved);
}

void CdPlayer::seekTo(int position)
{
    QScrollBar* bar = dialog_.positionBar();
    if (!isPlaying_ || isPaused_) {
        bar->setSliderPosition(bar->value());
        return;
    }
    const int moved = std::clamp(position, bar->minimum(), bar->maximum());
    bar->setValue(moved);
    playFrom(playStart_ + moved);
}

void CdPlayer::playFrom(Lba start)
{
    if (drives_.currentTrack() == -1)
        return;
    drives_.onSelectedDrive(
        [tracks = drives_.tracks(), index = drives_.currentTrack(), start](ScsiTransport& transport,
                                                                           const DriveAddress& address) {
            return brenlow::playFrom(transport, address, tracks, index, start);
        },
        [](const ScsiResult&) {});
}

} // namespace brenlow
