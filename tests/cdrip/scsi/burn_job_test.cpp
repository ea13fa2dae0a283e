// Writing images to emulated blank discs, session at once.

#include "cdrip/cddb/cddb_query.h"
#include "cdrip/scsi/burn_job.h"
#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/scsi/toc.h"
#include "cdrip/scsi/writer_commands.h"
#include "platform/isoburn/isoburn.h"
#include "tests/cdrip/scsi/image_test_support.h"

#include "tests/support/fifo_guard.h"
#include "tests/support/tools.h"

#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <gtest/gtest.h>

using namespace brenlow;
using namespace brenlow::test;

namespace {

quandor::aspi::DeviceAddress deviceOf(const DriveAddress& drive)
{
    return {drive.adapter, drive.target, drive.lun};
}

int cdbAddress(const std::vector<std::uint8_t>& cdb)
{
    return static_cast<std::int32_t>((std::uint32_t(cdb[2]) << 24) | (cdb[3] << 16) | (cdb[4] << 8) | cdb[5]);
}

/// Passes commands on, but fails the WRITE at one address (a medium error)
/// or answers the first WRITEs "long write in progress".
class FaultyWrites : public ScsiTransport {
public:
    explicit FaultyWrites(std::shared_ptr<ScsiTransport> inner) : inner_(std::move(inner)) {}
    ScsiResult execute(const DriveAddress& address, const ScsiCommand& command, std::span<std::uint8_t> data) override
    {
        if (command.cdb[0] == scsi::op::Write10) {
            std::vector<std::uint8_t> cdb(command.cdb.begin(), command.cdb.begin() + 10);
            if (busyAnswers > 0 || cdbAddress(cdb) == failAt) {
                ScsiResult refused;
                refused.status = 0x04;
                refused.sense = busyAnswers-- > 0 ? SenseData{0x02, 0x04, 0x08} : SenseData{0x03, 0x0C, 0x00};
                return refused;
            }
        }
        return inner_->execute(address, command, data);
    }
    int failAt = -1000;
    int busyAnswers = 0;

private:
    std::shared_ptr<ScsiTransport> inner_;
};

// The burn ejects the disc; this loads it again (START STOP UNIT, LoEj and Start).
void loadTray(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand load;
    load.cdbLength = 6;
    load.cdb[0] = 0x1B;
    load.cdb[4] = 0x03;
    transport.execute(drive, load, {});
}

class Burn : public ::testing::Test {
protected:
    /// Images the source disc with the image job and reads its cue sheet back.
    void makeImage(const SourceTracks& tracks)
    {
        discs_ = std::make_unique<EmulatedDiscs>(tracks);
        DiscImageSnapshot snapshot;
        snapshot.transport = discs_->layer();
        snapshot.drive = kReader;
        snapshot.tracks = readTableOfContents(*discs_->layer(), kReader, QStringLiteral("Track")).table;
        snapshot.paths = imagePathsFor(discs_->file("image.bin"));
        ASSERT_EQ(DiscImageJob(snapshot).run().outcome, DiscImageOutcome::Completed);
        load_ = readCueSheet(discs_->file("image.cue"));
        ASSERT_TRUE(load_.ok()) << load_.reason.toStdString();
        quandor::aspi::clearCommandLog();
    }

    BurnSnapshot snapshot(const DriveAddress& drive = kCdR)
    {
        BurnSnapshot s;
        s.transport = discs_->layer();
        s.drive = drive;
        s.imagePath = load_.imagePath;
        s.imageSize = load_.imageSize;
        s.tracks = load_.tracks;
        s.speedKbs = 1411;
        s.setWriteParameters = [this](const DriveAddress& d, std::uint8_t options) {
            options_.push_back(options);
            return SetParameter(d.adapter, d.target, d.lun, options, 8, 8);
        };
        return s;
    }

    struct Run {
        BurnOutcome outcome;
        std::vector<int> lines;
        std::vector<BurnIcon> icons;
        std::vector<QString> prefixes;
    };
    Run run(BurnSnapshot s, int stopAtSector = -1)
    {
        BurnJob job(std::move(s));
        Run result{};
        QObject::connect(&job, &BurnJob::row, [&](const BurnRow& row) {
            result.lines.push_back(row.line);
            result.icons.push_back(row.icon);
            // A row's text as an English log shows it (the added lines carry theirs).
            const QString text = row.prefix + row.english;
            result.prefixes.push_back(row.argument.isEmpty() ? text : text.arg(row.argument));
        });
        QObject::connect(&job, &BurnJob::progress, [&](int sector, int) {
            if (stopAtSector >= 0 && sector >= stopAtSector)
                job.requestStop();
        });
        result.outcome = job.run();
        return result;
    }

