// The CD player of the main dialog over an emulated drive: what it sends,
// byte for byte, and how its state and texts follow the drive's answers.

#include "drive_fixture.h"

#include "cdrip/ui/cd_player.h"
#include "cdrip/ui/drive_controller.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

using namespace brenlow;
using namespace brenlow::test;

namespace {

const QString kPlayTrack1 = QStringLiteral("A5 00 00 00 00 00 00 00 47 3B 00 00");
const QString kPlayTrack2 = QStringLiteral("A5 00 00 00 47 3B 00 00 03 E8 00 00");
const QString kPlayTrack3 = QStringLiteral("A5 00 00 00 4B 23 00 00 01 F4 00 00");
const QString kPause = QStringLiteral("4B 00 00 00 00 00 00 00 00 00");
const QString kResume = QStringLiteral("4B 00 00 00 00 00 00 00 01 00");
const QString kStop = QStringLiteral("4E 00 00 00 00 00 00 00 00 00");
const QString kEject = QStringLiteral("1B 00 00 00 02 00");

} // namespace

class PlayerTest : public DriveTest {
protected:
    void SetUp() override
    {
        DriveTest::SetUp();
        loadThreeTrackDrive();
        openDialog();
        // The tests tick the clock themselves: a loaded machine must not
        // move the position bar between two steps.
        dialog_->playerClock()->stop();
        quandor::aspi::clearCommandLog();
    }
    /// The pause as the status bar shows it.
    bool paused() const { return statusPart(1).endsWith(QStringLiteral("(paused)")); }
    void play(int row)
    {
        focusRow(row);
        click(1044);
    }
};

TEST_F(PlayerTest, PlayPauseResumeStopSendTheirCommands)
{
    play(1);
    EXPECT_EQ(sentCommands(), QStringList{kPlayTrack2}); // from the track's start, LBA 18235 (0x473B)
    EXPECT_TRUE(player().isPlaying());
    EXPECT_EQ(drives().currentTrack(), 1);
    EXPECT_EQ(statusPart(1), QStringLiteral("Playing track 2"));
    EXPECT_EQ(dialog_->positionBar()->maximum(), 1000);
    EXPECT_EQ(dialog_->positionBar()->value(), 0);

    click(1049);
    EXPECT_TRUE(paused());
    EXPECT_EQ(statusPart(1), QStringLiteral("Playing track 2 (paused)"));
    player().clockTick(); // the clock stands still while paused
    EXPECT_EQ(dialog_->positionBar()->value(), 0);

    click(1049);
    EXPECT_FALSE(paused());
    EXPECT_EQ(statusPart(1), QStringLiteral("Playing track 2"));

    click(1048);
    EXPECT_FALSE(player().isPlaying());
    EXPECT_EQ(statusPart(1), QStringLiteral("3 track(s)"));
    EXPECT_EQ(dialog_->positionBar()->maximum(), 0);
    EXPECT_EQ(sentCommands(), (QStringList{kPlayTrack2, kPause, kResume, kStop}));
}

TEST_F(PlayerTest, PauseDoesNothingUnlessPlayingAndPlayClearsIt)
{
    click(1049);
    EXPECT_TRUE(sentCommands().isEmpty());
    EXPECT_FALSE(paused());

    play(0);
    click(1049);
    ASSERT_TRUE(paused());
    play(2);
    EXPECT_FALSE(paused());
    EXPECT_EQ(sentCommands(), (QStringList{kPlayTrack1, kPause, kPlayTrack3}));
}

TEST_F(PlayerTest, PlayWithoutAFocusedRowAsksForOne)
{
    click(1044);
    EXPECT_TRUE(sentCommands().isEmpty());
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, QStringLiteral("Please select the track to play first."));
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Brenlow"));
}

TEST_F(PlayerTest, NoDriveSelectedSendsNothing)
{
    dialog_->driveCombo()->setCurrentIndex(-1);
    settle();
    EXPECT_EQ(sentCommands(), QStringList{kStop}); // leaving the old drive stops it
    quandor::aspi::clearCommandLog();
    focusRow(0);
    for (int id : {1044, 1048, 1049, 1500, 1039})
        click(id);
    spin(1200);
    EXPECT_TRUE(sentCommands().isEmpty());
    EXPECT_EQ(drives().tracks().count(), 0);
}

