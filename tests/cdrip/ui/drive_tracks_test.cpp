// The table of contents in the main dialog: rows, status texts, the track
// commands (select, double click, edit title, pop-up menu) and the genre list.

#include "drive_fixture.h"

#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/track_row_delegate.h"
#include "cdrip/ui/track_title_dialog.h"
#include "platform/profile/profile_file.h"

#include "tests/support/tools.h"
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

using namespace brenlow;
using namespace brenlow::test;

TEST_F(DriveTest, ThreeTrackDiscShowsRowsAndStatusTexts)
{
    loadThreeTrackDrive();
    openDialog();
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("01-|Track 01|04:03.10|0%"), QStringLiteral("02-|Track 02|00:13.25|0%"),
                           QStringLiteral("03-|Track 03|00:06.50|0%")}));
    EXPECT_EQ(statusPart(1), QStringLiteral("3 track(s)"));
    EXPECT_EQ(statusPart(2), QStringLiteral("Total length : 04:25.10"));
    EXPECT_EQ(dialog_->artistField()->text(), QStringLiteral("Unknown"));
    EXPECT_EQ(dialog_->albumField()->text(), QStringLiteral("Unknown"));
    EXPECT_EQ(drives().tracks().at(1)->start, Lba{18235});
    EXPECT_EQ(drives().currentTrack(), -1);
    EXPECT_EQ(sentCommands().filter(QStringLiteral("43 02")).size(), 1);
}

TEST_F(DriveTest, DiscWhoseFirstTrackIsTwoIsNumberedFromOne)
{
    const QString cue = writeAudioDisc(QStringLiteral("late"), {2000, 3000}, 2);
    loadDrives(
        QStringLiteral("[drive 1:0:0]\nType=5\nVendor=Q\nProduct=P\nRevision=1\nMedium=audio\nCue=%1\n").arg(cue));
    openDialog();
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("01-|Track 01|00:26.50|0%"), QStringLiteral("02-|Track 02|00:40.00|0%")}));
}

TEST_F(DriveTest, ADiscWhoseFirstTrackStartsLateShowsLengthsFromItsStartAndTheLeadOutTime)
{
    // Track 1 at 00:04:00 after two seconds of pregap audio, track 2 at
    // 00:30:50, the lead-out at 01:10:50. The disc length is the lead-out's
    // time, not the time from track 1 on; track 1's length starts at its INDEX 01.
    const QByteArray cue = "FILE \"late.bin\" BINARY\r\n"
                           "  TRACK 01 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n"
                           "  TRACK 02 AUDIO\r\n    INDEX 01 00:28:50\r\n";
    ASSERT_TRUE(quandor::test::writeAll(QDir(startFolder()).filePath(QStringLiteral("late.cue")), cue));
    QFile bin(QDir(startFolder()).filePath(QStringLiteral("late.bin")));
    ASSERT_TRUE(bin.open(QIODevice::WriteOnly));
    ASSERT_TRUE(bin.resize(qint64(150 + 2000 + 3000) * 2352));
    bin.close();
    loadDrives(QStringLiteral("[drive 1:0:0]\nType=5\nVendor=Q\nProduct=P\nRevision=1\nMedium=audio\nCue=late.cue\n"));
    openDialog();
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("01-|Track 01|00:26.50|0%"), QStringLiteral("02-|Track 02|00:40.00|0%")}));
    EXPECT_EQ(statusPart(2), QStringLiteral("Total length : 01:10.50"));
    EXPECT_EQ(drives().tracks().at(0)->start, Lba{150});
}

TEST_F(DriveTest, EmptyTrayLeavesTheListEmptyWithoutAMessage)
{
    loadDrives(QStringLiteral("[drive 1:0:0]\nType=5\nVendor=Q\nProduct=P\nRevision=1\nMedium=none\n"));
    openDialog();
    EXPECT_EQ(drives().tracks().count(), 0);
    EXPECT_EQ(dialog_->trackList()->topLevelItemCount(), 0);
    EXPECT_EQ(statusPart(1), QString());
    EXPECT_TRUE(services_.messages.isEmpty());
    EXPECT_EQ(sentCommands().filter(QStringLiteral("43 02")).size(), 1);
}

