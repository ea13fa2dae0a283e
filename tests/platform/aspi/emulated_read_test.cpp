// The emulated drive answering the reading, player and tray commands.
#include <gtest/gtest.h>

#include <thread>

#include "platform/aspi/disc_address.h"
#include "tests/platform/aspi/aspi_test_support.h"

namespace quandor::aspi {
namespace {

using namespace test;

constexpr DeviceAddress kDrive{1, 0, 0};

uint8_t hostAdapterInquiry(int adapter, int* count = nullptr)
{
    AspiHostAdapterInquiry request{};
    request.header.command = AspiCommandHostAdapterInquiry;
    request.header.adapter = uint8_t(adapter);
    SendASPI32Command(&request);
    if (count)
        *count = request.adapterCount;
    return aspiRequestStatus(request.header);
}

// Device type of a:t:l, or -status when the request fails.
int deviceType(int adapter, int target, int lun)
{
    AspiGetDeviceType request{};
    request.header.command = AspiCommandGetDeviceType;
    request.header.adapter = uint8_t(adapter);
    request.target = uint8_t(target);
    request.lun = uint8_t(lun);
    SendASPI32Command(&request);
    const uint8_t status = aspiRequestStatus(request.header);
    return status == AspiStatusDone ? request.deviceType : -int(status);
}

class EmulatedDriveTest : public ::testing::Test {
protected:
    void loadAudioDisc(const std::vector<ImageTrack>& tracks, int firstTrack = 1, const std::string& extra = {})
    {
        writeImage(folder, "disc", tracks, firstTrack);
        loadDrives(folder,
                   "[drive 1:0:0]\nVendor=QUANDOR\nProduct=EMULATED CD-RW\nRevision=1.00\n"
                   "Medium=audio\nCue=disc.cue\n"
                       + extra);
    }
    TempFolder folder;
};

TEST_F(EmulatedDriveTest, ScanFindsEveryDeviceWithItsTypeAndOnlyThoseConfigured)
{
    writeImage(folder, "disc", {{100}});
    loadDrives(folder,
               "[drive 0:0:0]\nType=0\n"
               "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\n"
               "[drive 1:1:0]\nMedium=none\n"
               "[drive 2:3:0]\nType=6\n");
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0103u) << "status 1, three adapters";
    int count = 0;
    EXPECT_EQ(hostAdapterInquiry(0, &count), AspiStatusDone);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(hostAdapterInquiry(3), AspiStatusInvalidAdapter);

