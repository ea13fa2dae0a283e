#include <gtest/gtest.h>

#include <vector>

#include "platform/aspi/disc_address.h"
#include "platform/aspi/sense.h"

namespace quandor::aspi {
namespace {

TEST(SenseData, DecodesFixedAndDescriptorFormatsAndRejectsOthers)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        SenseData expected;
    };
    const Case cases[] = {
        {"fixed current", {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x00}, {3, 0x11, 0}},
        {"fixed deferred, valid bit", {0xF1, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x21, 0x02}, {5, 0x21, 2}},
        {"descriptor", {0x72, 0x02, 0x3A, 0x02, 0, 0, 0, 0}, {2, 0x3A, 2}},
        {"unknown response code", {0x7F, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0}, {}},
        {"empty", {}, {}},
        {"fixed, cut short after the key", {0x70, 0, 0x06}, {6, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeSense(c.bytes), c.expected) << c.name;
}

TEST(SenseData, EncodedSenseDecodesBackWithinTheRequestsFourteenBytes)
{
    std::vector<uint8_t> area(14, 0xEE);
    encodeSense(kSenseUnrecoveredReadError, area);
    EXPECT_EQ(area[0], 0x70);
    EXPECT_EQ(area[7], 10);
    EXPECT_EQ(decodeSense(area), kSenseUnrecoveredReadError);
    EXPECT_EQ(describeSense(kSenseLbaOutOfRange), "ILLEGAL REQUEST: LOGICAL BLOCK ADDRESS OUT OF RANGE (21/00)");
    EXPECT_EQ(describeSense({0x0B, 0x99, 0x01}), "ABORTED COMMAND (99/01)");
}

TEST(DiscAddress, LbaZeroIsTwoSecondsAndThePregapIsNegative)
{
    struct Case {
        int32_t lba;
        Msf msf;
    };
    const Case cases[] = {
        {0, {0, 2, 0}},      {-150, {0, 0, 0}},    {-1, {0, 1, 74}},
        {18235, {4, 5, 10}}, {40000, {8, 55, 25}}, {359849, {79, 59, 74}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Msf::fromLba(c.lba), c.msf) << c.lba;
        EXPECT_EQ(c.msf.lba(), c.lba);
    }
}

} // namespace
} // namespace quandor::aspi
