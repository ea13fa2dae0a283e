// Rips from an emulated drive holding a generated .bin/.cue image: the same
// READ CD path as a real drive, checked against the drive's command log.
#include "cdrip/encode/rip_engine.h"
#include "cdrip/encode/scsi_sector_reader.h"
#include "cdrip/scsi/aspi_layer.h"
#include "platform/aspi/emulated_drives.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <gtest/gtest.h>

#include "tests/platform/aspi/sg_driver_standin.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>

using namespace brenlow;
using namespace quandor::test;

namespace {

class NullObserver final : public RipObserver {
public:
    void progress(int, int) override {}
    void trackFinished(int index) override { finished.push_back(index); }
    void problem(const RipReport& report) override { problems.push_back(report.problem); }
    bool confirmStop() override { return true; }
    std::vector<int> finished;
    std::vector<RipProblem> problems;
};

QString msf(int64_t frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 4500, 2, 10, QLatin1Char('0'))
        .arg(frames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

class EmulatedDriveRip : public ::testing::Test {
protected:
    void SetUp() override
    {
        int64_t total = 0;
        QString cue = QStringLiteral("FILE \"disc.bin\" BINARY\r\n");
        for (int i = 0; i < int(lengths.size()); ++i) {
            RipTrack t;
            t.index = i;
            t.number = i + 1;
            t.title = QStringLiteral("T%1").arg(i + 1);
            t.start = Lba{static_cast<int32_t>(total)};
            t.lengthSectors = lengths[i];
            tracks.append(t);
            cue += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2\r\n")
                       .arg(i + 1, 2, 10, QLatin1Char('0'))
                       .arg(msf(total));
            total += lengths[i];
        }
        image = makePcm(PcmFormat{}, total * 588, 11);
        ASSERT_TRUE(writeAll(dir.filePath(QStringLiteral("disc.bin")), image));
        ASSERT_TRUE(writeAll(dir.filePath(QStringLiteral("disc.cue")), cue.toLatin1()));
        const QString ini = dir.filePath(QStringLiteral("drives.ini"));
        ASSERT_TRUE(writeAll(ini, "[drive 1:0:0]\r\nType=5\r\nMedium=audio\r\nCue=disc.cue\r\n"));
        std::string error;
        ASSERT_TRUE(quandor::aspi::test::loadTestDrives(QFile::encodeName(ini).toStdString(),
                                                        QFile::encodeName(dir.path()).toStdString(), &error))
            << error;
        quandor::aspi::clearCommandLog();
        const AspiLayer::LoadResult loaded = AspiLayer::load(brenlowFolder(), AspiLayer::libraryFileName());
        ASSERT_TRUE(loaded.layer) << int(loaded.failure);
        layer = loaded.layer;
    }
    void TearDown() override { EXPECT_EQ(quandor::aspi::test::unloadTestDrives(), 0) << "descriptors left open"; }

    RipJob job(RipFormat format) const
    {
        RipJob j;
        j.format = format;
        j.drive = std::make_shared<ScsiSectorReader>(layer, DriveAddress{1, 0, 0});
        j.tracks = tracks;
        j.naming.outputFolder = dir.filePath(QStringLiteral("out"));
        j.naming.pattern = QStringLiteral("%N");
        return j;
    }
    /// The READ CD commands of the log as (lba, count), checking their form.
    std::vector<std::pair<int64_t, int>> readCds() const
    {
        std::vector<std::pair<int64_t, int>> reads;
        for (const auto& entry : quandor::aspi::commandLog()) {
            if (entry.cdb.empty() || entry.cdb[0] != 0xBE)
                continue;
            EXPECT_EQ(entry.cdb.size(), 12u);
            EXPECT_EQ(entry.cdb[1], 0x04) << "CD-DA sectors only";
            EXPECT_EQ(entry.cdb[9], 0xF8) << "whole 2352-byte sectors";
            EXPECT_EQ(entry.dataLength, entry.cdb[8] * 2352u);
            const int64_t lba =
                (int64_t(entry.cdb[2]) << 24) | (entry.cdb[3] << 16) | (entry.cdb[4] << 8) | entry.cdb[5];
            reads.emplace_back(lba, entry.cdb[8]);
        }
        return reads;
    }

    std::vector<int64_t> lengths{7, 1000, 23};
    QList<RipTrack> tracks;
    QByteArray image;
    QTemporaryDir dir;
    std::shared_ptr<ScsiTransport> layer;
};

} // namespace

TEST_F(EmulatedDriveRip, WavFilesEqualTheImageSlices)
{
    NullObserver observer;
    std::atomic<bool> stop{false};
    ASSERT_EQ(RipEngine(job(RipFormat::Wav), stop, observer).run(), RipOutcome::Completed);
    EXPECT_TRUE(observer.problems.empty());
    std::vector<std::pair<int64_t, int>> expected;
    for (const RipTrack& t : tracks) {
        const QByteArray file =
            readAll(dir.filePath(QStringLiteral("out/%1.wav").arg(t.number, 2, 10, QLatin1Char('0'))));
        ASSERT_EQ(file.size(), 44 + t.lengthSectors * 2352);
        EXPECT_EQ(file.mid(44), image.mid(t.start.value * 2352, t.lengthSectors * 2352)) << t.number;
        for (int64_t done = 0; done < t.lengthSectors;) {
            const int n = t.lengthSectors - done < 10 ? 1 : 10;
            expected.emplace_back(t.start.value + done, n);
            done += n;
        }
    }
    EXPECT_EQ(readCds(), expected);
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("out/02.wav"))).left(8).toHex(' '), "52 49 46 46 a4 e3 23 00");
}