TEST_F(PlayerTest, NextAndPreviousWrapAroundTheDisc)
{
    click(1050);
    click(1051);
    EXPECT_TRUE(sentCommands().isEmpty()); // nothing played or focused yet

    play(2);
    click(1050);
    EXPECT_EQ(drives().currentTrack(), 0);
    click(1051);
    EXPECT_EQ(drives().currentTrack(), 2);
    click(1051);
    EXPECT_EQ(drives().currentTrack(), 1);
    EXPECT_EQ(sentCommands(), (QStringList{kPlayTrack3, kPlayTrack1, kPlayTrack3, kPlayTrack2}));
}

TEST_F(PlayerTest, ClockAdvancesOneSecondAndStopsNearTheEnd)
{
    play(1);
    player().clockTick();
    EXPECT_EQ(dialog_->positionBar()->value(), 75);
    EXPECT_EQ(statusPart(1), QStringLiteral("Playing track 2 (00:01)"));

    dialog_->positionBar()->setValue(1000 - 150);
    player().clockTick();
    EXPECT_TRUE(player().isPlaying()); // 925 frames: not yet within a second of the end
    player().clockTick();
    settle();
    EXPECT_FALSE(player().isPlaying());
    EXPECT_EQ(sentCommands().last(), kStop);
}

TEST_F(PlayerTest, SeekStepsPlayFromTheNewPosition)
{
    play(1);
    QScrollBar* bar = dialog_->positionBar();
    auto seek = [&](QAbstractSlider::SliderAction action) {
        bar->triggerAction(action);
        settle();
        return bar->value();
    };
    bar->setValue(375);
    EXPECT_EQ(seek(QAbstractSlider::SliderSingleStepSub), 375); // five seconds or less: nothing
    EXPECT_EQ(seek(QAbstractSlider::SliderSingleStepAdd), 750);
    EXPECT_EQ(seek(QAbstractSlider::SliderSingleStepSub), 375);
    EXPECT_EQ(seek(QAbstractSlider::SliderPageStepAdd), 450);
    EXPECT_EQ(seek(QAbstractSlider::SliderPageStepSub), 375);
    // From 18235 + 750 = 18985 a track's length would pass the lead-out at
    // 19735: the drive is asked for the 750 frames left.
    const QStringList sent = sentCommands();
    ASSERT_EQ(sent.size(), 5);
    EXPECT_EQ(sent[1], QStringLiteral("A5 00 00 00 4A 29 00 00 02 EE 00 00"));
    EXPECT_EQ(sent[2], QStringLiteral("A5 00 00 00 48 B2 00 00 03 E8 00 00")); // 18235 + 375 = 18610
    EXPECT_EQ(sent[3], QStringLiteral("A5 00 00 00 48 FD 00 00 03 E8 00 00")); // 18685

    // Letting the thumb go plays from where it was let go.
    bar->setSliderDown(true);
    bar->setSliderPosition(600);
    bar->setSliderDown(false);
    settle();
    EXPECT_EQ(bar->value(), 600);
    EXPECT_EQ(sentCommands().last(),
              QStringLiteral("A5 00 00 00 49 93 00 00 03 84 00 00")); // 18835: 900 frames to the lead-out
}

TEST_F(PlayerTest, PositionBarDoesNothingWhilePaused)
{
    play(1);
    click(1049);
    QScrollBar* bar = dialog_->positionBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    settle();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(sentCommands(), (QStringList{kPlayTrack2, kPause}));
}

TEST_F(PlayerTest, SeekOnTheLastTrackNeverPlaysPastTheLeadOut)
{
    play(2); // 500 frames from LBA 19235; lead-out at 19735
    QScrollBar* bar = dialog_->positionBar();
    bar->setValue(300);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // 675 is past the end: the bar stops at 500
    settle();
    EXPECT_EQ(bar->value(), 500);
    bar->setValue(100);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // 475: plays the 25 frames left
    settle();
    EXPECT_EQ(sentCommands(), (QStringList{kPlayTrack3, QStringLiteral("A5 00 00 00 4C FE 00 00 00 19 00 00")}));
}

