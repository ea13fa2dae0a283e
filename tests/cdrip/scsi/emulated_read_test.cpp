// The SCSI engine over the real layer and an emulated drive: READ CD hands
// back the image's bytes, and the drive's refusals arrive as sense data.

#include "cdrip/scsi/drive_scan.h"
#include "cdrip/scsi/scsi_commands.h"
#include "cdrip/scsi/toc.h"
#include "platform/aspi/emulated_drives.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/platform/aspi/sg_driver_standin.h"

using namespace brenlow;

namespace {

constexpr int kAudioFrames = 300;
constexpr int kDataFrames = 100;
const DriveAddress kDrive{0, 1, 0};

/// The byte at `offset` of sector `lba` of the test image.
std::uint8_t imageByte(int lba, int offset)
{
    return static_cast<std::uint8_t>(lba * 7 + offset * 13);
}

class EmulatedRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        QByteArray bin(qsizetype(kAudioFrames + kDataFrames) * kSectorBytes, '\0');
        for (int lba = 0; lba < kAudioFrames + kDataFrames; ++lba)
            for (int i = 0; i < kSectorBytes; ++i)
                bin[qsizetype(lba) * kSectorBytes + i] = static_cast<char>(imageByte(lba, i));
        ASSERT_TRUE(quandor::test::writeAll(folder_.filePath(QStringLiteral("disc.bin")), bin));
        ASSERT_TRUE(quandor::test::writeAll(folder_.filePath(QStringLiteral("disc.cue")),
                                            "FILE \"disc.bin\" BINARY\r\n"
                                            "  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                                            "  TRACK 02 MODE1/2352\r\n    INDEX 01 00:04:00\r\n"));
        ASSERT_TRUE(quandor::test::writeAll(folder_.filePath(QStringLiteral("drives.ini")),
                                            "[drive 0:1:0]\nType=5\nVendor=QUANDOR\nProduct=READER\n"
                                            "Revision=1.00\nMedium=audio\nCue=disc.cue\nUnreadableLbas=42\n"));
        std::string error;
        ASSERT_TRUE(quandor::aspi::test::loadTestDrives(folder_.filePath(QStringLiteral("drives.ini")).toStdString(),
                                                        folder_.path().toStdString(), &error))
            << error;
        AspiLayer::LoadResult loaded = AspiLayer::load(quandor::test::brenlowFolder(), AspiLayer::libraryFileName());
        ASSERT_NE(loaded.layer, nullptr);
        layer_ = loaded.layer;
    }
    void TearDown() override { EXPECT_EQ(quandor::aspi::test::unloadTestDrives(), 0) << "descriptors left open"; }

    QTemporaryDir folder_;
    std::shared_ptr<AspiLayer> layer_;
};

} // namespace

TEST_F(EmulatedRead, ReadCdReturnsTheImageBytes)
{
    std::vector<std::uint8_t> buffer(10 * kSectorBytes);
    const ScsiResult read = scsi::readCd(*layer_, kDrive, Lba{290}, 10, buffer);
    ASSERT_TRUE(read.ok()) << read.text().toStdString();
    for (int s = 0; s < 10; ++s)
        for (int i : {0, 1, 1000, kSectorBytes - 1})
            ASSERT_EQ(buffer[std::size_t(s * kSectorBytes + i)], imageByte(290 + s, i)) << s << ":" << i;

    // The table of contents of the same disc, through the same layer.
    const TocResult toc = readTableOfContents(*layer_, kDrive, QStringLiteral("Track"));
    ASSERT_TRUE(toc.ok());
    ASSERT_EQ(toc.table.count(), 2); // the data track counts as a track
    EXPECT_EQ(toc.table.at(0)->lengthFrames, kAudioFrames);
    EXPECT_EQ(toc.table.leadOut(), Lba::ofImageSector(kAudioFrames + kDataFrames));
}

TEST_F(EmulatedRead, RefusalsCarryTheirSenseData)
{
    std::vector<std::uint8_t> buffer(2 * kSectorBytes);
    struct Case {
        const char* name;
        int lba;
        int count;
        scsi::SectorType type;
        std::uint8_t key;
    };
    const Case cases[] = {
        {"past the end", kAudioFrames + kDataFrames - 1, 2, scsi::SectorType::Any, sense_key::IllegalRequest},
        {"an unreadable sector", 41, 2, scsi::SectorType::Any, sense_key::MediumError},
        {"a data sector asked as CD-DA", kAudioFrames, 1, scsi::SectorType::CdDa, sense_key::IllegalRequest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScsiResult read = scsi::readCd(*layer_, kDrive, Lba{c.lba}, std::uint32_t(c.count), buffer, c.type);
        EXPECT_FALSE(read.ok());
        EXPECT_EQ(read.sense.key, c.key) << read.text().toStdString();
    }
    EXPECT_TRUE(scsi::readCd(*layer_, kDrive, Lba{kAudioFrames - 1}, 1, buffer, scsi::SectorType::CdDa).ok());
}

TEST_F(EmulatedRead, CommandThatNeverCompletesEndsWithinItsTimeOut)
{
    quandor::aspi::setHangingCommands({0, 1, 0}, {0x4B});
    quandor::aspi::setTimeoutMs({0, 1, 0}, 300);
    QElapsedTimer clock;
    clock.start();
    const ScsiResult pause = scsi::pauseResume(*layer_, kDrive, false);
    EXPECT_FALSE(pause.ok());
    EXPECT_EQ(pause.sense.key, sense_key::NotReady);
    EXPECT_LT(clock.elapsed(), 5000);
    // The polled path (INQUIRY) as well.
    quandor::aspi::setHangingCommands({0, 1, 0}, {0x12});
    EXPECT_EQ(aspiInquiry(*layer_, kDrive), QStringLiteral("Inquiry error."));
    quandor::aspi::setHangingCommands({0, 1, 0}, {});
    EXPECT_EQ(aspiInquiry(*layer_, kDrive), QStringLiteral("QUANDOR READER          1.0"));
}
