// The drive list and the layer's failures, as the main dialog shows them.

#include "drive_fixture.h"

#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/maker_links.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>

#include <cerrno>

#include "tests/platform/aspi/sg_driver_standin.h"
#include "tests/support/tools.h"

using namespace brenlow;
using namespace brenlow::test;

namespace {

QStringList comboItems(QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

} // namespace

TEST_F(DriveTest, ScanListsOnlyCdRomsInAddressOrder)
{
    const QString cue = writeAudioDisc(QStringLiteral("disc"), {3000});
    loadDrives(QStringLiteral("[layer]\nAdapters=3\n"
                              "[drive 0:0:0]\nType=0\nVendor=DISK\nProduct=HARD DISK\nRevision=1.00\nMedium=none\n"
                              "[drive 1:1:0]\nType=5\nVendor=SECOND\nProduct=CD DRIVE\nRevision=2.10\nMedium=none\n"
                              "[drive 1:0:0]\nType=5\nVendor=QUANDOR\nProduct=EMULATED CD-RW\nRevision=1.00\n"
                              "Medium=audio\nCue=%1\n"
                              "[drive 2:3:0]\nType=6\nVendor=SCAN\nProduct=SCANNER\nRevision=1.00\nMedium=none\n")
                   .arg(cue));
    openDialog();
    EXPECT_EQ(comboItems(dialog_->driveCombo()),
              (QStringList{QStringLiteral("1:0:0 QUANDOR EMULATED CD-RW  1.0"),
                           QStringLiteral("1:1:0 SECOND  CD DRIVE        2.1")}));
    EXPECT_EQ(drives().drives().count(), 2);
    EXPECT_EQ(drives().drives().at(1)->address, (DriveAddress{1, 1, 0}));
    EXPECT_EQ(bannerLinkTarget(), makerPageWithStatus(dialog_->text(92), QStringLiteral("ASPI ok.")));
    EXPECT_TRUE(services_.messages.isEmpty());
    // Entry 0 is selected and its disc read.
    EXPECT_EQ(dialog_->driveCombo()->currentIndex(), 0);
    EXPECT_EQ(drives().tracks().count(), 1);
}

TEST_F(DriveTest, ScanReachesTheLastTargetAndTheLastLun)
{
    // Targets and LUNs run 0..7: a scan that stops one short misses these.
    loadDrives(QStringLiteral("[drive 0:7:0]\nType=5\nVendor=LAST\nProduct=TARGET\nRevision=1.00\nMedium=none\n"
                              "[drive 0:0:7]\nType=5\nVendor=LAST\nProduct=LUN\nRevision=1.00\nMedium=none\n"
                              "[drive 0:7:7]\nType=5\nVendor=LAST\nProduct=BOTH\nRevision=1.00\nMedium=none\n"));
    openDialog();
    ASSERT_EQ(drives().drives().count(), 3);
    EXPECT_EQ(drives().drives().at(0)->address, (DriveAddress{0, 0, 7}));
    EXPECT_EQ(drives().drives().at(1)->address, (DriveAddress{0, 7, 0}));
    EXPECT_EQ(drives().drives().at(2)->address, (DriveAddress{0, 7, 7}));
}

TEST_F(DriveTest, FailingInquiryStillListsTheDrive)
{
    loadDrives(QStringLiteral("[layer]\nAdapters=2\n"
                              "[drive 1:0:0]\nType=5\nVendor=QUANDOR\nProduct=EMULATED\nRevision=1.00\nMedium=none\n"
                              "FailCommands=0x12\n"));
    openDialog();
    EXPECT_EQ(comboItems(dialog_->driveCombo()), QStringList{QStringLiteral("1:0:0 Inquiry error.")});
}

TEST_F(DriveTest, FailingAdapterIsReportedAndSkipped)
{
    if (quandor::aspi::test::testsUseSgBackEnd())
        GTEST_SKIP() << "the layer's own failures exist on the emulated back end only";
    loadDrives(QStringLiteral("[layer]\nAdapters=2\nFailAdapterInquiry=0\n"
                              "[drive 0:0:0]\nType=5\nVendor=A\nProduct=B\nRevision=1.00\nMedium=none\n"
                              "[drive 1:0:0]\nType=5\nVendor=C\nProduct=D\nRevision=1.00\nMedium=none\n"));
    openDialog();
    // The first inquiry (adapter 0) tells the count; failing it stops the scan.
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, QStringLiteral("Adaptator request error"));
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Error 001 :"));
    EXPECT_EQ(dialog_->driveCombo()->count(), 0);
}

TEST_F(DriveTest, FailingSecondAdapterGivesItsMessageAndTheOthersAreScanned)
{
    if (quandor::aspi::test::testsUseSgBackEnd())
        GTEST_SKIP() << "the layer's own failures exist on the emulated back end only";
    loadDrives(QStringLiteral("[layer]\nAdapters=2\nFailAdapterInquiry=1\n"
                              "[drive 0:0:0]\nType=5\nVendor=A\nProduct=B\nRevision=1.00\nMedium=none\n"
                              "[drive 1:0:0]\nType=5\nVendor=C\nProduct=D\nRevision=1.00\nMedium=none\n"));
    openDialog();
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, QStringLiteral("Host adapter number 1: inquiry failed."));
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Error FS 007:"));
    ASSERT_EQ(dialog_->driveCombo()->count(), 1);
    EXPECT_TRUE(dialog_->driveCombo()->itemText(0).startsWith(QStringLiteral("0:0:0 ")));
}