TEST_F(DriveTest, ATableOfContentsThatCannotBeADiscIsNamed)
{
    // READ TOC answers (header, descriptors, lead-out) no disc can give.
    const struct {
        const char* name;
        const char* reply;
    } cases[] = {
        {"no track", "00 02 01 00"},
        {"100 tracks", "00 02 01 64"},
        {"lead-out before the last track",
         "00 1A 01 02 00 10 01 00 00 00 02 00 00 10 02 00 00 01 00 00 00 10 AA 00 00 00 30 00"},
        {"tracks out of order", "00 1A 01 02 00 10 01 00 00 00 30 00 00 10 02 00 00 00 10 00 00 10 AA 00 00 02 00 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services_.messages.clear();
        loadDrives(QStringLiteral("[drive 1:0:0]\nType=5\nVendor=Q\nProduct=P\nRevision=1\nMedium=audio\nCue=%1\n"
                                  "Reply43=%2\n")
                       .arg(writeAudioDisc(QStringLiteral("odd"), {2000, 3000}), QString::fromLatin1(c.reply)));
        openDialog();
        EXPECT_EQ(drives().tracks().count(), 0);
        EXPECT_EQ(dialog_->trackList()->topLevelItemCount(), 0);
        EXPECT_EQ(services_.messageTexts(),
                  QStringList{QStringLiteral("The table of contents of the disc could not be read.")});
        dialog_.reset();
    }
}

TEST_F(DriveTest, ADiscWhoseTableOfContentsIsRefusedIsNamedWhenChosen)
{
    // A drive with a disc in it that answers READ TOC with an error (MEDIUM
    // or HARDWARE ERROR) is not an empty drive. Chosen after a disc of three
    // tracks, the list and the track count are emptied and the message says
    // why. An empty drive and a blank disc (whose READ TOC drives refuse as
    // an invalid request) have no tracks, and nothing is wrong with them.
    const QString three = writeAudioDisc(QStringLiteral("three"), {18235, 1000, 500});
    const struct {
        const char* name;
        const char* medium;
        const char* faults;
        bool named;
    } cases[] = {
        {"hardware error", "audio", "FailCommands=0x43\n", true},
        {"no disc", "none", "", false},
        {"blank CD-R", "cdr", "", false},
        {"blank CD-RW", "cdrw", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        loadDrives(QStringLiteral("[layer]\nAdapters=2\n[drive 1:0:0]\nType=5\nMedium=audio\nCue=%1\n"
                                  "[drive 1:1:0]\nType=5\nMedium=%2\nCue=%1\n%3")
                       .arg(three, QLatin1String(c.medium), QLatin1String(c.faults)));
        openDialog();
        ASSERT_EQ(rows().size(), 3);
        ASSERT_EQ(statusPart(1), QStringLiteral("3") + dialog_->text(46));
        services_.messages.clear();
        dialog_->driveCombo()->setCurrentIndex(1); // reads the disc of the drive chosen
        settle();
        EXPECT_EQ(rows().size(), 0);
        EXPECT_EQ(statusPart(1), QString()) << "not the other disc's track count";
        EXPECT_EQ(services_.messageTexts(),
                  c.named ? QStringList{QStringLiteral("The table of contents of the disc could not be read.")}
                          : QStringList{});
        dialog_.reset();
    }
}

TEST_F(DriveTest, RereadAndClearViewEmptyTheDiscView)
{
    loadThreeTrackDrive();
    openDialog();
    quandor::test::writeAll(QDir(startFolder()).filePath(QStringLiteral("request.txt")), "old reply");
    int read = 0;
    QObject::connect(&drives(), &DriveController::tableOfContentsRead, [&read] { ++read; });
    click(1500);
    EXPECT_EQ(read, 1);
    EXPECT_EQ(rows().size(), 3);
    EXPECT_FALSE(QFile::exists(QDir(startFolder()).filePath(QStringLiteral("request.txt"))));

    click(1045);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(drives().tracks().count(), 0);
    EXPECT_EQ(statusPart(1), QString());
    EXPECT_EQ(statusPart(2), QStringLiteral("Length : "));
    EXPECT_EQ(dialog_->artistField()->text(), QString());

    dialog_->command(40012)->trigger(); // the menu item reaches button 1500
    settle();
    EXPECT_EQ(rows().size(), 3);
}

TEST_F(DriveTest, SelectionCommandsAndDoubleClickChangeTheRipSelection)
{
    loadThreeTrackDrive();
    openDialog();
    auto selectedFlags = [this] {
        QList<int> flags;
        for (const Track& track : drives().tracks().tracks())
            flags.append(track.selected);
        return flags;
    };
    auto rowMarks = [this] {
        QList<int> marks;
        for (int i = 0; i < dialog_->trackList()->topLevelItemCount(); ++i)
            marks.append(dialog_->trackList()->topLevelItem(i)->data(0, TrackRowDelegate::SelectedRole).toInt());
        return marks;
    };
    click(1042);
    EXPECT_EQ(selectedFlags(), (QList<int>{0, 0, 0}));
    EXPECT_EQ(rowMarks(), (QList<int>{0, 0, 0}));
    dialog_->command(40008)->trigger();
    EXPECT_EQ(selectedFlags(), (QList<int>{1, 1, 1}));

    // A double click flips the focused row only when it is also selected.
    focusRow(1);
    QTreeWidgetItem* row = dialog_->trackList()->topLevelItem(1);
    row->setSelected(false);
    drives().toggleFocusedSelection();
    EXPECT_EQ(selectedFlags(), (QList<int>{1, 1, 1}));
    row->setSelected(true);
    emit dialog_->trackList()->itemDoubleClicked(row, 0);
    EXPECT_EQ(selectedFlags(), (QList<int>{1, 0, 1}));
    EXPECT_EQ(rowMarks(), (QList<int>{1, 0, 1}));
}

TEST_F(DriveTest, EditTitleReplacesForbiddenCharactersAndReportsTheChange)
{
    loadThreeTrackDrive();
    openDialog();
    QString typed = QStringLiteral("AC/DC: Live?");
    dialog_->setModalRunner([&typed](QDialog& dialog) {
        auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("1023"));
        EXPECT_NE(field, nullptr);
        EXPECT_EQ(field->text(), QStringLiteral("Track 03"));
        field->setText(typed);
        dialog.accept();
        return dialog.result();
    });
    QList<int> edited;
    QObject::connect(&drives(), &DriveController::trackTitleEdited, [&edited](int i) { edited.append(i); });
    focusRow(2);
    EXPECT_EQ(drives().trackPopupMenu(), nullptr); // the keyboard focus is elsewhere
    dialog_->show();
    dialog_->activateWindow();
    dialog_->trackList()->setFocus();
    QCoreApplication::processEvents();
    QMenu* menu = drives().trackPopupMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->defaultAction()->objectName(), QStringLiteral("40019"));
    EXPECT_EQ(menu->defaultAction()->text(), QStringLiteral("Edit title's track"));
    menu->defaultAction()->trigger();
    delete menu;
    EXPECT_EQ(drives().tracks().at(2)->title, QStringLiteral("AC_DC_ Live_"));
    EXPECT_EQ(rows().at(2), QStringLiteral("03-|AC_DC_ Live_|00:06.50|0%"));
    EXPECT_EQ(edited, QList<int>{2});
    EXPECT_EQ(drives().currentTrack(), 2);
}

