// Reading a disc into a .bin/.cue image over an emulated reader.

#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/scsi/toc.h"
#include "tests/cdrip/scsi/image_test_support.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace brenlow;
using namespace brenlow::test;

namespace {

DiscImageSnapshot snapshotFor(const EmulatedDiscs& discs, const QString& chosen)
{
    DiscImageSnapshot snapshot;
    snapshot.transport = discs.layer();
    snapshot.drive = kReader;
    const TocResult toc = readTableOfContents(*discs.layer(), kReader, QStringLiteral("Track"));
    EXPECT_TRUE(toc.ok());
    snapshot.tracks = toc.table;
    snapshot.paths = imagePathsFor(chosen);
    return snapshot;
}

bool exists(const QString& path)
{
    return QFile::exists(path);
}

} // namespace

TEST(ImagePaths, ExtensionsAreForced)
{
    const struct {
        const char* chosen;
        const char* bin;
        const char* cue;
        const char* name;
    } cases[] = {
        {"/images/x.bin", "/images/x.bin", "/images/x.cue", "x.bin"},
        {"/images/My Audio CD", "/images/My Audio CD.bin", "/images/My Audio CD.cue", "My Audio CD.bin"},
        {"/images/x.wav", "/images/x.bin", "/images/x.cue", "x.bin"},
        {"/im.ages/disc", "/im.ages/disc.bin", "/im.ages/disc.cue", "disc.bin"},
        {"/images/a.b.c", "/images/a.b.bin", "/images/a.b.cue", "a.b.bin"},
    };
    for (const auto& c : cases) {
        const ImagePaths paths = imagePathsFor(QString::fromUtf8(c.chosen));
        EXPECT_EQ(paths.binPath, QString::fromUtf8(c.bin)) << c.chosen;
        EXPECT_EQ(paths.cuePath, QString::fromUtf8(c.cue)) << c.chosen;
        EXPECT_EQ(paths.binName, QString::fromUtf8(c.name)) << c.chosen;
    }
}

TEST(DiscImage, OneTrackDiscGivesTheImageAndAFourLineCueSheet)
{
    EmulatedDiscs discs(SourceTracks{{40}});
    DiscImageJob job(snapshotFor(discs, discs.file("My 100% CD")));
    ASSERT_EQ(job.run().outcome, DiscImageOutcome::Completed);
    EXPECT_EQ(fileBytes(discs.file("My 100% CD.bin")), fileBytes(discs.sourceBin()));
    EXPECT_EQ(quandor::test::readAll(discs.file("My 100% CD.cue")).toStdString(),
              std::string("FILE \"My 100% CD.bin\" BINARY\r\n"
                          "  TRACK 1 AUDIO\r\n"
                          "    INDEX 01 00:00:00\r\n"));
}

TEST(DiscImage, ThreeTrackDiscMatchesItsSourceAndThirdPartyReaders)
{
    // Track 2 with pre-emphasis; track 3 starts less than two seconds after
    // track 2, so it has no INDEX 00.
    EmulatedDiscs discs(SourceTracks{{400}, {120, true}, {320}});
    DiscImageJob job(snapshotFor(discs, discs.file("three.bin")));
    ASSERT_EQ(job.run().outcome, DiscImageOutcome::Completed);
    EXPECT_EQ(fileBytes(discs.file("three.bin")), fileBytes(discs.sourceBin()));
    EXPECT_EQ(quandor::test::readAll(discs.file("three.cue")).toStdString(),
              std::string("FILE \"three.bin\" BINARY\r\n"
                          "  TRACK 1 AUDIO\r\n"
                          "    INDEX 01 00:00:00\r\n"
                          "  TRACK 2 AUDIO\r\n"
                          "    FLAGS PRE\r\n"
                          "    INDEX 00 00:03:25\r\n"
                          "    INDEX 01 00:05:25\r\n"
                          "  TRACK 3 AUDIO\r\n"
                          "    INDEX 01 00:06:70\r\n"));

    if (quandor::test::haveCheckingTool(QStringLiteral("cuebreakpoints"))) {
        const auto breaks = quandor::test::runTool(QStringLiteral("cuebreakpoints"),
                                                   {QStringLiteral("--append-gaps"), discs.file("three.cue")});
        EXPECT_EQ(breaks.exitCode, 0) << breaks.err.toStdString();
        EXPECT_EQ(breaks.out, QByteArray("0:05.25\n0:06.70\n"));
    }
    if (quandor::test::haveCheckingTool(QStringLiteral("cdrdao"))) {
        // cdrdao opens the FILE from its working folder.
        QProcess cdrdao;
        cdrdao.setWorkingDirectory(QFileInfo(discs.file("three.cue")).absolutePath());
        cdrdao.start(QStringLiteral("cdrdao"), {QStringLiteral("show-toc"), QStringLiteral("three.cue")});
        ASSERT_TRUE(cdrdao.waitForFinished(30000));
        const QByteArray all = cdrdao.readAllStandardOutput() + cdrdao.readAllStandardError();
        EXPECT_EQ(cdrdao.exitCode(), 0) << all.toStdString();
        EXPECT_TRUE(all.contains("PRE-EMPHASIS\n          TWO CHANNEL AUDIO\n          PREGAP 00:02:00"))
            << all.toStdString();
        EXPECT_TRUE(all.contains("START  00:05:25(   400)")) << all.toStdString();
        EXPECT_TRUE(all.contains("START  00:06:70(   520)")) << all.toStdString();
        EXPECT_TRUE(all.contains("END    00:11:15(   840)")) << all.toStdString();
    }
}

