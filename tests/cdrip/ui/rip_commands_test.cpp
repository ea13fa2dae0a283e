// The rip commands of the main dialog over an emulated drive: which tracks
// are ripped where, the controls during a rip, stop, the compression choice.
#include "drive_fixture.h"

#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/rip_commands.h"
#include "platform/profile/profile_file.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace brenlow::test {
namespace {

class RipCommandsTest : public DriveTest {
protected:
    void SetUp() override
    {
        DriveTest::SetUp();
        setLameLibraryFolder(quandor::test::brenlowFolder());
        loadThreeTrackDrive();
        openDialog();
        dialog_->artistField()->setText(QStringLiteral("Artist"));
        dialog_->albumField()->setText(QStringLiteral("Album"));
    }
    void TearDown() override
    {
        setLameLibraryFolder(QString());
        DriveTest::TearDown();
    }
    /// Only the tracks at these rows stay selected.
    void selectOnly(std::initializer_list<int> rowsToRip)
    {
        drives().selectAll(false);
        for (int row : rowsToRip) {
            focusRow(row);
            drives().toggleFocusedSelection();
        }
    }
    void waitForRip()
    {
        ripCommands(*dialog_)->waitUntilDone();
        settle();
    }
    /// A disc of a data track (300 sectors) and an audio track (40 sectors).
    void openMixedDisc()
    {
        dialog_.reset();
        QFile bin(QDir(startFolder()).filePath(QStringLiteral("mixed.bin")));
        ASSERT_TRUE(bin.open(QIODevice::WriteOnly) && bin.resize(qint64(300 + 40) * 2352));
        bin.close();
        ASSERT_TRUE(quandor::test::writeAll(QDir(startFolder()).filePath(QStringLiteral("mixed.cue")),
                                            "FILE \"mixed.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n"
                                            "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:04:00\r\n"));
        loadDrives(QStringLiteral("[drive 1:0:0]\nType=5\nMedium=audio\nCue=mixed.cue\n"));
        openDialog();
        dialog_->artistField()->setText(QStringLiteral("Artist"));
        dialog_->albumField()->setText(QStringLiteral("Album"));
        ASSERT_EQ(drives().tracks().count(), 2);
    }
    QString output(const QString& name) const
    {
        return QDir(startFolder()).filePath(QStringLiteral("My Music/Artist/Album/") + name);
    }
};

} // namespace

TEST_F(RipCommandsTest, WavRipOfTheSelectedTracks)
{
    selectOnly({1, 2});
    click(1023);
    EXPECT_TRUE(ripCommands(*dialog_)->running());
    EXPECT_FALSE(dialog_->button(1502)->isEnabled()) << "controls off while ripping";
    EXPECT_TRUE(dialog_->button(1005)->isEnabled()) << "the stop button stays usable";
    waitForRip();
    EXPECT_TRUE(dialog_->button(1502)->isEnabled());
    EXPECT_FALSE(QFileInfo::exists(output(QStringLiteral("01 - Track 01.wav"))));
    EXPECT_EQ(QFileInfo(output(QStringLiteral("02 - Track 02.wav"))).size(), 44 + 1000 * 2352);
    EXPECT_EQ(QFileInfo(output(QStringLiteral("03 - Track 03.wav"))).size(), 44 + 500 * 2352);
    EXPECT_EQ(drives().tracks().at(1)->progress, 99);
    EXPECT_EQ(rows().at(1).section(QLatin1Char('|'), 3), QStringLiteral("100%"));
    EXPECT_TRUE(services_.messages.isEmpty());
    for (int row : {1, 2})
        EXPECT_EQ(drives().tracks().at(row)->selected, 0) << "a ripped track is unselected";
}

TEST_F(RipCommandsTest, AnEmptyOutputFolderSettingRipsIntoTheDefaultFolder)
{
    ASSERT_TRUE(quandor::profile::writeString(dialog_->ripperIni().file(), QStringLiteral("SAUVEGARDE"),
                                              QStringLiteral("Chemin"), QString()));
    selectOnly({2});
    click(1023);
    waitForRip();
    EXPECT_TRUE(services_.messages.isEmpty());
    EXPECT_EQ(QFileInfo(output(QStringLiteral("03 - Track 03.wav"))).size(), 44 + 500 * 2352);
}