    std::vector<int> writeAddresses(const DriveAddress& drive = kCdR)
    {
        std::vector<int> addresses;
        for (const auto& cdb : discs_->cdbs(drive, scsi::op::Write10))
            addresses.push_back(cdbAddress(cdb));
        return addresses;
    }

    std::unique_ptr<EmulatedDiscs> discs_;
    CueSheetLoad load_;
    std::vector<std::uint8_t> options_;
};

std::vector<int> pregapAddresses()
{
    std::vector<int> addresses;
    for (int lba = -150; lba < 0; lba += 10)
        addresses.push_back(lba);
    return addresses;
}

} // namespace

TEST_F(Burn, ImageOfADiscBurnsBackEqual)
{
    makeImage({{400}, {300, true}, {257}});
    const Run result = run(snapshot());
    ASSERT_EQ(result.outcome, BurnOutcome::Written);
    EXPECT_EQ(result.lines, (std::vector<int>{101, 103, 105, 107, 109, 111, 112, 115}));
    ASSERT_FALSE(result.icons.empty());
    EXPECT_EQ(result.icons.back(), BurnIcon::Done);
    EXPECT_EQ(quandor::aspi::writtenDiscBytes(deviceOf(kCdR)), fileBytes(load_.imagePath));
    EXPECT_EQ(options_, (std::vector<std::uint8_t>{0x41, 0x42}));

    // SET CD SPEED is the 12-byte command, without data; then the cue sheet,
    // the session close and the eject.
    const auto speeds = discs_->cdbs(kCdR, scsi::op::SetCdSpeed);
    ASSERT_EQ(speeds.size(), 1u);
    EXPECT_EQ(speeds[0].size(), 12u);
    EXPECT_EQ((speeds[0][4] << 8) | speeds[0][5], 1411);
    EXPECT_EQ(discs_->cdbs(kCdR, scsi::op::SendCueSheet).size(), 1u);
    EXPECT_EQ(discs_->cdbs(kCdR, scsi::op::SynchronizeCache).size(), 1u);
    ASSERT_EQ(discs_->cdbs(kCdR, scsi::op::CloseTrackSession).size(), 1u);
    EXPECT_EQ(discs_->cdbs(kCdR, scsi::op::CloseTrackSession)[0][2], 0x02);
    EXPECT_EQ(discs_->cdbs(kCdR, 0x1B).size(), 1u);
}

TEST_F(Burn, ACopyOfADiscWhoseFirstTrackStartsLateIsTheSameDisc)
{
    // Track 1 at LBA 150: the image holds the 150 sectors before it, which
    // burn back as the rest of its pregap.
    makeImage({{400, false, false, 150}, {300}, {257}});
    const TocResult original = readTableOfContents(*discs_->layer(), kReader, QStringLiteral("Track"));
    ASSERT_TRUE(original.ok());
    ASSERT_EQ(original.table.tracks().front().start, Lba{150});
    ASSERT_EQ(run(snapshot()).outcome, BurnOutcome::Written);
    EXPECT_EQ(quandor::aspi::writtenDiscBytes(deviceOf(kCdR)), fileBytes(load_.imagePath));

    loadTray(*discs_->layer(), kCdR);
    const TocResult copy = readTableOfContents(*discs_->layer(), kCdR, QStringLiteral("Track"));
    ASSERT_TRUE(copy.ok());
    ASSERT_EQ(copy.table.count(), original.table.count());
    for (int i = 0; i < copy.table.count(); ++i) {
        EXPECT_EQ(copy.table.tracks()[i].start, original.table.tracks()[i].start) << i;
        EXPECT_EQ(copy.table.tracks()[i].lengthFrames, original.table.tracks()[i].lengthFrames) << i;
    }
    EXPECT_EQ(copy.table.leadOut(), original.table.leadOut());
    EXPECT_EQ(formatCddbQuery(copy.table).discId, formatCddbQuery(original.table).discId);
    EXPECT_EQ(formatCddbQuery(copy.table).command, formatCddbQuery(original.table).command);
}

