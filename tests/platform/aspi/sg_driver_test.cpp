// The real-drive back end (SgDevice and the sysfs discovery) against a
// stand-in for the sg/sr driver at the system calls: the code between the
// layer and open()/ioctl(SG_IO)/close() is the code users run.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/aspi/aspi.h"
#include "platform/aspi/scsi_opcodes.h"
#include "platform/aspi/sg_device.h"
#include "tests/platform/aspi/aspi_test_support.h"
#include "tests/platform/aspi/sg_driver_standin.h"

namespace quandor::aspi::test {
namespace {

const DeviceAddress kDrive{1, 0, 0};

class SgDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeImage(folder, "disc", {{300}, {200}});
        const std::string ini = folder.file("drives.ini");
        writeText(ini,
                  "[layer]\nAdapters=2\n[drive 1:0:0]\nMedium=audio\nCue=disc.cue\nTimeoutMs=400\n"
                  "[drive 1:1:0]\nMedium=cdrw\nDisc=rw.bin\n");
        std::string error;
        ASSERT_TRUE(loadDrivesBehindStandIn(ini, folder.path(), &error)) << error;
        standIn = testStandIn();
        node = folder.file("machine/dev/sr0");
        writerNode = folder.file("machine/dev/sr1");
        clearCommandLog();
    }
    void TearDown() override { EXPECT_EQ(unloadTestDrives(), 0) << "every descriptor opened is closed again"; }

    std::string problem(const DeviceAddress& device = kDrive)
    {
        char text[512] = {};
        GetASPI32DeviceProblem(uint8_t(device.adapter), uint8_t(device.target), uint8_t(device.lun), text, sizeof text);
        return text;
    }

    TempFolder folder;
    std::shared_ptr<SgDriverStandIn> standIn;
    std::string node, writerNode;
};

TEST_F(SgDriverTest, ReadsTheDiscThroughTheNodeAndTellsAShortAnswerFromMissingSectors)
{
    const Reply sectors = readCommand(kDrive, readCdCdb(10, 3), 3 * 2352);
    ASSERT_TRUE(sectors.ok());
    EXPECT_EQ(sectors.data, bytesOfSectors(10, 3)) << "data in, dxfer_len and cmd_len as asked";

    // A table of contents is shorter than its allocation: resid, and still good.
    const Reply toc = readCommand(kDrive, readTocCdb(true), 804);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(toc.data[3], 2) << "last track";

    // A read that came back one sector short is a failure: the missing bytes
    // are not audio, and none of the answer reaches the caller's buffer.
    standIn->shortenSectorReads(node, 2352);
    const Reply shortRead = readCommand(kDrive, readCdCdb(20, 2), 2 * 2352);
    EXPECT_EQ(shortRead.status, AspiStatusError);
    EXPECT_EQ(shortRead.data, std::vector<uint8_t>(2 * 2352, 0));
    EXPECT_TRUE(readCommand(kDrive, readCdCdb(20, 2), 2 * 2352).ok()) << "the next read is whole again";
    EXPECT_EQ(commandLog(kDrive).size(), 4u) << "the layer logs the stand-in's drive as it logs an emulated one";
}

TEST_F(SgDriverTest, CheckConditionInFixedAndDescriptorSenseWithTheStatusByteMasked)
{
    struct Case {
        const char* name;
        bool descriptor;
        uint8_t extraStatusBits;
    };
    const Case cases[] = {
        {"fixed sense", false, 0},
        {"descriptor sense", true, 0},
        {"vendor and reserved status bits", false, 0xC1},
    };
    for (const Case& c : cases) {
        standIn->useDescriptorSense(c.descriptor);
        standIn->setStatusExtraBits(c.extraStatusBits);
        const Reply outside = readCommand(kDrive, readCdCdb(100000, 1), 2352);
        EXPECT_EQ(outside.status, AspiStatusError) << c.name;
        EXPECT_EQ(outside.targetStatus, AspiTargetCheckCondition) << c.name;
        EXPECT_EQ(outside.sense, kSenseLbaOutOfRange) << c.name;
        EXPECT_TRUE(readCommand(kDrive, readCdCdb(0, 1), 2352).ok()) << c.name << ": GOOD with the extra bits";
    }
}