TEST(DiscImage, AFirstTrackAfterLbaZeroIsImagedWithItsPregap)
{
    // Track 1 starts at 00:03:00; the three seconds before it are read as a
    // drive reads them and land in the image.
    EmulatedDiscs discs(SourceTracks{{.sectors = 500, .indexOneOffset = 225}, {.sectors = 300}});
    DiscImageJob job(snapshotFor(discs, discs.file("late.bin")));
    ASSERT_EQ(job.run().outcome, DiscImageOutcome::Completed);
    EXPECT_EQ(fileBytes(discs.file("late.bin")), fileBytes(discs.sourceBin()));
    EXPECT_EQ(quandor::test::readAll(discs.file("late.cue")).toStdString(),
              std::string("FILE \"late.bin\" BINARY\r\n"
                          "  TRACK 1 AUDIO\r\n"
                          "    INDEX 00 00:00:00\r\n"
                          "    INDEX 01 00:03:00\r\n"
                          "  TRACK 2 AUDIO\r\n"
                          "    INDEX 00 00:04:50\r\n"
                          "    INDEX 01 00:06:50\r\n"));

    // Another program reads the tracks where the disc has them, so a copy
    // burnt with it keeps the table of contents and the disc id.
    if (quandor::test::haveCheckingTool(QStringLiteral("cdrdao"))) {
        QProcess cdrdao;
        cdrdao.setWorkingDirectory(QFileInfo(discs.file("late.cue")).absolutePath());
        cdrdao.start(QStringLiteral("cdrdao"), {QStringLiteral("show-toc"), QStringLiteral("late.cue")});
        ASSERT_TRUE(cdrdao.waitForFinished(30000));
        const QByteArray all = cdrdao.readAllStandardOutput() + cdrdao.readAllStandardError();
        EXPECT_EQ(cdrdao.exitCode(), 0) << all.toStdString();
        EXPECT_TRUE(all.contains("PREGAP 00:03:00(   225)\n          START  00:03:00(   225)")) << all.toStdString();
        EXPECT_TRUE(all.contains("START  00:06:50(   500)")) << all.toStdString();
        EXPECT_TRUE(all.contains("END    00:10:50(   800)")) << all.toStdString();
    }

    // Brenlow's own burner places the tracks alike with or without that INDEX 00.
    const CueSheetLoad withIndex00 = readCueSheet(discs.file("late.cue"));
    ASSERT_TRUE(withIndex00.ok()) << withIndex00.reason.toStdString();
    QByteArray without = quandor::test::readAll(discs.file("late.cue"));
    without.replace("    INDEX 00 00:00:00\r\n", "");
    const CueSheetLoad withoutIndex00 = parseCueSheet(without, QFileInfo(discs.file("late.cue")).absolutePath());
    ASSERT_TRUE(withoutIndex00.ok()) << withoutIndex00.reason.toStdString();
    ASSERT_EQ(withIndex00.tracks.size(), withoutIndex00.tracks.size());
    for (std::size_t i = 0; i < withIndex00.tracks.size(); ++i) {
        EXPECT_EQ(withIndex00.tracks[i].pregap, withoutIndex00.tracks[i].pregap);
        EXPECT_EQ(withIndex00.tracks[i].start, withoutIndex00.tracks[i].start);
    }
}

