// The main dialog's image, burn and erase commands over emulated drives.

#include "drive_fixture.h"

#include "cdrip/ui/drive_controller.h"
#include "tests/support/tools.h"

#include <QAction>
#include <QFile>
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

} // namespace brenlow::test