TEST_F(Burn, PreEmphasisOfTheCueSheetReachesTheBurntDisc)
{
    makeImage({{400}, {300, true}, {257}});
    ASSERT_EQ(load_.tracks[1].control, kControlPreEmphasis);
    ASSERT_EQ(run(snapshot()).outcome, BurnOutcome::Written);
    // The cue sheet the writer keeps of the burnt disc: FLAGS PRE under track 2 alone.
    const QString burntCue = discs_->file("burnt.cue");
    const QByteArray written = quandor::test::readAll(burntCue);
    EXPECT_EQ(written.count("FLAGS PRE"), 1) << written.toStdString();
    EXPECT_TRUE(written.contains("TRACK 02 AUDIO\r\n    FLAGS PRE\r\n")) << written.toStdString();
    if (quandor::test::haveTool(QStringLiteral("cdrdao"))) {
        QProcess cdrdao;
        cdrdao.setWorkingDirectory(QFileInfo(burntCue).absolutePath());
        cdrdao.start(QStringLiteral("cdrdao"), {QStringLiteral("show-toc"), QStringLiteral("burnt.cue")});
        ASSERT_TRUE(cdrdao.waitForFinished(30000));
        const QByteArray all = cdrdao.readAllStandardOutput() + cdrdao.readAllStandardError();
        EXPECT_EQ(cdrdao.exitCode(), 0) << all.toStdString();
        // Only track 2 is marked.
        const qsizetype track2 = all.indexOf("TRACK  2"), track3 = all.indexOf("TRACK  3");
        ASSERT_TRUE(track2 > 0 && track3 > track2) << all.toStdString();
        const QByteArray marked = "\n          PRE-EMPHASIS\n";
        EXPECT_EQ(all.count(marked), 1) << all.toStdString();
        const qsizetype flag = all.indexOf(marked);
        EXPECT_TRUE(flag > track2 && flag < track3) << all.toStdString();
    }
}

TEST_F(Burn, A23SectorImageIsWrittenAtItsOwnAddresses)
{
    makeImage({{23}});
    ASSERT_EQ(run(snapshot()).outcome, BurnOutcome::Written);
    std::vector<int> expected = pregapAddresses();
    expected.insert(expected.end(), {0, 10, 20, 21, 22});
    EXPECT_EQ(writeAddresses(), expected);
    std::vector<int> counts;
    for (const auto& cdb : discs_->cdbs(kCdR, scsi::op::Write10))
        counts.push_back(cdb[8]);
    EXPECT_EQ(std::vector<int>(counts.end() - 5, counts.end()), (std::vector<int>{10, 10, 1, 1, 1}));
    EXPECT_EQ(quandor::aspi::writtenDiscBytes(deviceOf(kCdR)), fileBytes(load_.imagePath));
}

TEST_F(Burn, OptionBytesAndTestWrite)
{
    EXPECT_EQ(burnOptions(false, false), 0x02);
    EXPECT_EQ(burnOptions(true, false), 0x42);
    EXPECT_EQ(burnOptions(true, true), 0x52);

    makeImage({{60}});
    BurnSnapshot s = snapshot();
    s.testWrite = true;
    const Run result = run(s);
    EXPECT_EQ(result.outcome, BurnOutcome::Written);
    EXPECT_EQ(options_, (std::vector<std::uint8_t>{0x41, 0x52}));
    EXPECT_TRUE(quandor::aspi::writtenDiscBytes(deviceOf(kCdR)).empty()); // still blank
    // The log tells a rehearsal from a burn: no "Image written.", "Drive
    // cache written." or "Burn completed."; it says nothing was written.
    const auto writing = std::find(result.lines.begin(), result.lines.end(), 109);
    ASSERT_NE(writing, result.lines.end());
    EXPECT_EQ(std::vector<int>(writing + 1, result.lines.end()), (std::vector<int>{153, 154}));
    ASSERT_EQ(result.prefixes.size(), result.lines.size());
    EXPECT_TRUE(result.prefixes[result.prefixes.size() - 2].contains(QStringLiteral("nothing was written")));
    EXPECT_TRUE(result.prefixes.back().startsWith(QStringLiteral("Test write completed")));
    EXPECT_EQ(result.icons.back(), BurnIcon::Done);
}

