// The table-of-contents reader: track table from READ TOC answers, and the
// answers that must count as a failed read.

#include "cdrip/scsi/toc.h"
#include "recording_transport.h"

#include <gtest/gtest.h>

using namespace brenlow;

namespace {

/// A READ TOC format-0 MSF answer: header, one descriptor per address
/// (tracks first..last, then the lead-out). `addresses` are MSF-scale frames.
std::vector<std::uint8_t> tocAnswer(int first, int last, const std::vector<int>& addresses, int dataLength = -1)
{
    std::vector<std::uint8_t> answer(scsi::kTocAllocation, 0);
    const int length = dataLength >= 0 ? dataLength : 2 + 8 * static_cast<int>(addresses.size());
    answer[0] = static_cast<std::uint8_t>(length >> 8);
    answer[1] = static_cast<std::uint8_t>(length);
    answer[2] = static_cast<std::uint8_t>(first);
    answer[3] = static_cast<std::uint8_t>(last);
    for (std::size_t i = 0; i < addresses.size() && 4 + 8 * i + 8 <= answer.size(); ++i) {
        const Msf msf = Msf::fromFrames(addresses[i]);
        std::uint8_t* d = &answer[4 + 8 * i];
        d[1] = 0x10; // ADR 1, audio
        d[2] = i + 1 == addresses.size() ? 0xAA : static_cast<std::uint8_t>(first + static_cast<int>(i));
        d[5] = static_cast<std::uint8_t>(msf.minute);
        d[6] = static_cast<std::uint8_t>(msf.second);
        d[7] = static_cast<std::uint8_t>(msf.frame);
    }
    return answer;
}

/// Track start addresses of a disc with these lengths, starting at 00:02:00.
std::vector<int> addressesFor(const std::vector<int>& lengths)
{
    std::vector<int> addresses{kLeadInFrames};
    for (int length : lengths)
        addresses.push_back(addresses.back() + length);
    return addresses;
}

} // namespace

TEST(TableOfContents, ThreeTrackDiscGivesRecordsTextsAndDiscLength)
{
    const auto answer = tocAnswer(1, 3, addressesFor({18235, 1000, 500}));
    const TocResult result = parseTocAnswer(answer, QStringLiteral("Track"));
    ASSERT_TRUE(result.ok());
    const TrackTable& table = result.table;
    ASSERT_EQ(table.count(), 3);

    const Track& first = *table.at(0);
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(first.title, QStringLiteral("Track 01"));
    EXPECT_EQ(first.start, Lba{0}); // 00:02:00
    EXPECT_EQ(first.lengthFrames, 18235);
    EXPECT_EQ(first.progress, 1);
    EXPECT_EQ(first.selected, 1);

    EXPECT_EQ(table.at(1)->start, Lba{18235});
    EXPECT_EQ(table.at(1)->lengthFrames, 1000);
    EXPECT_EQ(table.at(2)->title, QStringLiteral("Track 03"));
    EXPECT_EQ(table.at(2)->lengthFrames, 500);

    // The lead-out at 150 + 19735 frames on the MSF scale, 04:25.10.
    EXPECT_EQ(table.leadOut(), Lba{18235 + 1000 + 500});
    EXPECT_EQ(table.leadOut().msf(), (Msf{4, 25, 10}));
}

TEST(TableOfContents, FirstTrackNumberOtherThanOneStillNumbersFromOne)
{
    const auto answer = tocAnswer(2, 3, addressesFor({3000, 4000}));
    const TocResult result = parseTocAnswer(answer, QStringLiteral("Piste"));
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result.table.count(), 2);
    EXPECT_EQ(result.table.at(0)->number, 1);
    EXPECT_EQ(result.table.at(0)->title, QStringLiteral("Piste 01"));
    EXPECT_EQ(result.table.at(1)->number, 2);
    EXPECT_EQ(result.table.at(1)->lengthFrames, 4000);
}

TEST(TableOfContents, SingleTrackRunsToTheLeadOut)
{
    const TocResult result = parseTocAnswer(tocAnswer(1, 1, addressesFor({75 * 60})), QStringLiteral("Track"));
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result.table.count(), 1);
    EXPECT_EQ(result.table.at(0)->lengthFrames, 75 * 60);
}

