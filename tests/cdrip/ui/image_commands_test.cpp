// The main dialog's image, burn and erase commands over emulated drives.

#include "drive_fixture.h"

#include "cdrip/ui/burn_dialog.h"
#include "cdrip/ui/drive_controller.h"
#include "tests/support/tools.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace brenlow::test {

namespace {

class ImageCommands : public DriveTest {
protected:
    void trigger(int id) { dialog_->command(id)->trigger(); }
};

} // namespace

TEST_F(ImageCommands, DiscToImageWritesTheBinAndItsCueSheet)
{
    const QString cue = writeAudioDisc(QStringLiteral("disc"), {300, 200});
    loadDrives(QStringLiteral("[drive 1:0:0]\nMedium=audio\nCue=%1\n").arg(cue));
    openDialog();
    dialog_->setModalRunner([this](QDialog& dialog) {
        modalDialogs_.append(dialog.objectName());
        return dialog.exec();
    });
    const QString chosen = QDir(startFolder()).filePath(QStringLiteral("out/My Audio CD"));
    QDir(startFolder()).mkdir(QStringLiteral("out"));
    services_.saveAnswers.push_back(chosen);
    trigger(40031);
    EXPECT_EQ(modalDialogs_, QStringList{QStringLiteral("211")});
    ASSERT_FALSE(services_.fileDialogs.isEmpty());
    EXPECT_EQ(services_.fileDialogs.back().filter, QStringLiteral("Bin/Cue files (*.bin)"));
    EXPECT_EQ(services_.fileDialogs.back().fileName, QStringLiteral("My Audio CD"));
    EXPECT_TRUE(services_.messages.isEmpty()) << services_.messageTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(quandor::test::readAll(chosen + QStringLiteral(".bin")),
              quandor::test::readAll(QDir(startFolder()).filePath(QStringLiteral("disc.bin"))));
    EXPECT_EQ(quandor::test::readAll(chosen + QStringLiteral(".cue")),
              QByteArray("FILE \"My Audio CD.bin\" BINARY\r\n  TRACK 1 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                         "  TRACK 2 AUDIO\r\n    INDEX 00 00:02:00\r\n    INDEX 01 00:04:00\r\n"));
    EXPECT_FALSE(dialog_->jobRunning());
}

TEST_F(ImageCommands, NoDiscAndRefusedDrive)
{
    loadDrives(QStringLiteral("[drive 1:0:0]\nMedium=none\n"));
    openDialog();
    trigger(40031);
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages.front().text, QStringLiteral("No Audio CD in the device. Can't process !"));
    EXPECT_EQ(services_.messages.front().title, QStringLiteral("No cd"));
    EXPECT_TRUE(services_.fileDialogs.isEmpty());
}

TEST_F(ImageCommands, BurnerAndEraseDialogsOpen)
{
    loadDrives(QStringLiteral("[drive 1:0:0]\nMedium=cdr\n"));
    openDialog();
    trigger(40032);
    trigger(40035);
    EXPECT_EQ(modalDialogs_, (QStringList{QStringLiteral("214"), QStringLiteral("229")}));
}

TEST_F(ImageCommands, TheWindowsDriveCommandsEndBeforeTheBurnerTakesTheWriter)
{
    // The window sends its drive commands from one queue: changing the drive
    // stops every drive, and Eject comes after. Behind a drive that answers
    // only at its time-out they wait; the burner opened meanwhile must not
    // test and burn the writer before them, or the eject opens the tray in
    // the middle of the burn and the burn is refused.
    const QString cue = writeAudioDisc(QStringLiteral("image"), {600});
    loadDrives(QStringLiteral("[drive 1:0:0]\nMedium=audio\nCue=%1\nHangCommands=0x4E\nTimeoutMs=1500\n"
                              "[drive 1:1:0]\nMedium=cdr\nDelayMs=25\nTrayClose=0.2\n")
                   .arg(cue));
    openDialog();
    QStringList rows;
    dialog_->setModalRunner([&](QDialog& window) {
        modalDialogs_.append(window.objectName());
        auto* burner = qobject_cast<BurnDialog*>(&window);
        if (!burner)
            return int(QDialog::Rejected);
        const auto control = [burner](int id) { return burner->findChild<QWidget*>(QString::number(id)); };
        auto* burn = qobject_cast<QPushButton*>(control(1112));
        qobject_cast<QComboBox*>(control(1105))->setCurrentIndex(1);
        qobject_cast<QLineEdit*>(control(1113))->setText(folder_.filePath(cue));
        qobject_cast<QCheckBox*>(control(1038))->setChecked(true);
        // Refresh until the tray is back in (the eject may have opened it).
        for (int tries = 0; tries < 50 && !burn->isEnabled(); ++tries) {
            EXPECT_TRUE(burner->waitForWorker(30000));
            spin(50);
            qobject_cast<QPushButton*>(control(1076))->click();
            EXPECT_TRUE(burner->waitForWorker(30000));
        }
        burn->click();
        EXPECT_TRUE(burner->waitForWorker(30000));
        const auto* log = qobject_cast<QListWidget*>(control(1104));
        for (int i = 0; i < log->count(); ++i)
            rows.append(log->item(i)->text());
        return int(QDialog::Rejected);
    });
    dialog_->driveCombo()->setCurrentIndex(1);
    dialog_->button(1039)->click();
    trigger(40032);
    EXPECT_EQ(modalDialogs_, QStringList{QStringLiteral("214")});
    ASSERT_FALSE(rows.isEmpty());
    // The window's eject reached the writer before anything the burner sent.
    const QStringList sent = sentCommands({1, 1, 0});
    const qsizetype eject = sent.indexOf(QStringLiteral("1B 00 00 00 02 00"));
    const qsizetype firstDiscTest = sent.indexOf(QStringLiteral("AD 00 00 00 00 00 00 00 00 7F 00 00"));
    ASSERT_GE(eject, 0);
    EXPECT_LT(eject, firstDiscTest) << sent.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rows.back(), QStringLiteral("Test write completed. The disc is still blank."))
        << rows.join(QLatin1Char('|')).toStdString();
    settle();
}

} // namespace brenlow::test
