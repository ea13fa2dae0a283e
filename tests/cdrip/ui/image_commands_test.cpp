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
#include <functional>
#include <gtest/gtest.h>

namespace brenlow::test {

namespace {

class ImageCommands : public DriveTest {
protected:
    void trigger(int id) { dialog_->command(id)->trigger(); }

    template <class Widget>
    static Widget* control(QDialog& window, int id)
    {
        auto* widget = window.findChild<Widget*>(QString::number(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    /// The window sends its drive commands from one queue. With a drive at
    /// 1:0:0 that answers STOP PLAY/SCAN only at its time-out and the drive
    /// `writer` at 1:1:0: choosing 1:1:0 stops every drive, and the Eject
    /// clicked then waits behind the stops. `run` is what the user does in
    /// the dialog the window opens next.
    void queueAnEjectBehindASlowDrive(const QString& writer, std::function<void(QDialog&)> run)
    {
        const QString cue = writeAudioDisc(QStringLiteral("slow"), {300});
        loadDrives(QStringLiteral("[drive 1:0:0]\nMedium=audio\nCue=%1\nHangCommands=0x4E\nTimeoutMs=1500\n"
                                  "[drive 1:1:0]\n%2")
                       .arg(cue, writer));
        openDialog();
        dialog_->setModalRunner([this, run](QDialog& window) {
            modalDialogs_.append(window.objectName());
            run(window);
            return int(QDialog::Rejected);
        });
        dialog_->driveCombo()->setCurrentIndex(1);
        dialog_->button(1039)->click();
    }

    /// Whether the window's eject reached 1:1:0 before `command`, the first
    /// one the dialog sends there.
    ::testing::AssertionResult ejectCameBefore(const QString& command) const
    {
        const QStringList sent = sentCommands({1, 1, 0});
        const qsizetype eject = sent.indexOf(QStringLiteral("1B 00 00 00 02 00"));
        const qsizetype first = sent.indexOf(command);
        if (eject >= 0 && first > eject)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << sent.join(QLatin1Char('|')).toStdString();
    }
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
    // The burner opened meanwhile must not test and burn the writer before
    // the window's eject, or the tray opens in the middle of the burn and the
    // burn is refused.
    const QString cue = writeAudioDisc(QStringLiteral("image"), {600});
    QStringList rows;
    queueAnEjectBehindASlowDrive(QStringLiteral("Medium=cdr\nDelayMs=25\nTrayClose=0.2\n"), [&](QDialog& window) {
        auto* burner = qobject_cast<BurnDialog*>(&window);
        ASSERT_NE(burner, nullptr);
        auto* burn = control<QPushButton>(window, 1112);
        control<QComboBox>(window, 1105)->setCurrentIndex(1);
        control<QLineEdit>(window, 1113)->setText(folder_.filePath(cue));
        control<QCheckBox>(window, 1038)->setChecked(true);
        // Refresh until the tray is back in.
        for (int tries = 0; tries < 50 && !burn->isEnabled(); ++tries) {
            ASSERT_TRUE(burner->waitForWorker(30000));
            spin(50);
            control<QPushButton>(window, 1076)->click();
            ASSERT_TRUE(burner->waitForWorker(30000));
        }
        burn->click();
        ASSERT_TRUE(burner->waitForWorker(30000));
        const auto* log = control<QListWidget>(window, 1104);
        for (int i = 0; i < log->count(); ++i)
            rows.append(log->item(i)->text());
    });
    trigger(40032);
    EXPECT_EQ(modalDialogs_, QStringList{QStringLiteral("214")});
    EXPECT_TRUE(ejectCameBefore(QStringLiteral("AD 00 00 00 00 00 00 00 00 7F 00 00"))); // the disc test
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.back(), QStringLiteral("Test write completed. The disc is still blank."))
        << rows.join(QLatin1Char('|')).toStdString();
    settle();
}

TEST_F(ImageCommands, TheWindowsDriveCommandsEndBeforeTheEraserTakesTheDrive)
{
    queueAnEjectBehindASlowDrive(QStringLiteral("Medium=cdrw\nTrayClose=0.1\nBlankSeconds=0.1\n"),
                                 [this](QDialog& window) {
                                     control<QComboBox>(window, 1105)->setCurrentIndex(1);
                                     spin(300); // the tray is back in
                                     control<QPushButton>(window, 1)->click();
                                     spin(1000);
                                 });
    trigger(40035);
    EXPECT_EQ(modalDialogs_, QStringList{QStringLiteral("229")});
    EXPECT_TRUE(ejectCameBefore(QStringLiteral("A1 11 00 00 00 00 00 00 00 00 00 00"))); // BLANK, quick
    EXPECT_TRUE(services_.messages.isEmpty()) << services_.messageTexts().join(QLatin1Char('|')).toStdString();
    settle();
}

} // namespace brenlow::test
