// Loading the SCSI layer: each way it can fail, with its texts.

#include "cdrip/scsi/drive_scan.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brenlow;

TEST(AspiLoad, EachFailureIsRecognisedWithItsTexts)
{
    QTemporaryDir empty;
    struct Case {
        const char* name;
        QString folder;
        QString file;
        const char* support;
        AspiLoadFailure failure;
        QString text;
        QString title;
        QString shortText;
    };
    const QString fakes = QStringLiteral(FAKE_ASPI_FOLDER);
    const QString complete = QStringLiteral(FAKE_ASPI_COMPLETE);
    const QString support = QStringLiteral("GetASPISupportInfo:");
    const Case cases[] = {
        {"library absent", empty.path(), complete, "01", AspiLoadFailure::LibraryMissing,
         "LoadLibrary:\nWNASPI32.DLL not found. You must install ASPI layer !", "Error FS 002",
         "WNASPI32.dll not found"},
        {"no GetASPI32SupportInfo", fakes, QStringLiteral(FAKE_ASPI_WITHOUT_SUPPORT_INFO), "01",
         AspiLoadFailure::SupportInfoMissing, "GetProcAddress:\nGetASPI32SupportInfo not found.", "Error FS 003",
         "GetASPI32SupportInfo not found."},
        {"no SendASPI32Command", fakes, QStringLiteral(FAKE_ASPI_WITHOUT_SEND), "01",
         AspiLoadFailure::SendCommandMissing, "GetProcAddress:\npfnSendASPI32Command not found.", "Error FS 004",
         "SendASPI32Command not found."},
        {"old manager", fakes, complete, "E1", AspiLoadFailure::OldManager, "Too old ASPI layer.", support,
         "Too old ASPI layer."},
        {"no real mode", fakes, complete, "E2", AspiLoadFailure::NoRealMode, "Windows ASPI don't support real mode.",
         support, "Windows ASPI don't support real mode."},
        {"no manager", fakes, complete, "E3", AspiLoadFailure::NoManager, "ASPI Erreur : ASPI manager not found.",
         support, "ASPI manager not found."},
        {"any other status", fakes, complete, "00", AspiLoadFailure::InitialisationError, "ASPI initialisation error.",
         support, "ASPI initialisation error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qputenv("QUANDOR_FAKE_ASPI_SUPPORT", c.support);
        const AspiLayer::LoadResult loaded = AspiLayer::load(c.folder, c.file);
        EXPECT_EQ(loaded.layer, nullptr);
        EXPECT_EQ(loaded.failure, c.failure);
        const AspiLoadTexts texts = aspiLoadTexts(c.failure);
        EXPECT_EQ(texts.message.text, c.text);
        EXPECT_EQ(texts.message.title, c.title);
        EXPECT_EQ(texts.shortText, c.shortText);
    }
    qunsetenv("QUANDOR_FAKE_ASPI_SUPPORT");
}

TEST(AspiLoad, WorkingLayerIsKeptAndScansNoDrivesWithoutAdapters)
{
    qputenv("QUANDOR_FAKE_ASPI_SUPPORT", "01");
    AspiLayer::LoadResult loaded =
        AspiLayer::load(QStringLiteral(FAKE_ASPI_FOLDER), QStringLiteral(FAKE_ASPI_COMPLETE));
    qunsetenv("QUANDOR_FAKE_ASPI_SUPPORT");
    ASSERT_NE(loaded.layer, nullptr);
    EXPECT_EQ(loaded.failure, AspiLoadFailure::None);
    const DriveScan scan = aspiScanDevices(*loaded.layer);
    EXPECT_TRUE(scan.drives.empty());
    EXPECT_TRUE(scan.messages.isEmpty());
}
