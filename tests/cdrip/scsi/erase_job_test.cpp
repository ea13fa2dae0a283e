// Erasing an emulated CD-RW.

#include "cdrip/scsi/erase_job.h"
#include "cdrip/scsi/writer_commands.h"
#include "tests/cdrip/scsi/image_test_support.h"

#include <gtest/gtest.h>

using namespace brenlow;
using namespace brenlow::test;
using namespace std::chrono_literals;

namespace {

EraseSnapshot snapshotFor(const EmulatedDiscs& discs, const DriveAddress& drive, bool full = false)
{
    EraseSnapshot snapshot;
    snapshot.transport = discs.layer();
    snapshot.drive = drive;
    snapshot.fullErase = full;
    snapshot.pollInterval = 50ms;
    snapshot.timeLimit = 5s;
    return snapshot;
}

/// The opcodes sent to `drive`, in order.
std::vector<std::uint8_t> opcodes(const DriveAddress& drive)
{
    std::vector<std::uint8_t> sent;
    for (const auto& entry : quandor::aspi::commandLog({drive.adapter, drive.target, drive.lun}))
        sent.push_back(entry.cdb[0]);
    return sent;
}

} // namespace

TEST(Erase, QuickEraseBlanksPollsAndEjects)
{
    EmulatedDiscs discs(SourceTracks{{10}});
    ASSERT_FALSE(quandor::aspi::writtenDiscBytes({0, 3, 0}).empty());
    EraseJob job(snapshotFor(discs, kCdRw));
    EXPECT_EQ(job.run().outcome, EraseOutcome::Erased);
    const auto blanks = discs.cdbs(kCdRw, scsi::op::Blank);
    ASSERT_EQ(blanks.size(), 1u);
    EXPECT_EQ(blanks[0][1], 0x11);
    const std::vector<std::uint8_t> sent = opcodes(kCdRw);
    ASSERT_GE(sent.size(), 4u); // BLANK, TEST UNIT READY (several), START STOP UNIT
    EXPECT_EQ(sent.front(), scsi::op::Blank);
    EXPECT_EQ(sent.back(), 0x1B);
    EXPECT_GE(std::count(sent.begin(), sent.end(), 0x00), 2);
    EXPECT_TRUE(quandor::aspi::writtenDiscBytes({0, 3, 0}).empty());
}

TEST(Erase, FullEraseSendsTheWholeDiscBlank)
{
    EmulatedDiscs discs(SourceTracks{{10}}, "[drive 0:4:0]\nMedium=cdrw\nBlankSeconds=0.02\n");
    EraseJob job(snapshotFor(discs, {0, 4, 0}, true));
    EXPECT_EQ(job.run().outcome, EraseOutcome::Erased);
    ASSERT_EQ(discs.cdbs({0, 4, 0}, scsi::op::Blank).size(), 1u);
    EXPECT_EQ(discs.cdbs({0, 4, 0}, scsi::op::Blank)[0][1], 0x10);
}

TEST(Erase, FailuresEndTheErase)
{
    EmulatedDiscs discs(SourceTracks{{10}},
                        "[drive 0:5:0]\nMedium=cdrw\nBlankSeconds=30\n"
                        "[drive 0:6:0]\nMedium=cdrw\nBlankSeconds=30\nFailCommands=0x00\n");
    // A CD-R and a reader refuse BLANK.
    for (const DriveAddress& drive : {kCdR, kReader}) {
        EraseJob refused(snapshotFor(discs, drive));
        const EraseResult result = refused.run();
        EXPECT_EQ(result.outcome, EraseOutcome::BlankRefused);
        EXPECT_EQ(result.command.sense.key, sense_key::IllegalRequest);
    }
    // Still erasing after the time limit.
    EraseSnapshot slow = snapshotFor(discs, {0, 5, 0});
    slow.timeLimit = 200ms;
    EXPECT_EQ(EraseJob(slow).run().outcome, EraseOutcome::TimedOut);
    // A sense other than "in progress" while polling.
    const EraseResult failed = EraseJob(snapshotFor(discs, {0, 6, 0})).run();
    EXPECT_EQ(failed.outcome, EraseOutcome::Failed);
    EXPECT_EQ(failed.command.sense.key, sense_key::HardwareError);
    EXPECT_TRUE(discs.cdbs({0, 6, 0}, 0x1B).empty());
    EXPECT_TRUE(discs.cdbs({0, 5, 0}, 0x1B).empty());
}

TEST(Erase, ADriveThatIsBecomingReadyIsStillErasing)
{
    // The drive answers NOT READY 04/01 while it finishes the blank: the job
    // polls on and ejects once it is ready.
    EmulatedDiscs discs(SourceTracks{{10}}, "[drive 0:5:0]\nMedium=cdrw\nBlankSeconds=0.3\nBlankingSense=04/01\n");
    const EraseResult result = EraseJob(snapshotFor(discs, {0, 5, 0})).run();
    EXPECT_EQ(result.outcome, EraseOutcome::Erased);
    bool sawBecomingReady = false;
    for (const auto& entry : quandor::aspi::commandLog({0, 5, 0}))
        sawBecomingReady |= entry.cdb[0] == 0x00 && entry.sense.asc == 0x04 && entry.sense.ascq == 0x01;
    EXPECT_TRUE(sawBecomingReady);
    EXPECT_EQ(discs.cdbs({0, 5, 0}, 0x1B).size(), 1u);
}

TEST(Erase, StopEndsThePollingWithoutEject)
{
    EmulatedDiscs discs(SourceTracks{{10}}, "[drive 0:5:0]\nMedium=cdrw\nBlankSeconds=30\n");
    EraseJob job(snapshotFor(discs, {0, 5, 0}));
    job.requestStop();
    EXPECT_EQ(job.run().outcome, EraseOutcome::Stopped);
    EXPECT_TRUE(discs.cdbs({0, 5, 0}, 0x1B).empty());
}

TEST(Erase, AnyNotReadyCountsAsErasing)
{
    const struct {
        SenseData sense;
        bool erasing;
    } cases[] = {{{0x02, 0x04, 0x07}, true},  {{0x02, 0x04, 0x04}, true},  {{0x02, 0x04, 0x01}, true},
                 {{0x02, 0x3A, 0x00}, true},  {{0x03, 0x0C, 0x00}, false}, {{0x04, 0x44, 0x00}, false},
                 {{0x05, 0x24, 0x00}, false}, {{0x06, 0x28, 0x00}, false}};
    for (const auto& c : cases) {
        ScsiResult result;
        result.status = 0x04;
        result.sense = c.sense;
        EXPECT_EQ(stillErasing(result), c.erasing) << senseText(result.sense).toStdString();
    }
}
