// The emulated writer: write parameters, session-at-once writing and BLANK.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/aspi/disc_address.h"
#include "tests/platform/aspi/aspi_test_support.h"

namespace quandor::aspi {
namespace {

using namespace test;

constexpr DeviceAddress kWriter{1, 0, 0};
constexpr uint32_t kSector = 2352;

// MODE SELECT(10) of page 05 with the given write type and flags (0x10 test write).
Reply selectWriteParameters(const DeviceAddress& drive, uint8_t writeTypeAndFlags)
{
    std::vector<uint8_t> list(8 + 52, 0);
    list[8] = 0x05;
    list[9] = 0x32;
    list[10] = writeTypeAndFlags;
    list[12] = 0x00; // data block type 0: raw 2352
    return writeCommand(drive, {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, list);
}

// Cue sheet entries: lead-in, then per track the pregap (index 0) and start
// (index 1), then the lead-out, times as absolute MSF.
std::vector<uint8_t> cueSheet(const std::vector<std::pair<Msf, Msf>>& tracks, Msf leadOut)
{
    std::vector<uint8_t> sheet = {0x01, 0, 0, 0, 0, 0, 0, 0};
    uint8_t number = 1;
    for (const auto& [pregap, start] : tracks) {
        for (const auto& [index, at] : {std::pair{0, pregap}, std::pair{1, start}})
            sheet.insert(
                sheet.end(),
                {0x01, number, uint8_t(index), 0, 0x80, uint8_t(at.minute), uint8_t(at.second), uint8_t(at.frame)});
        ++number;
    }
    sheet.insert(sheet.end(),
                 {0x01, 0xAA, 0x01, 0, 0, uint8_t(leadOut.minute), uint8_t(leadOut.second), uint8_t(leadOut.frame)});
    return sheet;
}

Reply sendCueSheet(const DeviceAddress& drive, const std::vector<uint8_t>& sheet)
{
    const auto n = uint32_t(sheet.size());
    return writeCommand(drive, {0x5D, 0, 0, 0, 0, 0, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0}, sheet);
}

Reply write10(const DeviceAddress& drive, int32_t lba, uint32_t count, std::vector<uint8_t> data)
{
    const auto a = uint32_t(lba);
    return writeCommand(drive,
                        {0x2A, 0x01, uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a), 0,
                         uint8_t(count >> 8), uint8_t(count), 0},
                        std::move(data));
}

Reply closeSession(const DeviceAddress& drive)
{
    return noDataCommand(drive, {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0});
}

// Writes `sectors` of imageByte data as one session-at-once track pair.
void burn(const DeviceAddress& drive, int32_t sectors, int32_t secondTrackAt)
{
    ASSERT_TRUE(selectWriteParameters(drive, 0x02).ok());
    const auto sheet =
        cueSheet({{Msf{0, 0, 0}, Msf{0, 2, 0}}, {Msf::fromLba(secondTrackAt - 2), Msf::fromLba(secondTrackAt)}},
                 Msf::fromLba(sectors));
    Reply cue = sendCueSheet(drive, sheet);
    ASSERT_TRUE(cue.ok()) << describeSense(cue.sense);
    for (int32_t lba = -150; lba < 0; lba += 10)
        ASSERT_TRUE(write10(drive, lba, 10, std::vector<uint8_t>(10 * kSector)).ok()) << lba;
    for (int32_t lba = 0; lba < sectors;) {
        const uint32_t n = sectors - lba < 10 ? 1 : 10;
        Reply w = write10(drive, lba, n, bytesOfSectors(lba, n));
        ASSERT_TRUE(w.ok()) << lba << ": " << describeSense(w.sense);
        lba += int32_t(n);
    }
    EXPECT_TRUE(noDataCommand(drive, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
    EXPECT_TRUE(closeSession(drive).ok());
}

class EmulatedWriterTest : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(EmulatedWriterTest, SessionAtOnceBurnReadsBackAndPersistsInTheDiscFile)
{
    loadDrives(folder, "[drive 1:0:0]\nMedium=cdr\nDisc=burnt.bin\n");
    burn(kWriter, 23, 15);
    Reply toc = readCommand(kWriter, readTocCdb(false), 804);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(toc.data[3], 2) << "two tracks";
    EXPECT_EQ(readBe32(toc.data, 16), 15u) << "track 2 where the cue sheet put it";
    EXPECT_EQ(readBe32(toc.data, 24), 23u) << "lead-out";
    Reply back = readCommand(kWriter, readCdCdb(0, 10), 10 * kSector);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.data, bytesOfSectors(0, 10)) << "LBA 0 holds the first image sector";
    EXPECT_EQ(writtenDiscBytes(kWriter), bytesOfSectors(0, 23));
    Reply info = readCommand(kWriter, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34);
    EXPECT_EQ(info.data[2] & 0x03, 2) << "complete disc";

    // A later step of the same test reads the written disc from the file.
    loadDrives(folder, "[drive 1:5:0]\nMedium=cdr\nDisc=burnt.bin\n");
    Reply again = readCommand({1, 5, 0}, readCdCdb(13, 10), 10 * kSector);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.data, bytesOfSectors(13, 10));
}

TEST_F(EmulatedWriterTest, WritesMustFollowTheCueSheetFromTheFirstPregapSector)
{
    loadDrives(folder, "[drive 1:0:0]\nMedium=cdr\n");
    ASSERT_TRUE(selectWriteParameters(kWriter, 0x02).ok());
    ASSERT_TRUE(sendCueSheet(kWriter, cueSheet({{Msf{0, 0, 0}, Msf{0, 2, 0}}}, Msf::fromLba(40))).ok());
    // Writing the pregap at LBA 0 (instead of -150) is refused, as a drive does.
    Reply misplaced = write10(kWriter, 0, 10, std::vector<uint8_t>(10 * kSector));
    EXPECT_EQ(misplaced.sense, kSenseInvalidAddressForWrite);
    ASSERT_TRUE(write10(kWriter, -150, 10, std::vector<uint8_t>(10 * kSector)).ok());
    EXPECT_EQ(write10(kWriter, -130, 10, std::vector<uint8_t>(10 * kSector)).sense, kSenseInvalidAddressForWrite)
        << "no gaps";
    EXPECT_EQ(write10(kWriter, -140, 1, std::vector<uint8_t>(100)).sense, kSenseInvalidFieldInCdb)
        << "less data than the sectors";
    for (int32_t lba = -140; lba < 40; lba += 10)
        ASSERT_TRUE(write10(kWriter, lba, 10, bytesOfSectors(lba, 10)).ok());
    EXPECT_EQ(write10(kWriter, 40, 1, bytesOfSectors(40, 1)).sense, kSenseCommandSequenceError)
        << "the session ended with its last sector";
}

TEST_F(EmulatedWriterTest, CueSheetIsRefusedUnlessTheDiscAndParametersAllowIt)
{
    writeImage(folder, "pressed", {{100}});
    writeImage(folder, "written", {{100}});
    loadDrives(folder,
               "[drive 1:0:0]\nMedium=cdr\n[drive 1:1:0]\nMedium=audio\nCue=pressed.cue\n"
               "[drive 1:2:0]\nMedium=cdrw\nDisc=written.bin\n");
    const auto good = cueSheet({{Msf{0, 0, 0}, Msf{0, 2, 0}}}, Msf::fromLba(100));
    EXPECT_EQ(sendCueSheet(kWriter, good).sense, kSenseCommandSequenceError) << "write type still track-at-once";
    ASSERT_TRUE(selectWriteParameters(kWriter, 0x02).ok());

    struct Case {
        const char* name;
        std::vector<uint8_t> sheet;
    };
    auto withByte = [&good](size_t at, uint8_t value) {
        auto sheet = good;
        sheet[at] = value;
        return sheet;
    };
    const Case bad[] = {
        {"no lead-out", std::vector<uint8_t>(good.begin(), good.end() - 8)},
        {"length not a multiple of 8", std::vector<uint8_t>(good.begin(), good.end() - 3)},
        {"track 2 first", withByte(9, 2)},
        {"data form of a data track", withByte(11, 0x10)},
        {"seconds 60", withByte(22, 60)},
        {"lead-out before the track", cueSheet({{Msf{0, 0, 0}, Msf{0, 2, 0}}}, Msf{0, 1, 0})},
        {"longer than the disc", cueSheet({{Msf{0, 0, 0}, Msf{0, 2, 0}}}, Msf{90, 0, 0})},
    };
    for (const Case& c : bad) {
        Reply reply = sendCueSheet(kWriter, c.sheet);
        EXPECT_EQ(reply.status, AspiStatusError) << c.name;
        EXPECT_EQ(reply.sense.key, sense_key::IllegalRequest) << c.name;
    }
    ASSERT_TRUE(selectWriteParameters({1, 2, 0}, 0x02).ok());
    EXPECT_EQ(sendCueSheet({1, 1, 0}, good).sense, kSenseCannotWriteMediumFormat) << "pressed disc";
    EXPECT_EQ(sendCueSheet({1, 2, 0}, good).sense, kSenseCommandSequenceError) << "written CD-RW";
    EXPECT_TRUE(sendCueSheet(kWriter, good).ok());
}

TEST_F(EmulatedWriterTest, TestWriteGoesThroughTheMotionsAndLeavesTheDiscBlank)
{
    loadDrives(folder, "[drive 1:0:0]\nMedium=cdr\nDisc=test.bin\n");
    ASSERT_TRUE(selectWriteParameters(kWriter, 0x12).ok());
    Reply page = readCommand(kWriter, {0x5A, 0, 0x05, 0, 0, 0, 0, 0, 60, 0}, 60);
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(page.data[8] & 0x3F, 0x05);
    EXPECT_EQ(page.data[10], 0x12) << "test write and session-at-once read back";
    ASSERT_TRUE(sendCueSheet(kWriter, cueSheet({{Msf{0, 0, 0}, Msf{0, 2, 0}}}, Msf::fromLba(20))).ok());
    for (int32_t lba = -150; lba < 20; lba += 10)
        ASSERT_TRUE(write10(kWriter, lba, 10, bytesOfSectors(lba, 10)).ok());
    EXPECT_TRUE(closeSession(kWriter).ok());
    Reply info = readCommand(kWriter, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34);
    EXPECT_EQ(info.data[2] & 0x03, 0) << "still empty";
    EXPECT_TRUE(writtenDiscBytes(kWriter).empty());
    EXPECT_FALSE(std::filesystem::exists(folder.file("test.bin")));
}

TEST_F(EmulatedWriterTest, ModeSelectRefusesBadWriteParameters)
{
    loadDrives(folder, "[drive 1:0:0]\nMedium=cdr\n");
    EXPECT_EQ(selectWriteParameters(kWriter, 0x07).sense, kSenseInvalidFieldInParameters) << "write type 7";
    std::vector<uint8_t> capabilities(8 + 22, 0);
    capabilities[8] = 0x2A;
    capabilities[9] = 0x14;
    EXPECT_EQ(writeCommand(kWriter, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 30, 0}, capabilities).sense,
              kSenseInvalidFieldInParameters)
        << "page 2A cannot be changed";
    EXPECT_EQ(writeCommand(kWriter, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, std::vector<uint8_t>(30)).sense,
              kSenseParameterListLength)
        << "list longer than the data";
    EXPECT_TRUE(writeCommand(kWriter, {0xBB, 0, 0, 0, 0x05, 0x85, 0, 0, 0, 0, 0, 0}, std::vector<uint8_t>(64)).ok())
        << "SET CD SPEED as the burner sends it";
}

TEST_F(EmulatedWriterTest, BlankIsNotReadyWhileItRunsAndLeavesAnEmptyErasableDisc)
{
    writeImage(folder, "rw", {{60}});
    loadDrives(folder,
               "[drive 1:0:0]\nMedium=cdrw\nDisc=rw.bin\nBlankSeconds=0.3\n"
               "[drive 1:1:0]\nMedium=cdr\n");
    const std::vector<uint8_t> testUnitReady = {0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> minimalImmediate = {0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(execute({1, 1, 0}, minimalImmediate, AspiFlagDataOut).sense, kSenseCannotWriteMediumFormat)
        << "a CD-R cannot be blanked";
    ASSERT_TRUE(execute(kWriter, minimalImmediate, AspiFlagDataOut).ok());
    EXPECT_EQ(noDataCommand(kWriter, testUnitReady).sense, kSenseOperationInProgress);
    EXPECT_EQ(noDataCommand(kWriter, {0x1B, 0, 0, 0, 0x02, 0}).sense, kSenseOperationInProgress)
        << "no eject while blanking";
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!noDataCommand(kWriter, testUnitReady).ok() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(noDataCommand(kWriter, testUnitReady).ok());
    Reply info = readCommand(kWriter, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34);
    EXPECT_EQ(info.data[2], 0x10) << "empty and erasable";
    EXPECT_FALSE(std::filesystem::exists(folder.file("rw.cue"))) << "the kept disc is blank too";
    EXPECT_EQ(noDataCommand(kWriter, {0xA1, 0x13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).sense, kSenseInvalidFieldInCdb)
        << "blanking type 3 is not offered";
}

TEST_F(EmulatedWriterTest, CdrwCanBeBurnedAgainAfterBlank)
{
    loadDrives(folder, "[drive 1:0:0]\nMedium=cdrw\nBlankSeconds=0\n");
    burn(kWriter, 30, 20);
    ASSERT_EQ(writtenDiscBytes(kWriter).size(), 30u * kSector);
    ASSERT_TRUE(noDataCommand(kWriter, {0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
    EXPECT_TRUE(writtenDiscBytes(kWriter).empty());
    burn(kWriter, 12, 11);
    EXPECT_EQ(writtenDiscBytes(kWriter), bytesOfSectors(0, 12));
}

TEST_F(EmulatedWriterTest, DiscFileThatCannotBeWrittenFailsTheLastWrite)
{
    loadDrives(folder, "[drive 1:0:0]\nMedium=cdr\nDisc=no-such-folder/disc.bin\n");
    ASSERT_TRUE(selectWriteParameters(kWriter, 0x02).ok());
    ASSERT_TRUE(sendCueSheet(kWriter, cueSheet({{Msf{0, 0, 0}, Msf{0, 2, 0}}}, Msf::fromLba(10))).ok());
    for (int32_t lba = -150; lba < 0; lba += 10)
        ASSERT_TRUE(write10(kWriter, lba, 10, std::vector<uint8_t>(10 * kSector)).ok());
    EXPECT_EQ(write10(kWriter, 0, 10, bytesOfSectors(0, 10)).sense, kSenseWriteError);
}

} // namespace
} // namespace quandor::aspi
