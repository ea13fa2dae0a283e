#include "cdrip/ui/cd_player.h"

#include "cdrip/scsi/drive_control.h"
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

CdPlayer::CdPlayer(DriveCommandQueue& queue, const TrackTable& tracks, PlayerDrive& drive, PlayerView& view,
                   QObject* parent)
    : QObject(parent),
      queue_(queue),
      tracks_(tracks),
      drive_(drive),
      view_(view)
{
    setObjectName(QStringLiteral("cdPlayer"));
}

void CdPlayer::forgetPlaying()
{
    isPlaying_ = false;
    isPaused_ = false;
    view_.positionBar()->setRange(0, 0); // the bar goes back to the start, as after Stop
    view_.positionBar()->setValue(0);
}

void CdPlayer::stopAndForget()
{
    if (!isPlaying_)
        return;
    stop();
    forgetPlaying();
}

void CdPlayer::playFocused()
{
    if (drive_.jobRunning())
        return;
    drive_.setCurrentTrack(drive_.focusedRow());
    if (drive_.currentTrack() == -1) {
        quandor::shell::messageBox(view_.positionBar()->window(), view_.text(kNoFocusedTrackLine),
                                   QStringLiteral("Brenlow"), quandor::shell::MessageButtons::Ok,
                                   quandor::shell::MessageIcon::Information);
        return;
    }
    playTrack(drive_.currentTrack());
}

void CdPlayer::playTrack(int index)
{
    if (drive_.jobRunning() || !tracks_.at(index))
        return;
    onSelectedDrive(
        [tracks = tracks_, index](ScsiTransport& transport, const DriveAddress& address) {
            return brenlow::playTrack(transport, address, tracks, index);
        },
        [this, index](const ScsiResult& result) {
            const Track* track = tracks_.at(index);
            if (!result.ok() || !track)
                return;
            isPlaying_ = true;
            isPaused_ = false;
            playStart_ = track->start;
            view_.positionBar()->setRange(0, track->lengthFrames);
            view_.positionBar()->setValue(0);
            showPlaying();
        });
}

void CdPlayer::showPlaying()
{
    QString status = view_.text(kPlayingLine) + QString::number(drive_.currentTrack() + 1);
    if (isPaused_)
        status += view_.text(kPausedLine);
    view_.showPlayState(status);
}

void CdPlayer::showStopped()
{
    isPaused_ = false;
    isPlaying_ = false;
    view_.showPlayState(QString::number(tracks_.count()) + view_.text(kTrackCountLine));
    view_.positionBar()->setRange(0, 0);
    view_.positionBar()->setValue(0);
}

void CdPlayer::stop()
{
    if (drive_.jobRunning())
        return;
    onSelectedDrive([](ScsiTransport& transport, const DriveAddress& address) { return stopPlay(transport, address); },
                    [this](const ScsiResult& result) {
                        if (result.ok())
                            showStopped();
                    });
}

void CdPlayer::pauseResume()
{
    if (!isPlaying_ || drive_.jobRunning())
        return;
    const bool resume = isPaused_;
    onSelectedDrive([resume](ScsiTransport& transport,
                             const DriveAddress& address) { return brenlow::pauseResume(transport, address, resume); },
                    [this, resume](const ScsiResult& result) {
                        if (!result.ok() || !isPlaying_)
                            return;
                        isPaused_ = !resume;
                        showPlaying();
                    });
}

void CdPlayer::next()
{
    if (drive_.jobRunning() || tracks_.empty() || drive_.currentTrack() == -1)
        return;
    const int track = (drive_.currentTrack() + 1) % tracks_.count();
    drive_.setCurrentTrack(track);
    playTrack(track);
}

void CdPlayer::previous()
{
    if (drive_.jobRunning() || tracks_.empty() || drive_.currentTrack() == -1)
        return;
    const int track = drive_.currentTrack() == 0 ? tracks_.count() - 1 : drive_.currentTrack() - 1;
    drive_.setCurrentTrack(track);
    playTrack(track);
}

void CdPlayer::clockTick()
{
    if (!isPlaying_ || isPaused_ || stopping_)
        return;
    QScrollBar* bar = view_.positionBar();
    const int p = bar->value();
    bar->setValue(p + kClockStepFrames);
    const int seconds = (p + kClockStepFrames) / kFramesPerSecond;
    view_.showPlayState(QStringLiteral("%1%2 (%3:%4)")
                            .arg(view_.text(kPlayingLine))
                            .arg(drive_.currentTrack() + 1)
                            .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                            .arg(seconds % 60, 2, 10, QLatin1Char('0')));
    if (bar->maximum() - kClockStepFrames < p + kClockStepFrames) {
        // The end of the track: stop every drive; the selected one's answer
        // stops the player.
        stopping_ = true;
        stopEveryDrive(queue_, drive_.everyTarget());
        onSelectedDrive(
            [](ScsiTransport& transport, const DriveAddress& address) { return stopPlay(transport, address); },
            [this](const ScsiResult& result) {
                stopping_ = false;
                if (result.ok())
                    showStopped();
            });
        if (!drive_.selectedTarget())
            stopping_ = false;
    }
}

void CdPlayer::seek(int action)
{
    QScrollBar* bar = view_.positionBar();
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
    QScrollBar* bar = view_.positionBar();
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
    if (drive_.currentTrack() == -1)
        return;
    onSelectedDrive(
        [tracks = tracks_, index = drive_.currentTrack(), start](ScsiTransport& transport,
                                                                 const DriveAddress& address) {
            return brenlow::playFrom(transport, address, tracks, index, start);
        },
        [](const ScsiResult&) {});
}

} // namespace brenlow