TEST(TrackTitleDialog, EmptyTitleKeepsTheDialogOpenAndCharactersAreReplaced)
{
    LanguageTable language;
    TrackTitleDialog dialog(language, QStringLiteral("Old"));
    dialog.findChild<QLineEdit*>(QStringLiteral("1023"))->clear();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(TrackTitleDialog::cleanedTitle(QStringLiteral("a/b\\c:d*e?f<g>h|i")),
              QStringLiteral("a_b_c_d_e_f_g_h_i"));
    EXPECT_EQ(TrackTitleDialog::cleanedTitle(QString(300, QLatin1Char('x'))).size(), 254);
}

TEST_F(DriveTest, GenreListIsSortedWithoutRegardToCaseWithRockAndRollSelected)
{
    loadThreeTrackDrive();
    openDialog();
    QComboBox* genres = dialog_->genreCombo();
    ASSERT_EQ(genres->count(), 148);
    EXPECT_EQ(genres->currentText(), QStringLiteral("Rock & Roll"));
    for (int i = 1; i < genres->count(); ++i)
        EXPECT_LE(QString::compare(genres->itemText(i - 1), genres->itemText(i), Qt::CaseInsensitive), 0) << i;
}

TEST(TrackRowDelegate, ProgressTextAndDonePart)
{
    struct Case {
        int progress;
        const char* text;
        int done; // of a 100-pixel cell
    };
    const Case cases[] = {{1, "0%", 0}, {0, "0%", 0}, {50, "50%", 49}, {99, "100%", 98}, {100, "100%", 99}};
    for (const Case& c : cases) {
        EXPECT_EQ(TrackRowDelegate::progressText(c.progress), QLatin1String(c.text)) << c.progress;
        EXPECT_EQ(TrackRowDelegate::doneWidth(c.progress, 100), c.done) << c.progress;
    }
}