    std::vector<std::string> cdroms;
    for (int a = 0; a < count; ++a)
        for (int t = 0; t < 8; ++t)
            for (int l = 0; l < 8; ++l)
                if (deviceType(a, t, l) == 5)
                    cdroms.push_back(std::to_string(a) + ":" + std::to_string(t) + ":" + std::to_string(l));
    EXPECT_EQ(cdroms, (std::vector<std::string>{"1:0:0", "1:1:0"}));
    EXPECT_EQ(deviceType(0, 0, 0), 0);
    EXPECT_EQ(deviceType(2, 3, 0), 6);
    EXPECT_EQ(deviceType(1, 2, 0), -AspiStatusNoDevice);
    EXPECT_EQ(deviceType(9, 0, 0), -AspiStatusInvalidAdapter);
}

TEST_F(EmulatedDriveTest, InquiryGivesTypeAndPaddedIdentificationAndHonoursTheAllocation)
{
    loadAudioDisc({{100}});
    Reply reply = execute(kDrive, {0x12, 0, 0, 0, 36, 0}, AspiFlagDataIn, std::vector<uint8_t>(36));
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(reply.data[0], 5);
    EXPECT_EQ(reply.data[1] & 0x80, 0x80) << "removable medium";
    EXPECT_EQ(std::string(reply.data.begin() + 8, reply.data.begin() + 35), "QUANDOR EMULATED CD-RW  1.0");

    Reply shortReply = execute(kDrive, {0x12, 0, 0, 0, 5, 0}, AspiFlagDataIn, std::vector<uint8_t>(36, 0xEE));
    ASSERT_TRUE(shortReply.ok());
    EXPECT_EQ(shortReply.data[5], 0xEE) << "no byte beyond the allocation length";

    Reply vpd = execute(kDrive, {0x12, 1, 0x80, 0, 36, 0}, AspiFlagDataIn, std::vector<uint8_t>(36));
    EXPECT_EQ(vpd.status, AspiStatusError);
    EXPECT_EQ(vpd.sense, kSenseInvalidFieldInCdb);
}

TEST_F(EmulatedDriveTest, TableOfContentsInMsfAndLbaForm)
{
    writeImage(folder, "disc", {{18235}, {1000}, {500}}, 1, false);
    loadDrives(folder, "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\n");
    Reply msf = readCommand(kDrive, readTocCdb(true), 804);
    ASSERT_TRUE(msf.ok());
    const std::vector<uint8_t> expected = {
        0x00, 0x22, 1,    3, 0, 0x10, 1,  0,  0, 0, 2, 0, // track 1 at 00:02:00
        0,    0x10, 2,    0, 0, 4,    5,  10,             // track 2 at 04:05:10
        0,    0x10, 3,    0, 0, 4,    18, 35,             // track 3 at 04:18:35
        0,    0x10, 0xAA, 0, 0, 4,    25, 10,             // lead-out at 04:25:10
    };
    EXPECT_EQ(std::vector<uint8_t>(msf.data.begin(), msf.data.begin() + long(expected.size())), expected);

    Reply lba = readCommand(kDrive, readTocCdb(false, 0, 2), 804);
    ASSERT_TRUE(lba.ok());
    const std::vector<uint8_t> fromTrack2 = {0x00, 0x1A, 1, 3, 0,    0x10, 2, 0,    0,    0, 0x47, 0x3B, 0,    0x10,
                                             3,    0,    0, 0, 0x4B, 0x23, 0, 0x10, 0xAA, 0, 0,    0,    0x4D, 0x17};
    EXPECT_EQ(std::vector<uint8_t>(lba.data.begin(), lba.data.begin() + long(fromTrack2.size())), fromTrack2);

    EXPECT_EQ(readCommand(kDrive, readTocCdb(true, 0, 4), 804).sense, kSenseInvalidFieldInCdb)
        << "a start track past the last";
    EXPECT_EQ(readCommand(kDrive, readTocCdb(true, 5), 804).sense, kSenseInvalidFieldInCdb)
        << "formats other than TOC and session information";
    Reply cut = readCommand(kDrive, readTocCdb(true, 0, 0, 12), 804);
    ASSERT_TRUE(cut.ok());
    EXPECT_EQ(cut.data[12], 0) << "allocation length 12 stops the answer there";
}

TEST_F(EmulatedDriveTest, DiscStartingAtTrackTwoWithADataTrack)
{
    loadAudioDisc({{200}, {100, true}}, 2);
    Reply toc = readCommand(kDrive, readTocCdb(false), 804);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(toc.data[2], 2);
    EXPECT_EQ(toc.data[3], 3);
    EXPECT_EQ(toc.data[13], 0x14) << "data track: ADR 1, control 4";
    EXPECT_EQ(toc.data[14], 3);
}

TEST_F(EmulatedDriveTest, ReadCdReturnsTheImageBytes)
{
    loadAudioDisc({{30}, {20}});
    Reply ten = readCommand(kDrive, readCdCdb(25, 10), 23520);
    ASSERT_TRUE(ten.ok()) << describeSense(ten.sense);
    EXPECT_EQ(ten.data, bytesOfSectors(25, 10)) << "across the track boundary";
    Reply last = readCommand(kDrive, readCdCdb(49, 1, 1), 2352);
    ASSERT_TRUE(last.ok());
    EXPECT_EQ(last.data, bytesOfSectors(49, 1));
    // Brenlow's image reader polls without the event flag.
    Reply polled = execute(kDrive, readCdCdb(0, 1), AspiFlagDataIn, std::vector<uint8_t>(2352));
    ASSERT_TRUE(polled.ok());
    EXPECT_EQ(polled.data, bytesOfSectors(0, 1));
}

TEST_F(EmulatedDriveTest, ThePregapBeforeTrackOneReadsFromTheImage)
{
    writeImage(folder, "disc", {{400}});
    writeText(folder.file("late.cue"),
              "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n"
              "    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n");
    loadDrives(folder, "[drive 1:0:0]\nMedium=audio\nCue=late.cue\n");
    Reply toc = readCommand(kDrive, readTocCdb(false), 804);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(readBe32(toc.data, 8), 150u) << "track 1 starts at LBA 150";
    for (const auto& [lba, count] : {std::pair{0, 10}, std::pair{145, 10}, std::pair{149, 1}}) {
        Reply read = readCommand(kDrive, readCdCdb(lba, uint32_t(count)), size_t(count) * 2352);
        ASSERT_TRUE(read.ok()) << lba << ": " << describeSense(read.sense);
        EXPECT_EQ(read.data, bytesOfSectors(lba, uint32_t(count))) << lba;
    }
    EXPECT_EQ(readCommand(kDrive, readCdCdb(-1, 1), 2352).sense, kSenseLbaOutOfRange);
}

TEST_F(EmulatedDriveTest, ReadCdErrorsCarryTheSenseARealDriveGives)
{
    loadAudioDisc({{30}, {20, true}}, 1, "UnreadableLbas=5,7-8\n");
    struct Case {
        const char* name;
        std::vector<uint8_t> cdb;
        SenseData sense;
    };
    const Case cases[] = {
        {"past the end", readCdCdb(45, 10), kSenseLbaOutOfRange},
        {"at the lead-out", readCdCdb(50, 1), kSenseLbaOutOfRange},
        {"negative address", readCdCdb(-1, 1), kSenseLbaOutOfRange},
        {"injected bad sector", readCdCdb(0, 10), kSenseUnrecoveredReadError},
        {"bad sector in a range", readCdCdb(8, 1), kSenseUnrecoveredReadError},
        {"data sector read as CD-DA", readCdCdb(30, 1, 1), kSenseIllegalModeForTrack},
        {"audio sector read as mode 1", readCdCdb(10, 1, 2), kSenseIllegalModeForTrack},
        {"sub-channel asked", {0xBE, 0, 0, 0, 0, 10, 0, 0, 1, 0xF8, 0x01, 0}, kSenseInvalidFieldInCdb},
    };
    for (const Case& c : cases) {
        Reply reply = readCommand(kDrive, c.cdb, 23520);
        EXPECT_EQ(reply.status, AspiStatusError) << c.name;
        EXPECT_EQ(reply.targetStatus, AspiTargetCheckCondition) << c.name;
        EXPECT_EQ(reply.sense, c.sense) << c.name << ": " << describeSense(reply.sense);
    }
    Reply userData = readCommand(kDrive, readCdCdb(30, 1, 2, 0x10), 2048);
    ASSERT_TRUE(userData.ok());
    const auto raw = bytesOfSectors(30, 1);
    EXPECT_TRUE(std::equal(userData.data.begin(), userData.data.end(), raw.begin() + 16))
        << "mode 1 user data is the 2048 bytes after the header";
    EXPECT_TRUE(setUnreadableLbas(kDrive, {}));
    EXPECT_TRUE(readCommand(kDrive, readCdCdb(0, 10), 23520).ok()) << "faults can be lifted";
}

TEST_F(EmulatedDriveTest, PlayerCommandsFollowThePlayState)
{
    loadAudioDisc({{18235}, {1000}, {500, true}});
    const DeviceAddress d = kDrive;
    EXPECT_EQ(noDataCommand(d, {0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}).sense, kSenseCommandSequenceError)
        << "pause with nothing playing";
    ASSERT_TRUE(noDataCommand(d, {0xA5, 0, 0, 0, 0x47, 0x3B, 0, 0, 0x03, 0xE8, 0, 0}).ok());
    EXPECT_TRUE(noDataCommand(d, {0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok()) << "pause";
    EXPECT_TRUE(noDataCommand(d, {0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0}).ok()) << "resume";
    EXPECT_TRUE(noDataCommand(d, {0x4E, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok()) << "stop";
    EXPECT_EQ(noDataCommand(d, {0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0}).sense, kSenseCommandSequenceError)
        << "resume after stop";
    EXPECT_EQ(noDataCommand(d, {0xA5, 0, 0, 0, 0x4B, 0x00, 0, 0, 0x10, 0x00, 0, 0}).sense, kSenseLbaOutOfRange)
        << "play past the lead-out";
    EXPECT_EQ(noDataCommand(d, {0xA5, 0, 0, 0, 0x4B, 0x23, 0, 0, 0, 10, 0, 0}).sense, kSenseIllegalModeForTrack)
        << "play of a data track";
    EXPECT_TRUE(noDataCommand(d, {0x47, 0, 0, 0, 2, 0, 0, 2, 10, 0}).ok()) << "PLAY AUDIO MSF";
}

TEST_F(EmulatedDriveTest, EjectOpensTheTrayAndLoadClosesIt)
{
    loadAudioDisc({{100}});
    const std::vector<uint8_t> testUnitReady = {0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(noDataCommand(kDrive, testUnitReady).ok());
    // Brenlow's eject: flags 0x10 without data, polled.
    Reply eject = execute(kDrive, {0x1B, 0, 0, 0, 0x02, 0}, AspiFlagDataOut);
    ASSERT_TRUE(eject.ok());
    EXPECT_EQ(noDataCommand(kDrive, testUnitReady).sense, kSenseTrayOpen);
    EXPECT_EQ(readCommand(kDrive, readTocCdb(true), 804).sense, kSenseTrayOpen);
    EXPECT_EQ(readCommand(kDrive, readCdCdb(0, 1), 2352).sense, kSenseTrayOpen);
    ASSERT_TRUE(noDataCommand(kDrive, {0x1B, 0, 0, 0, 0x03, 0}).ok());
    EXPECT_TRUE(noDataCommand(kDrive, testUnitReady).ok());
    EXPECT_TRUE(readCommand(kDrive, readTocCdb(true), 804).ok());
}

TEST_F(EmulatedDriveTest, TrayCanCloseByItselfAfterAnEject)
{
    loadAudioDisc({{100}}, 1, "TrayClose=0.2\n");
    const std::vector<uint8_t> testUnitReady = {0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(noDataCommand(kDrive, {0x1B, 0, 0, 0, 0x02, 0}).ok());
    EXPECT_EQ(noDataCommand(kDrive, testUnitReady).sense, kSenseTrayOpen);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(noDataCommand(kDrive, testUnitReady).ok()) << "the disc is back";
}

TEST_F(EmulatedDriveTest, EmptyDriveIsNotReadyForEveryMediumCommand)
{
    loadDrives(folder, "[drive 1:0:0]\nMedium=none\n");
    const std::vector<std::vector<uint8_t>> commands = {
        {0, 0, 0, 0, 0, 0},
        readTocCdb(true),
        readCdCdb(0, 1),
        {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0},
        {0xAD, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0, 0},
        {0xA5, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0},
    };
    for (const auto& cdb : commands) {
        Reply reply = readCommand(kDrive, cdb, 2352);
        EXPECT_EQ(reply.status, AspiStatusError) << int(cdb[0]);
        EXPECT_EQ(reply.sense.key, sense_key::NotReady) << int(cdb[0]);
        EXPECT_EQ(reply.sense.asc, 0x3A) << int(cdb[0]);
    }
}

TEST_F(EmulatedDriveTest, DiscInformationTellsBlankErasableAndWrittenDiscsApart)
{
    writeImage(folder, "disc", {{100}});
    writeImage(folder, "rw", {{50}});
    loadDrives(folder,
               "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\n"
               "[drive 1:1:0]\nMedium=cdr\n"
               "[drive 1:2:0]\nMedium=cdrw\n"
               "[drive 1:3:0]\nMedium=cdrw\nDisc=rw.bin\n"
               "[drive 1:4:0]\nMedium=dvd\n");
    struct Case {
        DeviceAddress drive;
        uint8_t discByte; // erasable bit 4, last session bits 2-3, disc status bits 0-1
    };
    const Case cases[] = {
        {{1, 0, 0}, 0x0E}, {{1, 1, 0}, 0x00}, {{1, 2, 0}, 0x10}, {{1, 3, 0}, 0x1E}, {{1, 4, 0}, 0x0E},
    };
    for (const Case& c : cases) {
        Reply reply = execute(c.drive, {0x51, 0, 0, 0, 0, 0, 0, 0, 0x22, 0}, 0x01, std::vector<uint8_t>(34));
        ASSERT_TRUE(reply.ok()) << c.drive.target;
        EXPECT_EQ(reply.data[2], c.discByte) << c.drive.target;
        EXPECT_EQ(readBe16(reply.data, 0), 32u);
    }
}

TEST_F(EmulatedDriveTest, DvdStructureAnswersOnADvdAndChecksOnACd)
{
    writeImage(folder, "disc", {{100}});
    loadDrives(folder, "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\n[drive 1:1:0]\nMedium=dvd\n");
    const std::vector<uint8_t> cdb = {0xAD, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0, 0};
    Reply onCd = execute({1, 0, 0}, cdb, AspiFlagDataIn, std::vector<uint8_t>(2048));
    EXPECT_EQ(onCd.status, AspiStatusError);
    EXPECT_EQ(onCd.targetStatus, AspiTargetCheckCondition);
    EXPECT_EQ(onCd.sense, kSenseCannotReadMediumFormat);
    Reply onDvd = execute({1, 1, 0}, cdb, AspiFlagDataIn, std::vector<uint8_t>(2048, 0xEE));
    ASSERT_TRUE(onDvd.ok());
    EXPECT_EQ(onDvd.data[4], 0x01) << "DVD-ROM book";
    EXPECT_EQ(onDvd.data[127], 0xEE) << "allocation length 127";
    EXPECT_EQ(readCommand({1, 1, 0}, readCdCdb(0, 1), 2352).sense, kSenseCannotReadMediumFormat);
}

TEST_F(EmulatedDriveTest, CapabilitiesPageCarriesTheMaximumWriteSpeedWhereBrenlowReadsIt)
{
    loadDrives(folder,
               "[drive 1:0:0]\nMedium=cdr\nMaxWriteSpeed=8466\n"
               "[drive 1:1:0]\nMedium=none\nWriter=0\n");
    Reply writer = readCommand({1, 0, 0}, {0x1A, 0, 0x2A, 0, 0x24, 0}, 36);
    ASSERT_TRUE(writer.ok());
    EXPECT_EQ(writer.data[4] & 0x3F, 0x2A);
    EXPECT_EQ(writer.data[22] * 256 + writer.data[23], 8466);
    EXPECT_EQ(writer.data[7] & 0x01, 0x01) << "writes CD-R";
    Reply reader = readCommand({1, 1, 0}, {0x1A, 0, 0x2A, 0, 0x24, 0}, 36);
    ASSERT_TRUE(reader.ok()) << "page 2A needs no medium";
    EXPECT_EQ(reader.data[22] * 256 + reader.data[23], 0);
    EXPECT_EQ(readCommand({1, 0, 0}, {0x1A, 0, 0x0E, 0, 0x24, 0}, 36).sense, kSenseInvalidFieldInCdb)
        << "a page the drive does not have";
    EXPECT_EQ(noDataCommand({1, 1, 0}, {0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).sense, kSenseInvalidOpcode)
        << "a reader has no BLANK";
}

TEST_F(EmulatedDriveTest, OtherDeviceTypesAnswerOnlyIdentification)
{
    loadDrives(folder, "[drive 0:0:0]\nType=0\nVendor=DISKCO\n");
    EXPECT_TRUE(readCommand({0, 0, 0}, {0x12, 0, 0, 0, 36, 0}, 36).ok());
    EXPECT_EQ(readCommand({0, 0, 0}, readCdCdb(0, 1), 2352).sense, kSenseInvalidOpcode);
}

TEST_F(EmulatedDriveTest, CannedRepliesStandInForMalformedAnswers)
{
    loadAudioDisc({{100}}, 1, "Reply43=00 12 05 02 00 10 05 00\n");
    Reply canned = readCommand(kDrive, readTocCdb(true), 804);
    ASSERT_TRUE(canned.ok());
    EXPECT_EQ(std::vector<uint8_t>(canned.data.begin(), canned.data.begin() + 9),
              (std::vector<uint8_t>{0x00, 0x12, 0x05, 0x02, 0x00, 0x10, 0x05, 0x00, 0x00}))
        << "last track before first, and a reply shorter than its length field";
    std::vector<uint8_t> hundred = {0x03, 0x22, 1, 100};
    ASSERT_TRUE(setCannedReply(kDrive, 0x43, hundred));
    EXPECT_EQ(readCommand(kDrive, readTocCdb(true), 804).data[3], 100);
    ASSERT_TRUE(setCannedReply(kDrive, 0x43, std::nullopt));
    EXPECT_EQ(readCommand(kDrive, readTocCdb(true), 804).data[3], 1) << "emulated again";
}

TEST_F(EmulatedDriveTest, CommandShorterThanItsOperationReadsZerosBeyondIt)
{
    loadAudioDisc({{100}});
    Reply oneByte = execute(kDrive, {0xBE}, AspiFlagDataIn, std::vector<uint8_t>(2352, 0xEE));
    EXPECT_TRUE(oneByte.ok()) << "READ CD of zero sectors";
    EXPECT_EQ(oneByte.data[0], 0xEE);
    // SET CD SPEED as the burner sends it: 11 bytes.
    EXPECT_TRUE(
        execute(kDrive, {0xBB, 0, 0, 0, 0x05, 0x85, 0, 0, 0, 0, 0}, AspiFlagDataOut, std::vector<uint8_t>(64)).ok());
    EXPECT_EQ(readCommand(kDrive, {0xEE, 0, 0, 0, 0, 0}, 16).sense, kSenseInvalidOpcode);
}

} // namespace
} // namespace quandor::aspi
