// The request layer itself: support status, request validation, completion
// events, time-outs, per-device order, the command log and injected faults.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tests/platform/aspi/aspi_test_support.h"

namespace quandor::aspi {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;

constexpr DeviceAddress kDrive{1, 0, 0};
const std::vector<uint8_t> kTestUnitReady = {0, 0, 0, 0, 0, 0};

long long millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

/// READ CD of one sector at `lba` of the drive at 1:0:0 into `buffer`, with
/// flag 0x40 and `event` as its completion event.
AspiExecuteScsi readOneSectorWithEvent(int32_t lba, std::vector<uint8_t>& buffer, int event)
{
    AspiExecuteScsi request{};
    request.header.command = AspiCommandExecuteScsi;
    request.header.adapter = 1;
    request.header.flags = AspiFlagDataIn | AspiFlagPostEvent;
    request.dataLength = uint32_t(buffer.size());
    request.data = buffer.data();
    request.senseLength = AspiSenseLength;
    request.cdbLength = 12;
    const auto cdb = readCdCdb(lba, 1);
    std::copy(cdb.begin(), cdb.end(), request.cdb);
    request.completionEvent = event;
    return request;
}

class LayerTest : public ::testing::Test {
protected:
    void loadDisc(const std::string& extra = {})
    {
        writeImage(folder, "disc", {{18235}, {1000}, {500}}, 1, false);
        loadDrives(folder, "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\n" + extra);
    }
    TempFolder folder;
};

TEST_F(LayerTest, SupportInfoReportsTheConfiguredStatusAndAdapterCount)
{
    struct Case {
        std::string layer;
        uint32_t expected;
    };
    const Case cases[] = {
        {"", 0x0102},
        {"[layer]\nSupportStatus=0xE1\n", 0xE102},
        {"[layer]\nSupportStatus=0xE2\n", 0xE202},
        {"[layer]\nSupportStatus=0xE3\nAdapters=0\n", 0xE300},
        {"[layer]\nSupportStatus=0x55\nAdapters=4\n", 0x5504},
    };
    for (const Case& c : cases) {
        loadDrives(folder, c.layer + "[drive 1:0:0]\nMedium=none\n");
        EXPECT_EQ(GetASPI32SupportInfo(), c.expected) << c.layer;
    }
}

TEST_F(LayerTest, BrokenConfigurationIsRefusedWithItsReasonAndTheOldOneStays)
{
    loadDisc();
    struct Case {
        const char* ini;
        const char* reason;
    };
    const Case cases[] = {
        {"[drive 1:8:0]\n", "bad drive address"},
        {"[drive 1:0]\n", "bad drive address"},
        {"[drive 1:0:0]\nMedium=floppy\n", "bad Medium"},
        {"[drive 1:0:0]\nMedium=audio\n", "needs Cue"},
        {"[drive 1:0:0]\nMedium=audio\nCue=missing.cue\n", "[drive 1:0:0] Cue=: cannot open"},
        // A name that is no file: empty, the configuration's folder, a FIFO (which would block the start-up).
        {"[drive 1:0:0]\nType=5\nMedium=audio\nCue=\n", "[drive 1:0:0] Cue= names no file"},
        {"[drive 1:0:0]\nType=5\nMedium=audio\nCue=.\n", "[drive 1:0:0] Cue=: cannot open"},
        {"[drive 1:0:1]\nType=5\nMedium=audio\nCue=fifo.cue\n", "[drive 1:0:1] Cue=: cannot open"},
        {"[drive 1:0:0]\nMedium=cdr\nDisc=\n", "[drive 1:0:0] Disc= names no file"},
        {"[drive 1:0:2]\nMedium=audio\nCue=folder.cue\n", "is a folder"},
        {"[drive 1:0:0]\n[drive 1:0:0]\n", "twice"},
        {"[drive 1:0:0]\nTimeoutMs=0\n", "bad TimeoutMs"},
        {"[drive 1:0:0]\nUnreadableLbas=9-3\n", "bad UnreadableLbas"},
        {"[drive 1:0:0]\nUnreadableLbas=-9000000000000000000-9000000000000000000\n", "bad UnreadableLbas"},
        {"[drive 1:0:0]\nUnreadableLbas=10-1000011\n", "bad UnreadableLbas"},
        {"[drive 1:0:0]\nUnreadableLbas=4294967306\n", "bad UnreadableLbas"},
        {"[layer]\nFailAdapterInquiry=-9000000000000000000-9000000000000000000\n", "bad FailAdapterInquiry"},
        {"[drive 1:0:0]\nFailCommands=-9223372036854775807-9223372036854775807\n", "bad opcode list"},
        {"[drive 1:0:0\n", "bad section"},
    };
    ASSERT_EQ(::mkfifo(folder.file("fifo.cue").c_str(), 0600), 0);
    ASSERT_TRUE(std::filesystem::create_directory(folder.file("folder.cue")));
    for (const Case& c : cases) {
        const std::string path = folder.file("broken.ini");
        writeText(path, c.ini);
        std::string error;
        EXPECT_FALSE(loadEmulatedDrives(path, &error)) << c.ini;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.ini << " -> " << error;
    }
    EXPECT_TRUE(noDataCommand(kDrive, kTestUnitReady).ok()) << "the previous drives stay";
}

TEST_F(LayerTest, MalformedRequestsFailAtOnceWithoutTouchingAnything)
{
    loadDisc();
    struct Case {
        const char* name;
        void (*spoil)(AspiExecuteScsi&);
        uint8_t status;
    };
    const Case cases[] = {
        {"no CDB", [](AspiExecuteScsi& r) { r.cdbLength = 0; }, AspiStatusInvalidRequest},
        {"CDB too long", [](AspiExecuteScsi& r) { r.cdbLength = 17; }, AspiStatusInvalidRequest},
        {"both directions", [](AspiExecuteScsi& r) { r.header.flags = 0x18; }, AspiStatusInvalidRequest},
        {"length without buffer",
         [](AspiExecuteScsi& r) {
             r.dataLength = 36;
             r.data = nullptr;
         },
         AspiStatusInvalidRequest},
        {"event that is not an eventfd",
         [](AspiExecuteScsi& r) {
             r.header.flags |= 0x40;
             r.completionEvent = 1;
         },
         AspiStatusInvalidRequest},
        {"no such adapter", [](AspiExecuteScsi& r) { r.header.adapter = 7; }, AspiStatusInvalidAdapter},
        {"no such device", [](AspiExecuteScsi& r) { r.target = 5; }, AspiStatusNoDevice},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> buffer(36, 0xEE);
        AspiExecuteScsi request{};
        request.header.command = AspiCommandExecuteScsi;
        request.header.adapter = 1;
        request.header.flags = AspiFlagDataIn;
        request.dataLength = 36;
        request.data = buffer.data();
        request.senseLength = AspiSenseLength;
        request.cdbLength = 6;
        const uint8_t inquiry[] = {0x12, 0, 0, 0, 36, 0};
        std::copy(std::begin(inquiry), std::end(inquiry), request.cdb);
        c.spoil(request);
        EXPECT_EQ(SendASPI32Command(&request), c.status) << c.name;
        EXPECT_EQ(aspiRequestStatus(request.header), c.status) << c.name;
        EXPECT_EQ(buffer[0], 0xEE) << c.name;
    }
    EXPECT_EQ(commandLog().size(), 0u) << "refused requests never reach the drive";
    AspiRequestHeader unknown{};
    unknown.command = 9;
    EXPECT_EQ(SendASPI32Command(&unknown), AspiStatusInvalidRequest);
    EXPECT_EQ(SendASPI32Command(nullptr), AspiStatusInvalidRequest);
}

TEST_F(LayerTest, EventIsSignalledAfterTheStatusByteAndFlagZeroEventIsIgnored)
{
    loadDisc("DelayMs=30\n");
    const int event = eventfd(0, EFD_CLOEXEC);
    std::vector<uint8_t> buffer(2352);
    AspiExecuteScsi request = readOneSectorWithEvent(0, buffer, event);
    EXPECT_EQ(SendASPI32Command(&request), AspiStatusPending);
    pollfd wait{event, POLLIN, 0};
    ASSERT_EQ(poll(&wait, 1, 10000), 1) << "event signalled";
    EXPECT_EQ(aspiRequestStatus(request.header), AspiStatusDone) << "the status is final once the event is signalled";
    close(event);

    // The writer's commands set 0x40 with no event: completion by polling.
    AspiExecuteScsi noEvent{};
    noEvent.header.command = AspiCommandExecuteScsi;
    noEvent.header.adapter = 1;
    noEvent.header.flags = AspiFlagPostEvent;
    noEvent.cdbLength = 6;
    SendASPI32Command(&noEvent);
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (aspiRequestStatus(noEvent.header) == AspiStatusPending && Clock::now() < limit)
        std::this_thread::yield();
    EXPECT_EQ(aspiRequestStatus(noEvent.header), AspiStatusDone);
}

TEST_F(LayerTest, AReadEndingInsideTheCallReturnsItsStatusAndLeavesTheEventAlone)
{
    // Sector reads of an idle drive run on the caller's thread. Each case:
    // what the send returns, and whether the event is signalled afterwards.
    struct Case {
        const char* name;
        std::string ini;
        int32_t lba;
        uint8_t returned;
        uint8_t status;
        bool signalled;
    };
    const Case cases[] = {
        {"read at once", "", 0, AspiStatusDone, AspiStatusDone, false},
        {"bad sector at once", "UnreadableLbas=7\n", 7, AspiStatusError, AspiStatusError, false},
        {"slow drive", "DelayMs=20\n", 0, AspiStatusPending, AspiStatusDone, true},
        {"read that never ends", "HangCommands=0xBE\nTimeoutMs=200\n", 0, AspiStatusPending, AspiStatusError, true},
    };
    for (const Case& c : cases) {
        loadDisc(c.ini);
        const int event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        std::vector<uint8_t> buffer(2352);
        AspiExecuteScsi request = readOneSectorWithEvent(c.lba, buffer, event);
        EXPECT_EQ(SendASPI32Command(&request), c.returned) << c.name;
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (aspiRequestStatus(request.header) == AspiStatusPending && Clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(aspiRequestStatus(request.header), c.status) << c.name;
        pollfd wait{event, POLLIN, 0};
        EXPECT_EQ(poll(&wait, 1, c.signalled ? 5000 : 50), c.signalled ? 1 : 0) << c.name;
        close(event);
    }
}

TEST_F(LayerTest, CommandThatNeverCompletesFailsWithinItsTimeOutAndTheDriveGoesOn)
{
    loadDisc("HangCommands=0x4B\nTimeoutMs=300\n");
    const auto start = Clock::now();
    Reply hung = noDataCommand(kDrive, {0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const auto elapsed = millisecondsSince(start);
    EXPECT_EQ(hung.status, AspiStatusError);
    EXPECT_EQ(hung.adapterStatus, AspiAdapterTimeout);
    EXPECT_EQ(hung.sense.key, sense_key::NotReady);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 5000);
    EXPECT_TRUE(noDataCommand(kDrive, kTestUnitReady).ok()) << "the next command is served";
    const auto log = commandLog(kDrive);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].status, AspiStatusError);
}

TEST_F(LayerTest, SlowCommandTimesOutAndItsLateAnswerNeverReachesTheCallersBuffer)
{
    loadDisc("DelayMs=400\nTimeoutMs=100\n");
    {
        // The caller frees its buffer right after the time-out; under the
        // address sanitizer a late copy into it would be caught.
        Reply slow = readCommand(kDrive, readCdCdb(0, 10), 23520);
        EXPECT_EQ(slow.adapterStatus, AspiAdapterTimeout);
        EXPECT_EQ(slow.data, std::vector<uint8_t>(23520, 0));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(setCommandDelayMs(kDrive, 0));
    EXPECT_TRUE(readCommand(kDrive, readCdCdb(0, 1), 2352).ok());
}

TEST_F(LayerTest, RequestsToOneDriveRunInOrderWhileOtherDrivesRunAlongside)
{
    writeImage(folder, "disc", {{100}});
    loadDrives(folder,
               "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\nDelayMs=60\n"
               "[drive 1:1:0]\nMedium=audio\nCue=disc.cue\nDelayMs=60\n");
    const auto start = Clock::now();
    std::vector<std::thread> senders;
    std::atomic<int> succeeded{0};
    for (int i = 0; i < 4; ++i) {
        senders.emplace_back([&, i] {
            const DeviceAddress drive{1, i % 2, 0};
            if (readCommand(drive, readCdCdb(i, 1), 2352).data == bytesOfSectors(i, 1))
                ++succeeded;
        });
    }
    for (auto& sender : senders)
        sender.join();
    const auto elapsed = millisecondsSince(start);
    EXPECT_EQ(succeeded.load(), 4);
    EXPECT_GE(elapsed, 120) << "two requests per drive, one after the other";
    EXPECT_EQ(commandLog({1, 0, 0}).size(), 2u);
    EXPECT_EQ(commandLog({1, 1, 0}).size(), 2u);
}

TEST_F(LayerTest, CommandLogHoldsEveryCdbWithDirectionLengthAndOutcome)
{
    loadDisc("UnreadableLbas=3\n");
    noDataCommand(kDrive, {0xA5, 0, 0, 0, 0x47, 0x3B, 0, 0, 0x03, 0xE8, 0, 0});
    readCommand(kDrive, readCdCdb(3, 1), 2352);
    execute(kDrive, {0x1B, 0, 0, 0, 0x02, 0}, AspiFlagDataOut);
    const auto log = commandLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].cdb, (std::vector<uint8_t>{0xA5, 0, 0, 0, 0x47, 0x3B, 0, 0, 0x03, 0xE8, 0, 0}));
    EXPECT_EQ(log[0].direction, DataDirection::None);
    EXPECT_EQ(log[0].status, AspiStatusDone);
    EXPECT_EQ(log[1].direction, DataDirection::In);
    EXPECT_EQ(log[1].dataLength, 2352u);
    EXPECT_EQ(log[1].sense, kSenseUnrecoveredReadError);
    EXPECT_EQ(log[2].cdb, (std::vector<uint8_t>{0x1B, 0, 0, 0, 0x02, 0}));
    EXPECT_EQ(log[2].direction, DataDirection::Out) << "as the caller's flags say";
    EXPECT_LT(log[0].sequence, log[1].sequence);
    clearCommandLog();
    EXPECT_TRUE(commandLog().empty());
}