TEST(TableOfContents, NinetyNineTracksAreAllKept)
{
    const std::vector<int> lengths(99, 300);
    const TocResult result = parseTocAnswer(tocAnswer(1, 99, addressesFor(lengths)), QStringLiteral("Track"));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.table.count(), 99);
    EXPECT_EQ(result.table.at(98)->title, QStringLiteral("Track 99"));
}

TEST(TableOfContents, MalformedAnswersCountAsFailedReads)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> answer;
        TocError error;
    };
    auto backwards = tocAnswer(1, 3, {150, 5000, 4000, 9000});
    auto equal = tocAnswer(1, 2, {150, 150, 9000});
    auto badSeconds = tocAnswer(1, 1, {150, 9000});
    badSeconds[4 + 8 + 6] = 60; // lead-out at mm:60.ff
    auto truncatedTail = tocAnswer(1, 3, addressesFor({100, 100, 100}));
    std::fill(truncatedTail.begin() + 4 + 8 * 3, truncatedTail.end(), 0); // lead-out descriptor missing

    const Case cases[] = {
        {"last below first", tocAnswer(3, 2, addressesFor({100, 100})), TocError::BadTrackNumbers},
        {"first track zero", tocAnswer(0, 2, addressesFor({100, 100, 100})), TocError::BadTrackNumbers},
        {"a hundred tracks", tocAnswer(1, 100, addressesFor(std::vector<int>(99, 100))), TocError::BadTrackNumbers},
        {"data length too short for the descriptors", tocAnswer(1, 3, addressesFor({100, 100, 100}), 2 + 8 * 3),
         TocError::ShortReply},
        {"header only", std::vector<std::uint8_t>{0, 2, 1, 1}, TocError::ShortReply},
        {"empty answer", {}, TocError::ShortReply},
        {"addresses going back", backwards, TocError::BadAddress},
        {"two tracks at one address", equal, TocError::BadAddress},
        {"seconds out of range", badSeconds, TocError::BadAddress},
        {"zeroed lead-out descriptor", truncatedTail, TocError::BadAddress},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TocResult result = parseTocAnswer(c.answer, QStringLiteral("Track"));
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.table.count(), 0);
    }
}

TEST(TableOfContents, ReadSendsReadTocAndReportsAFailedCommand)
{
    test::RecordingTransport drive;
    drive.answer = [](const test::SentCommand&, std::span<std::uint8_t> data) {
        const auto answer = tocAnswer(1, 2, addressesFor({1000, 2000}));
        std::copy(answer.begin(), answer.begin() + static_cast<long>(data.size()), data.begin());
        ScsiResult ok;
        ok.status = ScsiResult::kDone;
        return ok;
    };
    const TocResult read = readTableOfContents(drive, {1, 0, 0}, QStringLiteral("Track"));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.table.count(), 2);
    ASSERT_EQ(drive.sent.size(), 1u);
    EXPECT_EQ(test::hex(drive.sent[0].cdb), QByteArray("43 02 00 00 00 00 00 03 24 00"));
    EXPECT_EQ(drive.sent[0].direction, DataDirection::In);
    EXPECT_EQ(drive.sent[0].dataLength, 804u);
    EXPECT_EQ(drive.sent[0].drive, (DriveAddress{1, 0, 0}));

    // No disc: the drive answers NOT READY.
    test::RecordingTransport empty;
    empty.answer = [](const test::SentCommand&, std::span<std::uint8_t>) {
        ScsiResult failed;
        failed.status = 0x04;
        failed.sense = SenseData{0x02, 0x3A, 0x00};
        return failed;
    };
    const TocResult none = readTableOfContents(empty, {1, 0, 0}, QStringLiteral("Track"));
    EXPECT_EQ(none.error, TocError::CommandFailed);
    EXPECT_EQ(none.table.count(), 0);
    EXPECT_EQ(none.command.sense.key, sense_key::NotReady);
}