TEST(DiscImage, A23SectorDiscIsReadTenTenOneOneOne)
{
    EmulatedDiscs discs(SourceTracks{{23}});
    DiscImageJob job(snapshotFor(discs, discs.file("short.bin")));
    ASSERT_EQ(job.run().outcome, DiscImageOutcome::Completed);
    std::vector<std::pair<int, int>> reads;
    for (const auto& cdb : discs.cdbs(kReader, 0xBE)) {
        EXPECT_EQ(cdb[9], 0xF8);
        reads.emplace_back((cdb[2] << 24) | (cdb[3] << 16) | (cdb[4] << 8) | cdb[5], cdb[8]);
    }
    EXPECT_EQ(reads, (std::vector<std::pair<int, int>>{{0, 10}, {10, 10}, {20, 1}, {21, 1}, {22, 1}}));
    EXPECT_EQ(fileBytes(discs.file("short.bin")), fileBytes(discs.sourceBin()));
}

TEST(DiscImage, CancelHalfwayLeavesNoFile)
{
    EmulatedDiscs discs(SourceTracks{{200}});
    DiscImageJob job(snapshotFor(discs, discs.file("cancel.bin")));
    int lastDone = 0;
    QObject::connect(&job, &DiscImageJob::progress, [&](int done, int total) {
        lastDone = done;
        if (done * 2 >= total)
            job.requestStop();
    });
    EXPECT_EQ(job.run().outcome, DiscImageOutcome::Cancelled);
    EXPECT_EQ(lastDone, 100);
    EXPECT_FALSE(exists(discs.file("cancel.bin")));
    EXPECT_FALSE(exists(discs.file("cancel.cue")));
}

TEST(DiscImage, ABadSectorEndsWithTheFailureInBoundedTime)
{
    EmulatedDiscs discs(SourceTracks{{100}}, "");
    ASSERT_TRUE(quandor::aspi::setUnreadableLbas({0, 1, 0}, {42}));
    DiscImageSnapshot snapshot = snapshotFor(discs, discs.file("bad.bin"));
    snapshot.attemptsPerRead = 3;
    DiscImageJob job(snapshot);
    QElapsedTimer clock;
    clock.start();
    const DiscImageResult result = job.run();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(result.outcome, DiscImageOutcome::ReadFailed);
    EXPECT_EQ(result.failedAt.value, 40);
    EXPECT_EQ(result.command.sense.key, sense_key::MediumError);
    EXPECT_EQ(discs.cdbs(kReader, 0xBE).size(), 4u + 3u);
    EXPECT_FALSE(exists(discs.file("bad.bin")));
    EXPECT_FALSE(exists(discs.file("bad.cue")));
}

TEST(DiscImage, AFullDiskEndsWithTheWriteFailureAndNoFiles)
{
    EmulatedDiscs discs(SourceTracks{{600}});
    DiscImageJob job(snapshotFor(discs, discs.file("full.bin")));
    DiscImageResult result;
    {
        quandor::test::FileSizeLimit limit(500 * 1024); // the cue sheet fits, the image does not
        result = job.run();
    }
    EXPECT_EQ(result.outcome, DiscImageOutcome::WriteFailed);
    EXPECT_EQ(result.path, discs.file("full.bin"));
    EXPECT_FALSE(exists(discs.file("full.bin")));
    EXPECT_FALSE(exists(discs.file("full.cue")));
}

TEST(DiscImage, RefusalsBeforeAnythingIsWritten)
{
    {
        EmulatedDiscs discs(SourceTracks{{100}, {50, false, true}});
        DiscImageJob job(snapshotFor(discs, discs.file("data.bin")));
        EXPECT_EQ(job.run().outcome, DiscImageOutcome::DataTrack);
        EXPECT_FALSE(exists(discs.file("data.bin")));
        EXPECT_TRUE(discs.cdbs(kReader, 0xBE).empty());
    }
    {
        EmulatedDiscs discs(SourceTracks{{30}});
        DiscImageJob job(snapshotFor(discs, discs.file("no such folder/x.bin")));
        const DiscImageResult result = job.run();
        EXPECT_EQ(result.outcome, DiscImageOutcome::CreateFailed);
        EXPECT_EQ(result.path, discs.file("no such folder/x.bin"));
    }
}

TEST(DiscImage, ProgressPercentTruncates)
{
    EXPECT_EQ(progressPercent(999, 1000), 99);
    EXPECT_EQ(progressPercent(1000, 1000), 100);
    EXPECT_EQ(progressPercent(0, 0), 0);
}

TEST(DiscImage, ALongImageKeepsDescriptorsBounded)
{
    // Every request's completion event must be let go when it completes, not
    // when its time-out would have passed: a whole CD is thousands of requests.
    const auto openDescriptors = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
    EmulatedDiscs discs(SourceTracks{{3000}});
    DiscImageJob job(snapshotFor(discs, discs.file("long.bin")));
    const auto before = openDescriptors();
    ASSERT_EQ(job.run().outcome, DiscImageOutcome::Completed);
    EXPECT_LT(openDescriptors(), before + 50);
}
