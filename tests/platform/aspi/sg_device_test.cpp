#include <gtest/gtest.h>

#include "platform/aspi/sg_device.h"

namespace quandor::aspi {
namespace {

TEST(SgAddressMapping, EachHostChannelBecomesAnAdapterInOrderAndWideAddressesAreLeftOut)
{
    std::vector<LinuxScsiDevice> devices = {
        {3, 0, 0, 0, "/dev/sr1"}, {0, 0, 0, 0, "/dev/sg0"}, {2, 0, 1, 0, "/dev/sr0"}, {2, 0, 0, 0, "/dev/sg2"},
        {2, 1, 0, 0, "/dev/sg3"}, {4, 0, 8, 0, "/dev/sg4"}, {4, 0, 0, 9, "/dev/sg5"},
    };
    const auto mapped = mapToAspiAddresses(devices, 0);
    struct Expected {
        DeviceAddress address;
        const char* node;
    };
    const Expected expected[] = {
        {{0, 0, 0}, "/dev/sg0"}, {{1, 0, 0}, "/dev/sg2"}, {{1, 1, 0}, "/dev/sr0"},
        {{2, 0, 0}, "/dev/sg3"}, {{3, 0, 0}, "/dev/sr1"},
    };
    ASSERT_EQ(mapped.size(), std::size(expected));
    for (size_t i = 0; i < mapped.size(); ++i) {
        EXPECT_EQ(mapped[i].address, expected[i].address) << i;
        EXPECT_EQ(mapped[i].system.node, expected[i].node) << i;
    }
    EXPECT_EQ(mapToAspiAddresses(devices, 2).front().address.adapter, 2) << "real drives follow the emulated adapters";
}

TEST(SgReplyOutcome, OnlyGoodWithoutHostOrDriverErrorSucceeds)
{
    const std::vector<uint8_t> mediumError = {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0};
    struct Case {
        const char* name;
        SgReply reply;
        ScsiOutcome::Kind kind;
        uint8_t targetStatus;
        SenseData sense;
        uint32_t transferred;
    };
    const Case cases[] = {
        {"good, short transfer", {0, 0, 0, {}, 2352, 352}, ScsiOutcome::Kind::Completed, 0, {}, 2000},
        {"check condition", {0x02, 0, 0x08, mediumError, 2352, 2352}, ScsiOutcome::Kind::Completed, 2, {3, 0x11, 0}, 0},
        {"good status but sense from the driver",
         {0, 0, 0x08, mediumError, 2352, 0},
         ScsiOutcome::Kind::Completed,
         2,
         {3, 0x11, 0},
         0},
        {"busy", {0x08, 0, 0, {}, 0, 0}, ScsiOutcome::Kind::Completed, 8, {}, 0},
        {"host error", {0, 0x07, 0, {}, 36, 0}, ScsiOutcome::Kind::TransportError, 0, {}, 0},
        {"driver error", {0, 0, 0x01, {}, 36, 0}, ScsiOutcome::Kind::TransportError, 0, {}, 0},
        {"host time-out", {0, 0x03, 0, {}, 36, 0}, ScsiOutcome::Kind::TimedOut, 0, {}, 0},
        {"driver time-out", {0, 0, 0x06, {}, 36, 0}, ScsiOutcome::Kind::TimedOut, 0, {}, 0},
        {"residual larger than the request", {0, 0, 0, {}, 36, 99}, ScsiOutcome::Kind::Completed, 0, {}, 0},
    };
    for (const Case& c : cases) {
        const ScsiOutcome outcome = interpretSgReply(c.reply);
        EXPECT_EQ(outcome.kind, c.kind) << c.name;
        EXPECT_EQ(outcome.targetStatus, c.targetStatus) << c.name;
        EXPECT_EQ(outcome.sense, c.sense) << c.name;
        EXPECT_EQ(outcome.transferred, c.transferred) << c.name;
        EXPECT_EQ(outcome.succeeded(), c.kind == ScsiOutcome::Kind::Completed && c.targetStatus == 0) << c.name;
    }
}

TEST(SgTimeouts, CommandsThatFinishADiscGetLongTimeOuts)
{
    EXPECT_EQ(realDriveTimeoutMs(0x43), 10000);
    EXPECT_GE(realDriveTimeoutMs(0x5B), 600000);
    EXPECT_GE(realDriveTimeoutMs(0xA1), 3600000);
}

} // namespace
} // namespace quandor::aspi