TEST_F(SgDriverTest, ACommandThatOutlivesItsTimeOutEndsTimedOutWhicheverWayTheKernelSaysSo)
{
    for (const auto report :
         {SgDriverStandIn::TimeoutReport::HostTimeOut, SgDriverStandIn::TimeoutReport::DriverTimeout}) {
        standIn->setTimeoutReport(report);
        ASSERT_TRUE(setHangingCommands(kDrive, {op::PauseResume}));
        const Reply hung = noDataCommand(kDrive, {0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0});
        EXPECT_EQ(hung.status, AspiStatusError);
        EXPECT_EQ(hung.adapterStatus, AspiAdapterTimeout);
        ASSERT_TRUE(setHangingCommands(kDrive, {}));
        EXPECT_TRUE(readCommand(kDrive, readCdCdb(0, 1), 2352).ok()) << "the drive answers again";
    }
}

TEST_F(SgDriverTest, ANodeTheUserMayNotOpenIsNamedAndSentNothing)
{
    for (const int refusal : {EACCES, EPERM}) {
        standIn->failOpen(node, refusal);
        const int before = standIn->commandsSent(node);
        const Reply refused = readCommand(kDrive, readCdCdb(0, 1), 2352);
        EXPECT_EQ(refused.status, AspiStatusError);
        EXPECT_NE(refused.sense.key, sense_key::NotReady) << "not a drive that is not ready";
        EXPECT_EQ(standIn->commandsSent(node), before) << "nothing sent";
        const std::string text = problem();
        EXPECT_NE(text.find(node), std::string::npos) << text;
        EXPECT_NE(text.find("read and write access"), std::string::npos) << text;
        EXPECT_NE(text.find("cdrom"), std::string::npos) << text;
    }
    EXPECT_EQ(problem({1, 1, 0}), "") << "the other drive opens";
}

TEST_F(SgDriverTest, AReadOnlyNodeReadsButRefusesWritingCommandsWithTheSameMessage)
{
    standIn->makeReadOnly(writerNode);
    EXPECT_TRUE(readCommand({1, 1, 0}, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34).ok()) << "opened read-only";
    EXPECT_EQ(problem({1, 1, 0}), "");
    const Reply blank = noDataCommand({1, 1, 0}, {0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(blank.status, AspiStatusError);
    EXPECT_NE(problem({1, 1, 0}).find(writerNode), std::string::npos);
}

TEST_F(SgDriverTest, NoMediumNoDeviceAndAnUnpluggedDriveFailWithoutAnswering)
{
    standIn->failOpen(node, ENOMEDIUM);
    const Reply noMedium = readCommand(kDrive, readTocCdb(true), 804);
    EXPECT_EQ(noMedium.status, AspiStatusError);
    EXPECT_EQ(noMedium.sense, kSenseNoMedium);
    standIn->failOpen(node, ENXIO);
    EXPECT_EQ(readCommand(kDrive, readTocCdb(true), 804).status, AspiStatusError);
    EXPECT_EQ(standIn->commandsSent(node), 0);
    EXPECT_EQ(problem(), "") << "no access problem";

    standIn->failOpen(node, 0);
    for (const int unplugged : {EIO, ENODEV}) {
        standIn->failIoctlAfter(node, 1, unplugged);
        EXPECT_TRUE(readCommand(kDrive, readCdCdb(0, 1), 2352).ok());
        const Reply gone = readCommand(kDrive, readCdCdb(1, 1), 2352);
        EXPECT_EQ(gone.status, AspiStatusError);
        EXPECT_EQ(gone.data, std::vector<uint8_t>(2352, 0)) << "nothing of a failed read is taken";
        EXPECT_EQ(standIn->openDescriptors(), 0) << "the node is closed, to be opened again";
        standIn->failIoctlAfter(node, -1, 0);
        EXPECT_TRUE(readCommand(kDrive, readCdCdb(1, 1), 2352).ok()) << "plugged in again";
    }
}

// --- discovery from a sysfs tree ----------------------------------------------------

class SgDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv(kSgRootVariable, folder.path().c_str(), 1); }
    void TearDown() override { ::unsetenv(kSgRootVariable); }

    TempFolder folder;
    SgMachine machine{folder.path()};
};