TEST_F(DriveTest, RowsAreDrawnWithTheSelectionMarkAndProgressColours)
{
    loadThreeTrackDrive();
    openDialog();
    drives().setTrackProgress(0, 100);
    click(1042);
    dialog_->command(40008)->trigger();
    focusRow(2);
    dialog_->trackList()->topLevelItem(2)->setSelected(false);
    dialog_->show();
    QTreeWidget* list = dialog_->trackList();
    const QImage image = list->viewport()->grab().toImage();
    const QRect check = list->visualItemRect(list->topLevelItem(0));
    const int checkX = list->header()->sectionViewportPosition(0) + list->header()->sectionSize(0) / 2;
    EXPECT_EQ(QColor(image.pixel(checkX, check.center().y())), TrackRowDelegate::selectedMark());
    const int progressX = list->header()->sectionViewportPosition(4) + 3;
    EXPECT_EQ(QColor(image.pixel(progressX, check.center().y())), TrackRowDelegate::progressDone());
    const QRect third = list->visualItemRect(list->topLevelItem(2));
    const int remainingX = list->header()->sectionViewportPosition(4) + list->header()->sectionSize(4) - 4;
    EXPECT_EQ(QColor(image.pixel(remainingX, third.center().y())), TrackRowDelegate::trackRemaining());
}

TEST_F(DriveTest, OutputFolderButtonOpensTheStoredFolderOrWritesTheDefault)
{
    loadThreeTrackDrive();
    openDialog();
    click(1047);
    ASSERT_EQ(services_.openedUrls.size(), 1);
    const QString folder = services_.openedUrls[0];
    EXPECT_TRUE(folder.endsWith(QStringLiteral("My Music"))) << folder.toStdString();
    EXPECT_EQ(quandor::profile::readString(ripperIni(), QStringLiteral("SAUVEGARDE"), QStringLiteral("Chemin")),
              folder);

    EXPECT_TRUE(quandor::profile::writeString(ripperIni(), QStringLiteral("SAUVEGARDE"), QStringLiteral("Chemin"),
                                              QStringLiteral("/music/rips")));
    click(1047);
    EXPECT_EQ(services_.openedUrls.last(), QStringLiteral("/music/rips"));
}