TEST_F(EmulatedDriveRip, BadSectorStopsTheRunOnce)
{
    ASSERT_TRUE(quandor::aspi::setUnreadableLbas({1, 0, 0}, {500}));
    NullObserver observer;
    std::atomic<bool> stop{false};
    ASSERT_EQ(RipEngine(job(RipFormat::Wav), stop, observer).run(), RipOutcome::Failed);
    EXPECT_EQ(observer.problems, std::vector<RipProblem>{RipProblem::ReadFailed});
    EXPECT_EQ(observer.finished, std::vector<int>{0});
    const QString second = dir.filePath(QStringLiteral("out/02.wav"));
    EXPECT_NEAR(probedDuration(ffprobe(second)), (500 - 7 - 3) / 75.0, 0.001) << "what was read stays, sizes right";
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out/03.wav"))));
}

// What a real driver does in the middle of a rip, on the real-drive back end:
// the run stops with the read failure, and each file holds exactly the sectors
// read before it, never the bytes a failed or short read did not bring.
TEST_F(EmulatedDriveRip, ADriverFailingMidRipStopsTheRunWithOnlyWholeSectorsWritten)
{
    using quandor::aspi::test::SgDriverStandIn;
    if (!quandor::aspi::test::testsUseSgBackEnd())
        GTEST_SKIP() << "the driver's own failures exist on the real-drive back end";
    const std::string node = QFile::encodeName(dir.filePath(QStringLiteral("machine/dev/sr0"))).toStdString();
    struct Case {
        const char* name;
        std::function<void(SgDriverStandIn&)> fault;
        int sectorsOfTrackTwo; // read before the failure; -1: track one fails at once
    };
    const Case cases[] = {
        {"unplugged: EIO", [&](SgDriverStandIn& s) { s.failIoctlAfter(node, 7 + 20, EIO); }, 200},
        {"unplugged: ENODEV", [&](SgDriverStandIn& s) { s.failIoctlAfter(node, 7 + 3, ENODEV); }, 30},
        {"short READ CD with a residual", [&](SgDriverStandIn& s) { s.shortenSectorReads(node, 100); }, -1},
        {"DID_TIME_OUT",
         [&](SgDriverStandIn& s) {
             s.setTimeoutReport(SgDriverStandIn::TimeoutReport::HostTimeOut);
             quandor::aspi::setTimeoutMs({1, 0, 0}, 300);
             quandor::aspi::setHangingCommands({1, 0, 0}, {0xBE});
         },
         -1},
        {"DRIVER_TIMEOUT",
         [&](SgDriverStandIn& s) {
             s.setTimeoutReport(SgDriverStandIn::TimeoutReport::DriverTimeout);
             quandor::aspi::setTimeoutMs({1, 0, 0}, 300);
             quandor::aspi::setHangingCommands({1, 0, 0}, {0xBE});
         },
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        tracks.clear();
        QDir(dir.filePath(QStringLiteral("out"))).removeRecursively();
        SetUp();
        auto standIn = quandor::aspi::test::testStandIn();
        ASSERT_TRUE(standIn);
        c.fault(*standIn);
        NullObserver observer;
        std::atomic<bool> stop{false};
        EXPECT_EQ(RipEngine(job(RipFormat::Wav), stop, observer).run(), RipOutcome::Failed);
        EXPECT_EQ(observer.problems, std::vector<RipProblem>{RipProblem::ReadFailed});
        const QByteArray first = readAll(dir.filePath(QStringLiteral("out/01.wav")));
        const QByteArray second = readAll(dir.filePath(QStringLiteral("out/02.wav")));
        if (c.sectorsOfTrackTwo < 0) {
            EXPECT_EQ(first.size(), 44) << "nothing of the failed read is taken as audio";
            EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out/02.wav"))));
        } else {
            EXPECT_EQ(first.mid(44), image.mid(0, 7 * 2352));
            ASSERT_EQ(second.size(), 44 + c.sectorsOfTrackTwo * 2352);
            EXPECT_EQ(second.mid(44), image.mid(7 * 2352, c.sectorsOfTrackTwo * 2352));
        }
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out/03.wav"))));
    }
}
