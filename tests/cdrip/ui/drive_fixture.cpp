#include "drive_fixture.h"

#include "cdrip/ui/drive_controller.h"
#include "tests/platform/aspi/sg_driver_standin.h"
#include "tests/support/tools.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

namespace brenlow::test {

void DriveTest::SetUp()
{
    ShellTest::SetUp();
    markStartedBefore();
    setAspiLayerLocation(quandor::test::brenlowFolder());
    quandor::aspi::clearCommandLog();
}

void DriveTest::TearDown()
{
    dialog_.reset();
    EXPECT_EQ(quandor::aspi::test::unloadTestDrives(), 0) << "descriptors left open";
    setAspiLayerLocation(QString());
    ShellTest::TearDown();
}

QString DriveTest::writeAudioDisc(const QString& name, const std::vector<int>& lengths, int firstTrack)
{
    int total = 0;
    QString cue = QStringLiteral("FILE \"%1.bin\" BINARY\r\n").arg(name);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        cue += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2:%3:%4\r\n")
                   .arg(firstTrack + static_cast<int>(i), 2, 10, QLatin1Char('0'))
                   .arg(total / 4500, 2, 10, QLatin1Char('0'))
                   .arg(total % 4500 / 75, 2, 10, QLatin1Char('0'))
                   .arg(total % 75, 2, 10, QLatin1Char('0'));
        total += lengths[i];
    }
    QFile bin(folder_.filePath(name + QStringLiteral(".bin")));
    EXPECT_TRUE(bin.open(QIODevice::WriteOnly));
    EXPECT_TRUE(bin.resize(qint64(total) * 2352)); // sparse: zeros cost nothing
    EXPECT_TRUE(quandor::test::writeAll(folder_.filePath(name + QStringLiteral(".cue")), cue.toLatin1()));
    return name + QStringLiteral(".cue");
}

void DriveTest::loadDrives(const QString& ini)
{
    const QString path = folder_.filePath(QStringLiteral("drives.ini"));
    ASSERT_TRUE(quandor::test::writeAll(path, ini.toUtf8()));
    std::string error;
    ASSERT_TRUE(quandor::aspi::test::loadTestDrives(path.toStdString(), folder_.path().toStdString(), &error)) << error;
}

void DriveTest::loadThreeTrackDrive()
{
    const QString cue = writeAudioDisc(QStringLiteral("three"), {18235, 1000, 500});
    loadDrives(QStringLiteral("[layer]\nAdapters=2\n[drive 1:0:0]\nType=5\nVendor=QUANDOR\nProduct=EMULATED CD-RW\n"
                              "Revision=1.00\nMedium=audio\nCue=%1\n")
                   .arg(cue));
}

MainDialog& DriveTest::openDialog()
{
    // Dialogs the layer's failure opens run as soon as the event loop does:
    // record them instead of running them.
    dialog_ = std::make_unique<MainDialog>(startFolder());
    dialog_->setModalRunner([this](QDialog& dialog) {
        modalDialogs_.append(dialog.objectName());
        return int(QDialog::Rejected);
    });
    settle();
    return *dialog_;
}

DriveController& DriveTest::drives()
{
    DriveController* controller = driveController(*dialog_);
    EXPECT_NE(controller, nullptr);
    return *controller;
}

QString DriveTest::statusPart(int part) const
{
    const auto* label = dialog_->findChild<QLabel*>(QStringLiteral("statusPart%1").arg(part));
    EXPECT_NE(label, nullptr);
    return label ? label->text() : QString();
}

QString DriveTest::bannerLinkTarget()
{
    services_.openedUrls.clear();
    QLabel* link = dialog_->bannerLink();
    const QPointF at(1, 1);
    QMouseEvent release(QEvent::MouseButtonRelease, at, link->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(link, &release);
    return services_.openedUrls.value(0);
}

CdPlayer& DriveTest::player()
{
    CdPlayer* player = cdPlayer(*dialog_);
    EXPECT_NE(player, nullptr);
    return *player;
}

void DriveTest::settle()
{
    QCoreApplication::processEvents();
    if (DriveController* controller = driveController(*dialog_))
        controller->waitUntilIdle();
    QCoreApplication::processEvents();
}

void DriveTest::spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QStringList DriveTest::sentCommands(const quandor::aspi::DeviceAddress& device) const
{
    QStringList sent;
    for (const auto& entry : quandor::aspi::commandLog(device)) {
        const QByteArray bytes(reinterpret_cast<const char*>(entry.cdb.data()), qsizetype(entry.cdb.size()));
        sent.append(QString::fromLatin1(bytes.toHex(' ').toUpper()));
    }
    return sent;
}

QStringList DriveTest::rows() const
{
    QStringList texts;
    QTreeWidget* list = dialog_->trackList();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        texts.append(QStringList{item->text(1), item->text(2), item->text(3), item->text(4)}.join(QLatin1Char('|')));
    }
    return texts;
}

void DriveTest::click(int id)
{
    QPushButton* button = dialog_->button(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
    settle();
}

void DriveTest::focusRow(int row)
{
    QTreeWidget* list = dialog_->trackList();
    list->setCurrentItem(list->topLevelItem(row));
}

} // namespace brenlow::test