TEST_F(DriveTest, UnusableLayerShowsItsMessageDialog188AndDisablesTheDriveControls)
{
    if (quandor::aspi::test::testsUseSgBackEnd())
        GTEST_SKIP() << "the layer's own failures exist on the emulated back end only";
    QTemporaryDir noLayer;
    struct Case {
        const char* name;
        QString folder; // empty: the program folder
        QString file;   // empty: the layer's own name
        const char* support;
        QString text;
        QString title;
        QString shortText;
    };
    const QString support = QStringLiteral("GetASPISupportInfo:");
    const Case cases[] = {
        {"library absent",
         noLayer.path(),
         {},
         "0x01",
         QStringLiteral("LoadLibrary:\nWNASPI32.DLL not found. You must install ASPI layer !"),
         QStringLiteral("Error FS 002"),
         QStringLiteral("WNASPI32.dll not found")},
        {"no GetASPI32SupportInfo", QStringLiteral(FAKE_ASPI_FOLDER), QStringLiteral(FAKE_ASPI_WITHOUT_SUPPORT_INFO),
         "0x01", QStringLiteral("GetProcAddress:\nGetASPI32SupportInfo not found."), QStringLiteral("Error FS 003"),
         QStringLiteral("GetASPI32SupportInfo not found.")},
        {"no SendASPI32Command", QStringLiteral(FAKE_ASPI_FOLDER), QStringLiteral(FAKE_ASPI_WITHOUT_SEND), "0x01",
         QStringLiteral("GetProcAddress:\npfnSendASPI32Command not found."), QStringLiteral("Error FS 004"),
         QStringLiteral("SendASPI32Command not found.")},
        {"old manager",
         {},
         {},
         "0xE1",
         QStringLiteral("Too old ASPI layer."),
         support,
         QStringLiteral("Too old ASPI layer.")},
        {"no real mode",
         {},
         {},
         "0xE2",
         QStringLiteral("Windows ASPI don't support real mode."),
         support,
         QStringLiteral("Windows ASPI don't support real mode.")},
        {"no manager",
         {},
         {},
         "0xE3",
         QStringLiteral("ASPI Erreur : ASPI manager not found."),
         support,
         QStringLiteral("ASPI manager not found.")},
        {"other status",
         {},
         {},
         "0x07",
         QStringLiteral("ASPI initialisation error."),
         support,
         QStringLiteral("ASPI initialisation error.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services_.messages.clear();
        modalDialogs_.clear();
        if (!c.folder.isEmpty())
            setAspiLayerLocation(c.folder, c.file);
        loadDrives(QStringLiteral("[layer]\nSupportStatus=%1\n"
                                  "[drive 1:0:0]\nType=5\nVendor=A\nProduct=B\nRevision=1.00\nMedium=none\n")
                       .arg(QLatin1String(c.support)));
        openDialog();
        ASSERT_EQ(services_.messages.size(), 1);
        EXPECT_EQ(services_.messages[0].text, c.text);
        EXPECT_EQ(services_.messages[0].title, c.title);
        EXPECT_EQ(services_.messages[0].icon, quandor::shell::MessageIcon::Critical);
        EXPECT_TRUE(modalDialogs_.contains(QStringLiteral("188")));
        EXPECT_EQ(bannerLinkTarget(), makerPageWithStatus(dialog_->text(92), c.shortText));
        dialog_->enableMainControls(); // off for good: a job's end does not enable them
        for (int id : {1500, 1502, 1039, 1044, 1048, 1049, 1050, 1051})
            EXPECT_FALSE(dialog_->button(id)->isEnabled()) << id;
        EXPECT_EQ(dialog_->driveCombo()->count(), 0);
        dialog_.reset();
        setAspiLayerLocation(quandor::test::brenlowFolder());
    }
}

TEST_F(DriveTest, AHungDriveNeitherHoldsTheWindowBackNorCostsTheOtherEntries)
{
    const QString cue = writeAudioDisc(QStringLiteral("disc"), {3000});
    loadDrives(QStringLiteral("[layer]\nAdapters=2\n"
                              "[drive 1:0:0]\nType=5\nVendor=HUNG\nProduct=ONE\nRevision=1\nMedium=none\n"
                              "HangCommands=0x12\nTimeoutMs=3000\n"
                              "[drive 1:1:0]\nType=5\nVendor=HUNG\nProduct=TWO\nRevision=1\nMedium=none\n"
                              "HangCommands=0x12\nTimeoutMs=3000\n"
                              "[drive 1:2:0]\nType=5\nVendor=QUANDOR\nProduct=READER\nRevision=1.00\n"
                              "Medium=audio\nCue=%1\n")
                   .arg(cue));
    QElapsedTimer shown;
    shown.start();
    dialog_ = std::make_unique<MainDialog>(startFolder());
    // Bounds in the drives' own time-out, so a loaded machine does not fail them:
    // waiting for one hung drive would take the whole time-out.
    constexpr int kHungMs = 3000;
    EXPECT_LT(shown.elapsed(), kHungMs) << "the window does not wait for the scan";
    EXPECT_EQ(dialog_->driveCombo()->count(), 0) << "filled when the scan reports";
    settle();
    EXPECT_LT(shown.elapsed(), 2 * kHungMs) << "the two hung drives are waited for together";
    EXPECT_EQ(comboItems(dialog_->driveCombo()),
              (QStringList{QStringLiteral("1:0:0 Inquiry error."), QStringLiteral("1:1:0 Inquiry error."),
                           QStringLiteral("1:2:0 QUANDOR READER          1.0")}));
    EXPECT_TRUE(services_.messages.isEmpty());
}

TEST_F(DriveTest, ADriveNodeTheUserMayNotOpenIsNamedInAMessageAndSentNothing)
{
    // The real-drive back end, whichever back end the other tests run on.
    const QString cue = writeAudioDisc(QStringLiteral("disc"), {3000});
    const QString ini = folder_.filePath(QStringLiteral("drives.ini"));
    ASSERT_TRUE(quandor::test::writeAll(
        ini,
        QStringLiteral("[layer]\nAdapters=2\n[drive 1:0:0]\nType=5\nMedium=audio\nCue=%1\n[drive 1:1:0]\n"
                       "Type=5\nVendor=OTHER\nProduct=DRIVE\nRevision=1.00\nMedium=audio\nCue=%1\n")
            .arg(cue)
            .toUtf8()));
    std::string error;
    ASSERT_TRUE(quandor::aspi::test::loadDrivesBehindStandIn(ini.toStdString(), folder_.path().toStdString(), &error))
        << error;
    const auto standIn = quandor::aspi::test::testStandIn();
    const QString node = folder_.filePath(QStringLiteral("machine/dev/sr0"));
    for (const int refusal : {EACCES, EPERM}) {
        SCOPED_TRACE(refusal);
        services_.messages.clear();
        standIn->failOpen(node.toStdString(), refusal);
        openDialog();
        ASSERT_EQ(services_.messages.size(), 1);
        const QString text = services_.messages[0].text;
        EXPECT_TRUE(text.contains(node)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("read and write access"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("cdrom"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("not ready"), Qt::CaseInsensitive));
        EXPECT_EQ(standIn->commandsSent(node.toStdString()), 0) << "nothing sent to it";
        EXPECT_EQ(comboItems(dialog_->driveCombo()).at(1), QStringLiteral("1:1:0 OTHER   DRIVE           1.0"))
            << "the other drive is unaffected";
        EXPECT_EQ(drives().tracks().count(), 0) << "its disc is not read";
        dialog_.reset();
    }
}

TEST_F(DriveTest, TheDriveAccessMessageIsInTheUsersLanguageWithTheNodeGroupAndReason)
{
    const QString cue = writeAudioDisc(QStringLiteral("disc"), {3000});
    const QString ini = folder_.filePath(QStringLiteral("drives.ini"));
    ASSERT_TRUE(quandor::test::writeAll(
        ini, QStringLiteral("[layer]\nAdapters=2\n[drive 1:0:0]\nType=5\nMedium=audio\nCue=%1\n").arg(cue).toUtf8()));
    std::string error;
    ASSERT_TRUE(quandor::aspi::test::loadDrivesBehindStandIn(ini.toStdString(), folder_.path().toStdString(), &error))
        << error;
    const QString node = folder_.filePath(QStringLiteral("machine/dev/sr0"));
    quandor::aspi::test::testStandIn()->failOpen(node.toStdString(), EACCES);

    // An older file of the user's, without the line, reads in English.
    const QString older = folder_.filePath(QString::fromUtf8("Lang/Zek_Português.lng"));
    const struct {
        const char* langue;
        const char* start;
        bool withoutTheLine;
    } cases[] = {
        {"1", "No access to the drive ", false},        {"0", "Pas d'accès au lecteur ", false},
        {"2", "Kein Zugriff auf das Laufwerk ", false}, {"3", "Geen toegang tot het station ", false},
        {"4", "Sem acesso à unidade ", false},          {"4", "No access to the drive ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.langue);
        if (c.withoutTheLine) {
            QFile file(older);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            QList<QByteArray> lines = file.readAll().split('\n');
            file.close();
            ASSERT_TRUE(quandor::test::writeAll(older, lines.mid(0, 174).join('\n') + '\n'));
        }
        markStartedBefore(QString::fromLatin1(c.langue));
        services_.messages.clear();
        openDialog();
        ASSERT_EQ(services_.messages.size(), 1);
        const QString text = services_.messages[0].text;
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.start) + node + QStringLiteral(" (Permission denied)")))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral(", cdrom)."))) << text.toStdString();
        EXPECT_FALSE(text.contains(QLatin1Char('%'))) << text.toStdString();
        dialog_.reset();
    }
}