TEST_F(PlayerTest, EjectSendsStartStopUnitThenClearsTheViewWithoutBlocking)
{
    play(0);
    for (int tick = 0; tick < 3; ++tick)
        player().clockTick();
    ASSERT_EQ(dialog_->positionBar()->value(), 225);
    QElapsedTimer clock;
    clock.start();
    dialog_->button(1039)->click();
    EXPECT_LT(clock.elapsed(), 500); // the one-second wait runs on the event loop
    settle();
    EXPECT_EQ(sentCommands().last(), kEject);
    EXPECT_EQ(rows().size(), 3); // not yet: the tray is given a second
    spin(1300);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_FALSE(player().isPlaying());
    EXPECT_EQ(statusPart(1), QString());
    // The position bar goes back to the start, as Stop leaves it.
    EXPECT_EQ(dialog_->positionBar()->value(), 0);
    EXPECT_EQ(dialog_->positionBar()->maximum(), 0);
}

TEST_F(PlayerTest, CommandThatNeverCompletesFailsWithinItsTimeOutAndKeepsTheWindowResponsive)
{
    quandor::aspi::setHangingCommands({1, 0, 0}, {0x4B});
    quandor::aspi::setTimeoutMs({1, 0, 0}, 400);
    play(0);
    QElapsedTimer clock;
    clock.start();
    dialog_->button(1049)->click();
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_EQ(paused(), false);
    settle();
    EXPECT_LT(clock.elapsed(), 8000); // 400 ms, with room for a loaded machine
    EXPECT_FALSE(paused());           // the pause failed: nothing flips
    EXPECT_TRUE(player().isPlaying());
    EXPECT_FALSE(statusPart(1).contains(QStringLiteral("paused")));
}

TEST_F(PlayerTest, CommandsThatTouchTheDiscAreRefusedWhileAJobRuns)
{
    bool running = true;
    int stops = 0;
    drives().setJobControl([&running] { return running; },
                           [&] {
                               ++stops;
                               running = false;
                           });
    focusRow(0);
    dialog_->trackList()->setFocus();
    click(1044);
    click(1048);
    click(1500);
    click(1045);
    click(1042);
    drives().toggleFocusedSelection();
    EXPECT_EQ(drives().trackPopupMenu(), nullptr);
    EXPECT_TRUE(sentCommands().isEmpty());
    EXPECT_EQ(rows().size(), 3);
    EXPECT_EQ(drives().tracks().at(0)->selected, 1);
    EXPECT_TRUE(modalDialogs_.isEmpty());

    // Eject stops the job first, then ejects.
    click(1039);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(sentCommands(), QStringList{kEject});
}

TEST_F(DriveTest, ChangingDriveStopsEveryDriveAndReadsTheNewDisc)
{
    const QString first = writeAudioDisc(QStringLiteral("first"), {18235, 1000, 500});
    const QString second = writeAudioDisc(QStringLiteral("second"), {4500});
    loadDrives(QStringLiteral("[drive 1:0:0]\nType=5\nVendor=A\nProduct=B\nRevision=1\nMedium=audio\nCue=%1\n"
                              "[drive 1:1:0]\nType=5\nVendor=C\nProduct=D\nRevision=1\nMedium=audio\nCue=%2\n")
                   .arg(first, second));
    openDialog();
    int leaving = 0;
    QObject::connect(&drives(), &DriveController::leavingDisc, [&leaving] { ++leaving; });
    quandor::aspi::clearCommandLog();
    dialog_->driveCombo()->setCurrentIndex(1);
    settle();
    EXPECT_EQ(leaving, 1);
    EXPECT_EQ(sentCommands({1, 0, 0}), QStringList{kStop});
    const QStringList second_ = sentCommands({1, 1, 0});
    ASSERT_EQ(second_.size(), 2);
    EXPECT_EQ(second_[0], kStop);
    EXPECT_TRUE(second_[1].startsWith(QStringLiteral("43 02")));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("01-|Track 01|01:00.00|0%")});
    EXPECT_EQ(statusPart(2), QStringLiteral("Total length : 01:02.00"));
}