TEST_F(LayerTest, CommandLogKeepsOnlyTheNewestCommandsOfALongSession)
{
    loadDisc();
    clearCommandLog();
    const std::size_t sent = kDefaultCommandLogLimit + 10;
    for (std::size_t i = 0; i < sent; ++i)
        noDataCommand(kDrive, kTestUnitReady);
    readCommand(kDrive, readCdCdb(7, 1), 2352);
    auto log = commandLog();
    ASSERT_EQ(log.size(), kDefaultCommandLogLimit) << "a ring of the newest commands, not the whole session";
    EXPECT_EQ(log.back().cdb, readCdCdb(7, 1)) << "the newest command is kept";
    EXPECT_EQ(log.back().sequence - log.front().sequence, kDefaultCommandLogLimit - 1);

    setCommandLogLimit(3);
    log = commandLog();
    ASSERT_EQ(log.size(), 3u) << "lowering the limit drops the oldest";
    EXPECT_EQ(log.back().cdb, readCdCdb(7, 1));
    setCommandLogLimit(kDefaultCommandLogLimit);
}

TEST_F(LayerTest, InjectedFaultsTransientFailingAndUnknownDrive)
{
    loadDisc("TransientFailures=2\nFailCommands=0x43\n");
    EXPECT_EQ(noDataCommand(kDrive, kTestUnitReady).sense, kSenseBecomingReady);
    EXPECT_TRUE(readCommand(kDrive, {0x12, 0, 0, 0, 36, 0}, 36).ok()) << "INQUIRY always answers";
    EXPECT_EQ(noDataCommand(kDrive, kTestUnitReady).sense, kSenseBecomingReady);
    EXPECT_TRUE(noDataCommand(kDrive, kTestUnitReady).ok());
    EXPECT_EQ(readCommand(kDrive, readTocCdb(true), 804).sense, kSenseHardwareFailure);
    EXPECT_TRUE(setFailingCommands(kDrive, {}));
    EXPECT_TRUE(readCommand(kDrive, readTocCdb(true), 804).ok());
    EXPECT_FALSE(setTransientFailures({3, 3, 3}, 1)) << "no such drive";
}

