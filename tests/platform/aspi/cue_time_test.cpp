#include <gtest/gtest.h>

#include "platform/aspi/cue_time.h"

namespace quandor::aspi {
namespace {

TEST(CueTime, ReadsMinutesSecondsAndFramesOnly)
{
    const struct {
        const char* text;
        std::optional<int> frames;
    } cases[] = {
        {"00:00:00", 0},
        {"00:02:00", 150},
        {"04:24:50", (4 * 60 + 24) * 75 + 50},
        {"99:59:74", (99 * 60 + 59) * 75 + 74},
        {"0:0:5", 5},
        {"000000000001:00:00", 4500},
        {"100:00:00", std::nullopt},
        {"00:60:00", std::nullopt},
        {"00:00:75", std::nullopt},
        {"0:0", std::nullopt},
        {"00:00:00:00", std::nullopt},
        {"00::00", std::nullopt},
        {"", std::nullopt},
        {"+0:00:00", std::nullopt},
        {"-0:00:00", std::nullopt},
        {" 0:00:00", std::nullopt},
        {"00:00:05x", std::nullopt},
        {"00:00:0x5", std::nullopt},
        {"99999999999999999999:00:00", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseCueTime(c.text), c.frames) << '"' << c.text << '"';
}

} // namespace
} // namespace quandor::aspi