TEST_F(SgDiscoveryTest, DrivesDisksAndAddressesAsTheKernelShowsThem)
{
    SgMachine::Device both{1, 0, 0, 0};
    SgMachine::Device srOnly{1, 0, 1, 0};
    srOnly.sgNode = false;
    SgMachine::Device disk{0, 0, 0, 0, "0", "ATA", "SOME DISK", "2.0", true, false};
    SgMachine::Device wideTarget{1, 0, 8, 0};
    SgMachine::Device wideLun{1, 0, 2, 9};
    SgMachine::Device otherChannel{1, 1, 3, 0};
    SgMachine::Device otherHost{4, 0, 0, 1};
    const std::string bothNode = machine.add(both);
    const std::string srOnlyNode = machine.add(srOnly);
    machine.add(disk);
    machine.add(wideTarget);
    machine.add(wideLun);
    const std::string channelNode = machine.add(otherChannel);
    const std::string hostNode = machine.add(otherHost);
    for (const char* malformed : {"abc", "", "5x", "300"}) {
        SgMachine::Device broken{5, 0, 0, 0, malformed};
        machine.add(broken);
    }

    const std::vector<FoundDevice> found = discoverSgDevices(0);
    struct Expected {
        DeviceAddress address;
        uint8_t type;
    };
    const Expected expected[] = {
        {{0, 0, 0}, 0}, // the disk, host 0
        {{1, 0, 0}, 5}, // sg and sr nodes
        {{1, 1, 0}, 5}, // sr node only
        {{2, 3, 0}, 5}, // host 1, channel 1
        {{3, 0, 1}, 5}, // host 4
    };
    ASSERT_EQ(found.size(), std::size(expected)) << "targets and LUNs above 7 and malformed types are left out";
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].address, expected[i].address) << i;
        EXPECT_EQ(found[i].device->deviceType(), expected[i].type) << i;
    }

    // Each drive is reached through its sr node; the disk is answered from
    // sysfs and never opened.
    auto standIn = std::make_shared<SgDriverStandIn>();
    setSgSystem(standIn);
    const std::vector<FoundDevice> reached = discoverSgDevices(0);
    setSgSystem(nullptr);
    std::vector<uint8_t> inquiry(36, 0);
    const std::vector<uint8_t> inquiryCdb{0x12, 0, 0, 0, 36, 0};
    ScsiCommand command{inquiryCdb, DataDirection::In, inquiry, 1000};
    EXPECT_TRUE(reached[0].device->execute(command).succeeded());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(inquiry.data()) + 8, 17), "ATA     SOME DISK");
    for (size_t i = 1; i < reached.size(); ++i) {
        EXPECT_FALSE(reached[i].device->execute(command).succeeded()) << "no drive behind the stand-in's node";
        EXPECT_EQ(reached[i].device->problem(), "");
    }
    (void)bothNode;
    (void)srOnlyNode;
    (void)channelNode;
    (void)hostNode;
}

TEST_F(SgDiscoveryTest, EachDriveIsOpenedThroughItsSrNode)
{
    SgMachine::Device both{1, 0, 0, 0};
    SgMachine::Device srOnly{1, 0, 1, 0};
    srOnly.sgNode = false;
    const std::string bothNode = machine.add(both);
    const std::string srOnlyNode = machine.add(srOnly);
    EXPECT_EQ(bothNode, folder.file("dev/sr0"));
    EXPECT_EQ(srOnlyNode, folder.file("dev/sr1"));
    auto standIn = std::make_shared<SgDriverStandIn>();
    for (const std::string& path : std::vector<std::string>{bothNode, srOnlyNode})
        standIn->failOpen(path, EACCES);
    setSgSystem(standIn);
    const std::vector<FoundDevice> found = discoverSgDevices(0);
    setSgSystem(nullptr);
    ASSERT_EQ(found.size(), 2u);
    std::vector<uint8_t> inquiry(36, 0);
    const std::vector<uint8_t> inquiryCdb{0x12, 0, 0, 0, 36, 0};
    ScsiCommand command{inquiryCdb, DataDirection::In, inquiry, 1000};
    EXPECT_FALSE(found[0].device->execute(command).succeeded());
    EXPECT_FALSE(found[1].device->execute(command).succeeded());
    EXPECT_NE(found[0].device->problem().find(bothNode), std::string::npos) << found[0].device->problem();
    EXPECT_NE(found[1].device->problem().find(srOnlyNode), std::string::npos) << found[1].device->problem();
}

} // namespace
} // namespace quandor::aspi::test