TEST_F(LayerTest, FailingAdapterInquiryAndFailingInquiryAreReportedPerRequest)
{
    loadDrives(folder,
               "[layer]\nFailAdapterInquiry=1\n[drive 1:0:0]\nFailCommands=0x12\n"
               "[drive 2:0:0]\n");
    AspiHostAdapterInquiry adapter{};
    adapter.header.command = AspiCommandHostAdapterInquiry;
    adapter.header.adapter = 1;
    SendASPI32Command(&adapter);
    EXPECT_EQ(aspiRequestStatus(adapter.header), AspiStatusError);
    adapter.header.adapter = 2;
    SendASPI32Command(&adapter);
    EXPECT_EQ(aspiRequestStatus(adapter.header), AspiStatusDone);
    EXPECT_EQ(adapter.adapterCount, 3);
    EXPECT_EQ(std::string(adapter.managerId, 12), "QUANDOR ASPI");
    EXPECT_FALSE(execute(kDrive, {0x12, 0, 0, 0, 36, 0}, AspiFlagDataIn, std::vector<uint8_t>(36)).ok());
}

TEST_F(LayerTest, ReloadingTheDrivesWhileRequestsRunEndsEveryRequestCleanly)
{
    writeImage(folder, "disc", {{100}});
    const std::string ini = "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\nDelayMs=2\n";
    loadDrives(folder, ini);
    std::atomic<bool> stop{false};
    std::atomic<int> ended{0};
    std::vector<std::thread> senders;
    for (int i = 0; i < 3; ++i) {
        senders.emplace_back([&] {
            while (!stop) {
                Reply reply = readCommand(kDrive, readCdCdb(1, 1), 2352);
                if (reply.status != AspiStatusPending)
                    ++ended;
                if (reply.ok()) {
                    EXPECT_EQ(reply.data, bytesOfSectors(1, 1));
                }
            }
        });
    }
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        std::string error;
        ASSERT_TRUE(loadEmulatedDrives(folder.file("drives.ini"), &error)) << error;
    }
    stop = true;
    for (auto& sender : senders)
        sender.join();
    EXPECT_GT(ended.load(), 0);
}

} // namespace
} // namespace quandor::aspi
