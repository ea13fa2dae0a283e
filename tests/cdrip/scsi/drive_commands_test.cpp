// What the drive commands send, byte for byte, and the addresses the player
// commands take from the track table.

#include "cdrip/scsi/drive_control.h"
#include "cdrip/scsi/drive_scan.h"
#include "cdrip/scsi/scsi_commands.h"
#include "recording_transport.h"

#include <gtest/gtest.h>

using namespace brenlow;
using brenlow::test::hex;
using brenlow::test::RecordingTransport;

namespace {

const DriveAddress kDrive{1, 2, 3};

TrackTable threeTrackDisc()
{
    std::vector<Track> tracks;
    Lba start{0};
    for (int length : {18235, 1000, 500}) {
        Track track;
        track.number = static_cast<int>(tracks.size()) + 1;
        track.start = start;
        track.lengthFrames = length;
        tracks.push_back(track);
        start = track.end();
    }
    TrackTable table;
    table.setTracks(std::move(tracks), start);
    return table;
}

} // namespace

TEST(DriveCommands, EachCommandSendsItsCdb)
{
    const TrackTable disc = threeTrackDisc();
    struct Case {
        const char* name;
        std::function<ScsiResult(RecordingTransport&)> send;
        QByteArray cdb;
        DataDirection direction;
        bool postEvent;
    };
    const Case cases[] = {
        {"play track 2", [&](RecordingTransport& t) { return playTrack(t, kDrive, disc, 1); },
         "A5 00 00 00 47 3B 00 00 03 E8 00 00", DataDirection::None, true},
        {"play track 1", [&](RecordingTransport& t) { return playTrack(t, kDrive, disc, 0); },
         "A5 00 00 00 00 00 00 00 47 3B 00 00", DataDirection::None, true},
        {"pause", [](RecordingTransport& t) { return pauseResume(t, kDrive, false); }, "4B 00 00 00 00 00 00 00 00 00",
         DataDirection::None, true},
        {"resume", [](RecordingTransport& t) { return pauseResume(t, kDrive, true); }, "4B 00 00 00 00 00 00 00 01 00",
         DataDirection::None, true},
        {"stop", [](RecordingTransport& t) { return stopPlay(t, kDrive); }, "4E 00 00 00 00 00 00 00 00 00",
         DataDirection::None, true},
        {"eject", [](RecordingTransport& t) { return ejectDisc(t, kDrive); }, "1B 00 00 00 02 00", DataDirection::Out,
         false},
        {"inquiry",
         [](RecordingTransport& t) {
             std::array<std::uint8_t, scsi::kInquiryLength> answer{};
             return scsi::inquiry(t, kDrive, answer);
         },
         "12 00 00 00 24 00", DataDirection::In, false},
        {"read cd of ten sectors at 18235",
         [](RecordingTransport& t) {
             std::vector<std::uint8_t> buffer(10 * kSectorBytes);
             return scsi::readCd(t, kDrive, Lba{18235}, 10, buffer);
         },
         "BE 00 00 00 47 3B 00 00 0A F8 00 00", DataDirection::In, true},
        {"read cd of CD-DA sectors only",
         [](RecordingTransport& t) {
             std::vector<std::uint8_t> buffer(kSectorBytes);
             return scsi::readCd(t, kDrive, Lba{-150}, 1, buffer, scsi::SectorType::CdDa);
         },
         "BE 04 FF FF FF 6A 00 00 01 F8 00 00", DataDirection::In, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingTransport transport;
        EXPECT_TRUE(c.send(transport).ok());
        ASSERT_EQ(transport.sent.size(), 1u);
        EXPECT_EQ(hex(transport.sent[0].cdb), c.cdb);
        EXPECT_EQ(transport.sent[0].direction, c.direction);
        EXPECT_EQ(transport.sent[0].postEvent, c.postEvent);
        EXPECT_EQ(transport.sent[0].drive, kDrive);
    }
}

TEST(DriveCommands, ReadCdHandsTheWholeBufferOfItsSectors)
{
    RecordingTransport transport;
    std::vector<std::uint8_t> buffer(10 * kSectorBytes);
    scsi::readCd(transport, kDrive, Lba{0}, 1, buffer);
    ASSERT_EQ(transport.sent.size(), 1u);
    EXPECT_EQ(transport.sent[0].dataLength, std::size_t(kSectorBytes));

    // A buffer too small for the sectors asked is refused before anything is sent.
    RecordingTransport refused;
    std::vector<std::uint8_t> small(kSectorBytes);
    EXPECT_FALSE(scsi::readCd(refused, kDrive, Lba{0}, 2, small).ok());
    EXPECT_TRUE(refused.sent.empty());
}

TEST(DriveCommands, PlayFromIsClampedToTheDisc)
{
    const TrackTable disc = threeTrackDisc();
    const int leadOutLba = 18235 + 1000 + 500;
    struct Case {
        const char* name;
        int track;
        int start;
        bool sent;
        std::uint32_t frames;
    };
    const Case cases[] = {
        {"inside the first track plays a track's length", 0, 375, true, 18235},
        {"near the end of the last track stops at the lead-out", 2, leadOutLba - 75, true, 75},
        {"the last track from its own start", 2, 19235, true, 500},
        {"at the lead-out is refused", 2, leadOutLba, false, 0},
        {"past the lead-out is refused", 1, leadOutLba + 375, false, 0},
        {"before the disc is refused", 0, -1, false, 0},
        {"no track is refused", -1, 0, false, 0},
        {"a track past the table is refused", 3, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingTransport transport;
        const ScsiResult result = playFrom(transport, kDrive, disc, c.track, Lba{c.start});
        EXPECT_EQ(result.ok(), c.sent);
        ASSERT_EQ(transport.sent.size(), c.sent ? 1u : 0u);
        if (!c.sent)
            continue;
        const auto& cdb = transport.sent[0].cdb;
        const auto be32 = [&](int at) {
            return std::uint32_t(cdb[at]) << 24 | std::uint32_t(cdb[at + 1]) << 16 | std::uint32_t(cdb[at + 2]) << 8
                | cdb[at + 3];
        };
        EXPECT_EQ(be32(2), std::uint32_t(c.start));
        EXPECT_EQ(be32(6), c.frames);
    }
}

TEST(DriveCommands, PlayTrackOutsideTheTableSendsNothing)
{
    const TrackTable disc = threeTrackDisc();
    for (int index : {-1, 3, 99}) {
        RecordingTransport transport;
        EXPECT_FALSE(playTrack(transport, kDrive, disc, index).ok());
        EXPECT_TRUE(transport.sent.empty());
    }
}

TEST(SenseData, TheRipperTellsTheLayersDecodedSenseByKeyAndCodes)
{
    // Decoding itself is the layer's (tests/platform/aspi/sense_test.cpp); the
    // ripper's messages name the key and the codes only.
    std::array<std::uint8_t, 14> fixed{0xF0, 0, 0x03, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0x11, 0x05};
    EXPECT_EQ(quandor::aspi::decodeSense(fixed), (SenseData{0x03, 0x11, 0x05}));
    EXPECT_EQ(senseText(quandor::aspi::decodeSense(fixed)), QStringLiteral("MEDIUM ERROR (11/05)"));
    EXPECT_EQ(senseText({sense_key::IllegalRequest, 0x24, 0x00}), QStringLiteral("ILLEGAL REQUEST (24/00)"));
    EXPECT_FALSE(SenseData{}.any());
    EXPECT_EQ((ScsiResult{4, 0, 0, {sense_key::MediumError, 0x11, 0x00}}.text()),
              QStringLiteral("status 04, MEDIUM ERROR (11/00)"));
    EXPECT_EQ((ScsiResult{4, 0, 0, {}}.text()), QStringLiteral("status 04"));
}

TEST(DriveDescription, InquiryTextIsVendorProductAndRevisionUpToTheFirstZero)
{
    struct Case {
        const char* name;
        QByteArray identity; // bytes 8.. of the answer
        bool ok;
        const char* description;
    };
    const Case cases[] = {
        {"full answer", "QUANDOR EMULATED CD-RW  1.00", true, "QUANDOR EMULATED CD-RW  1.0"},
        {"short answer", QByteArray("ACME\0\0\0\0", 8), true, "ACME"},
        {"failed inquiry", "QUANDOR EMULATED CD-RW  1.00", false, "Inquiry error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingTransport drive;
        drive.answer = [&c](const brenlow::test::SentCommand&, std::span<std::uint8_t> data) {
            std::copy(c.identity.begin(), c.identity.end(), data.begin() + 8);
            ScsiResult result;
            result.status = c.ok ? ScsiResult::kDone : 0x04;
            return result;
        };
        EXPECT_EQ(aspiInquiry(drive, kDrive), QString::fromLatin1(c.description));
    }
}