TEST_F(RipCommandsTest, NothingSelectedWarnsAndStartsNothing)
{
    selectOnly({});
    click(1502);
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, dialog_->text(48));
    EXPECT_EQ(services_.messages[0].title, dialog_->text(49));
    EXPECT_FALSE(ripCommands(*dialog_)->running());
}

TEST_F(RipCommandsTest, ARipClickedWhileTheWindowsDriveCommandsWaitRipsTheDiscTheyRead)
{
    // Changing the drive stops every drive, then reads the new disc, one
    // command after another; behind a drive that answers only at its
    // time-out that takes a while. A rip clicked meanwhile waits for them and
    // rips the disc they read, where it found an empty list before.
    dialog_.reset();
    loadDrives(QStringLiteral("[drive 1:0:0]\nMedium=audio\nCue=three.cue\nHangCommands=0x4E\nTimeoutMs=800\n"
                              "[drive 1:1:0]\nMedium=audio\nCue=three.cue\n"));
    openDialog();
    dialog_->driveCombo()->setCurrentIndex(1);
    dialog_->button(1023)->click();
    waitForRip();
    EXPECT_TRUE(services_.messages.isEmpty()) << services_.messageTexts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(drives().tracks().count(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(drives().tracks().at(row)->selected, 0) << "track " << row + 1 << " was not ripped";
}

TEST_F(RipCommandsTest, StopAnsweredOkKeepsAValidShorterFile)
{
    selectOnly({0, 1});
    ASSERT_TRUE(quandor::aspi::setCommandDelayMs({1, 0, 0}, 2)); // a drive slow enough to stop
    services_.messageAnswers.push_back(quandor::shell::MessageResult::Ok);
    click(1023);
    while (ripCommands(*dialog_)->running() && drives().tracks().at(0)->progress < 5)
        spin(10);
    click(1005);
    waitForRip();
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, dialog_->text(59));
    const QString first = output(QStringLiteral("01 - Track 01.wav"));
    const qint64 size = QFileInfo(first).size();
    EXPECT_LT(size, 44 + 18235LL * 2352);
    EXPECT_EQ((size - 44) % 2352, 0);
    EXPECT_NEAR(quandor::test::probedDuration(quandor::test::ffprobe(first)), (size - 44) / 2352 / 75.0, 0.001);
    EXPECT_FALSE(QFileInfo::exists(output(QStringLiteral("02 - Track 02.wav"))));
    EXPECT_TRUE(dialog_->button(1023)->isEnabled());
    EXPECT_EQ(drives().tracks().at(1)->selected, 1) << "tracks not ripped stay selected";
}

TEST_F(RipCommandsTest, ReadErrorIsReportedOnce)
{
    ASSERT_TRUE(quandor::aspi::setUnreadableLbas({1, 0, 0}, {18235 + 500}));
    selectOnly({1, 2});
    click(1023);
    waitForRip();
    ASSERT_EQ(services_.messages.size(), 1);
    // The cut file stays, and the message says which one it is and that it
    // holds only part of its track.
    const QString cut = output(QStringLiteral("02 - Track 02.wav"));
    EXPECT_TRUE(QFileInfo(cut).isFile());
    EXPECT_EQ(services_.messages[0].text,
              dialog_->text(60) + QLatin1Char('\n')
                  + QStringLiteral("Track 2 was read only in part: %1 holds only the part of the track read before "
                                   "the error.")
                        .arg(cut));
    EXPECT_EQ(services_.messages[0].icon, quandor::shell::MessageIcon::Critical);
    EXPECT_FALSE(QFileInfo::exists(output(QStringLiteral("03 - Track 03.wav"))));
    EXPECT_TRUE(dialog_->button(1023)->isEnabled());
}

TEST_F(RipCommandsTest, AWriteErrorNamesTheFileOnceAndTheSystemsReason)
{
    selectOnly({0});
    {
        quandor::test::FileSizeLimit limit(512 * 1024);
        click(1023);
        waitForRip();
    }
    ASSERT_EQ(services_.messages.size(), 1);
    const QString cut = output(QStringLiteral("01 - Track 01.wav"));
    EXPECT_EQ(services_.messages[0].text,
              dialog_->text(167) + QLatin1Char('\n') + cut + QStringLiteral("\nFile too large"));
    EXPECT_EQ(services_.messages[0].icon, quandor::shell::MessageIcon::Critical);
}

TEST_F(RipCommandsTest, CompressedRipFollowsTheChoice)
{
    selectOnly({2});
    dialog_->command(40034)->trigger();
    EXPECT_EQ(quandor::profile::readString(dialog_->ripperIni().file(), QStringLiteral("COMPRESSION"),
                                           QStringLiteral("Select")),
              QStringLiteral("OGG"));
    EXPECT_TRUE(dialog_->command(40034)->isChecked());
    EXPECT_FALSE(dialog_->command(40033)->isChecked());
    click(1502);
    waitForRip();
    EXPECT_TRUE(QFileInfo::exists(output(QStringLiteral("03 - Track 03.ogg"))))
        << QDir(output(QString())).entryList(QDir::Files).join(QLatin1Char(' ')).toStdString() << " / "
        << services_.messageTexts().join(QLatin1Char('/')).toStdString();
    dialog_->command(40033)->trigger();
    if (drives().tracks().at(2)->selected != 1) {
        focusRow(2);
        drives().toggleFocusedSelection();
    }
    click(1502);
    waitForRip();
    const QString mp3 = output(QStringLiteral("03 - Track 03.mp3"));
    EXPECT_TRUE(quandor::test::readAll(mp3).right(128).startsWith("TAG"));
    EXPECT_TRUE(services_.messages.isEmpty()) << services_.messageTexts().join(QLatin1Char('/')).toStdString();
}

TEST_F(RipCommandsTest, DataTracksAreNotRead)
{
    openMixedDisc();
    drives().selectAll(true);
    quandor::aspi::clearCommandLog();
    click(1023);
    waitForRip();
    EXPECT_FALSE(QFileInfo::exists(output(QStringLiteral("01 - Track 01.wav"))));
    EXPECT_EQ(QFileInfo(output(QStringLiteral("02 - Track 02.wav"))).size(), 44 + 40 * 2352);
    for (const QString& cdb : sentCommands()) {
        if (cdb.startsWith(QLatin1String("BE"))) {
            EXPECT_GE(cdb.mid(6, 11).remove(QLatin1Char(' ')).toInt(nullptr, 16), 300) << qPrintable(cdb);
        }
    }
    EXPECT_TRUE(services_.messages.isEmpty()) << services_.messageTexts().join(QLatin1Char('/')).toStdString();
}

TEST_F(RipCommandsTest, OnlyDataTracksSelectedWarnsAsNothingSelected)
{
    openMixedDisc();
    selectOnly({0});
    quandor::aspi::clearCommandLog();
    for (int button : {1023, 1502}) {
        services_.messages.clear();
        click(button);
        ASSERT_EQ(services_.messages.size(), 1) << button;
        EXPECT_EQ(services_.messages[0].text, dialog_->text(48)) << button;
        EXPECT_EQ(services_.messages[0].title, dialog_->text(49)) << button;
        EXPECT_FALSE(ripCommands(*dialog_)->running()) << button;
    }
    EXPECT_TRUE(sentCommands().filter(QStringLiteral("BE")).isEmpty());
    EXPECT_EQ(drives().tracks().at(0)->selected, 1);
}

TEST_F(RipCommandsTest, SettingsAndTagEditorOpenModally)
{
    click(1041);
    dialog_->command(40011)->trigger();
    EXPECT_EQ(modalDialogs_, (QStringList{QStringLiteral("146"), QStringLiteral("159")}));
}

} // namespace brenlow::test