TEST_F(Burn, PreparingFailuresStopBeforeWritingAndLeaveTheDisc)
{
    makeImage({{60}});
    const struct {
        const char* name;
        DriveAddress drive;
        std::uint8_t failingOpcode;
        bool refuseParameters;
        std::vector<int> lines;
    } cases[] = {
        {"written disc", kCdRw, 0, false, {102}},
        {"no answer", kCdR, scsi::op::ReadDiscInformation, false, {102}},
        {"write parameters refused", kCdR, 0, true, {101, 104}},
        {"speed refused", kCdR, scsi::op::SetCdSpeed, false, {101, 103, 106, 206}},
        {"cue sheet refused", kCdR, scsi::op::SendCueSheet, false, {101, 103, 105, 108, 206}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        quandor::aspi::clearCommandLog();
        if (c.failingOpcode) {
            ASSERT_TRUE(quandor::aspi::setFailingCommands(deviceOf(c.drive), {c.failingOpcode}));
        }
        BurnSnapshot s = snapshot(c.drive);
        if (c.refuseParameters)
            s.setWriteParameters = [](const DriveAddress&, std::uint8_t) { return 0; };
        const Run result = run(s);
        EXPECT_EQ(result.outcome, BurnOutcome::PreparationFailed);
        EXPECT_EQ(result.lines, c.lines);
        if (c.lines.back() == 206) { // the drive's own answer follows a refusal
            EXPECT_TRUE(result.prefixes.back().contains(QStringLiteral("HARDWARE ERROR")))
                << result.prefixes.back().toStdString();
        }
        ASSERT_FALSE(result.icons.empty());
        EXPECT_EQ(result.icons.back(), BurnIcon::Error);
        EXPECT_TRUE(discs_->cdbs(c.drive, scsi::op::Write10).empty());
        EXPECT_TRUE(discs_->cdbs(c.drive, 0x1B).empty());
        quandor::aspi::setFailingCommands(deviceOf(c.drive), {});
    }
}

TEST_F(Burn, ImageProblemsAreFoundBeforeTheDiscIsTouched)
{
    makeImage({{60}});
    BurnSnapshot missing = snapshot();
    missing.imagePath = discs_->file("gone.bin");
    Run result = run(missing);
    EXPECT_EQ(result.lines, std::vector<int>{119});
    BurnSnapshot changed = snapshot();
    changed.imageSize += kSectorBytes;
    result = run(changed);
    EXPECT_EQ(result.outcome, BurnOutcome::PreparationFailed);
    // An image swapped for a FIFO after its sheet was read is missing, at once.
    BurnSnapshot fifo = snapshot();
    fifo.imagePath = discs_->file("fifo.bin");
    const quandor::test::FifoGuard guard({fifo.imagePath});
    ASSERT_TRUE(guard.made());
    result = run(fifo);
    EXPECT_FALSE(guard.released()) << "the job waited on the FIFO";
    EXPECT_EQ(result.lines, std::vector<int>{119});
    EXPECT_TRUE(quandor::aspi::commandLog(deviceOf(kCdR)).empty());
}

TEST_F(Burn, AFailedWriteEndsWithItsRowAndStillClosesAndEjects)
{
    for (const int failAt : {500, -150}) {
        SCOPED_TRACE(failAt);
        discs_ = nullptr;
        makeImage({{900}});
        BurnSnapshot s = snapshot();
        auto faulty = std::make_shared<FaultyWrites>(discs_->layer());
        faulty->failAt = failAt;
        s.transport = faulty;
        const Run result = run(s);
        EXPECT_EQ(result.outcome, BurnOutcome::WriteFailed);
        EXPECT_NE(std::find(result.lines.begin(), result.lines.end(), 114), result.lines.end());
        EXPECT_EQ(std::find(result.lines.begin(), result.lines.end(), 111), result.lines.end());
        EXPECT_EQ(discs_->cdbs(kCdR, scsi::op::CloseTrackSession).size(), 1u);
        EXPECT_EQ(discs_->cdbs(kCdR, 0x1B).size(), 1u);
        if (failAt < 0) {
            EXPECT_TRUE(discs_->cdbs(kCdR, scsi::op::Write10).empty()); // nothing after a failed pregap
        }
    }
}

TEST_F(Burn, LongWriteInProgressIsRetried)
{
    makeImage({{30}});
    BurnSnapshot s = snapshot();
    auto busy = std::make_shared<FaultyWrites>(discs_->layer());
    busy->busyAnswers = 3;
    s.transport = busy;
    EXPECT_EQ(run(s).outcome, BurnOutcome::Written);
    EXPECT_EQ(quandor::aspi::writtenDiscBytes(deviceOf(kCdR)), fileBytes(load_.imagePath));

    // A drive that stays busy fails the write after the bounded wait.
    discs_ = nullptr;
    makeImage({{30}});
    BurnSnapshot stuck = snapshot();
    auto alwaysBusy = std::make_shared<FaultyWrites>(discs_->layer());
    alwaysBusy->busyAnswers = 1000000;
    stuck.transport = alwaysBusy;
    stuck.busyWriteLimit = std::chrono::milliseconds(50);
    const Run result = run(stuck);
    EXPECT_EQ(result.outcome, BurnOutcome::WriteFailed);
    EXPECT_NE(std::find(result.lines.begin(), result.lines.end(), 114), result.lines.end());
}

TEST_F(Burn, TheLogTellsWhatWasWrittenFlushedAndClosed)
{
    // "Image written." (111) only for an image written to its end; after a
    // stop or a write error their own row stands there, and the cache and
    // session rows follow what the drive answered.
    // Lines added after the original ones, whose English text the row carries.
    constexpr int kSessionClosed = 156;
    constexpr int kCacheNotWritten = 155;
    constexpr int kSessionNotClosed = 157;
    const struct {
        const char* name;
        int stopAt;                        // -1: not stopped
        int failWriteAt;                   // -1000: no failed WRITE
        std::vector<std::uint8_t> failing; // opcodes the burner fails
        BurnOutcome outcome;
        std::vector<int> tail;      // rows after 109
        std::vector<QString> texts; // their own texts, in order
    } cases[] = {
        {"written", -1, -1000, {}, BurnOutcome::Written, {111, 112, 115}, {}},
        {"stopped", 100, -1000, {}, BurnOutcome::Cancelled, {113, 112, kSessionClosed}, {"Session closed."}},
        {"write error", -1, 200, {}, BurnOutcome::WriteFailed, {114, 112, kSessionClosed}, {"Session closed."}},
        {"cache not written",
         -1,
         -1000,
         {scsi::op::SynchronizeCache},
         BurnOutcome::Written,
         {111, kCacheNotWritten, 115},
         {"The drive cache could not be written (status"}},
        {"session not closed",
         100,
         -1000,
         {scsi::op::CloseTrackSession},
         BurnOutcome::Cancelled,
         {113, 112, kSessionNotClosed},
         {"The session could not be closed (status"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        discs_ = nullptr;
        makeImage({{400}});
        ASSERT_TRUE(quandor::aspi::setFailingCommands(deviceOf(kCdR), c.failing));
        BurnSnapshot s = snapshot();
        auto faulty = std::make_shared<FaultyWrites>(discs_->layer());
        faulty->failAt = c.failWriteAt;
        s.transport = faulty;
        const Run result = run(s, c.stopAt);
        EXPECT_EQ(result.outcome, c.outcome);
        const auto writing = std::find(result.lines.begin(), result.lines.end(), 109);
        ASSERT_NE(writing, result.lines.end());
        EXPECT_EQ(std::vector<int>(writing + 1, result.lines.end()), c.tail);
        std::vector<QString> texts;
        for (std::size_t i = 0; i < result.lines.size(); ++i)
            if (result.lines[i] > 152)
                texts.push_back(result.prefixes[i]);
        ASSERT_EQ(texts.size(), c.texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_TRUE(texts[i].startsWith(c.texts[i])) << texts[i].toStdString();
    }
}

TEST_F(Burn, CancelStopsTheDataAndClosesTheSession)
{
    makeImage({{400}});
    const Run result = run(snapshot(), 100);
    EXPECT_EQ(result.outcome, BurnOutcome::Cancelled);
    EXPECT_NE(std::find(result.lines.begin(), result.lines.end(), 113), result.lines.end());
    EXPECT_EQ(std::find(result.lines.begin(), result.lines.end(), 111), result.lines.end());
    const std::vector<int> addresses = writeAddresses();
    ASSERT_FALSE(addresses.empty());
    EXPECT_EQ(addresses.back(), 90);
    EXPECT_EQ(discs_->cdbs(kCdR, scsi::op::CloseTrackSession).size(), 1u);
    EXPECT_EQ(discs_->cdbs(kCdR, 0x1B).size(), 1u);
}
