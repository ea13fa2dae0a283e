#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/aspi/demo/demo_disc.h"
#include "platform/aspi/disc_address.h"
#include "tests/platform/aspi/aspi_test_support.h"

namespace quandor::aspi {
namespace {

using namespace test;

TEST(DemoDisc, DrivesHoldAPlayableMusicDiscABlankCdrAndAWrittenCdrw)
{
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(demo::writeDemo(folder.path().string(), &error)) << error;
    ASSERT_TRUE(loadEmulatedDrives(folder.file("drives.ini"), &error)) << error;

    int count = 0;
    const demo::DemoTrack* tracks = demo::demoTracks(&count);
    Reply toc = readCommand({1, 0, 0}, readTocCdb(false), 804);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(toc.data[3], count);
    const uint32_t leadOut = readBe32(toc.data, 4 + 8 * count + 4);
    int seconds = 0;
    for (int i = 0; i < count; ++i)
        seconds += tracks[i].seconds;
    EXPECT_NEAR(leadOut / 75.0, seconds, 1.0);

    // Music, not silence: the middle of track 1 has a real level.
    Reply sectors = readCommand({1, 0, 0}, readCdCdb(300, 10), 23520);
    ASSERT_TRUE(sectors.ok());
    int peak = 0;
    for (size_t i = 0; i + 1 < sectors.data.size(); i += 2)
        peak = std::max(peak, std::abs(int(int16_t(sectors.data[i] | (sectors.data[i + 1] << 8)))));
    EXPECT_GT(peak, 2000);
    EXPECT_LT(peak, 32767) << "no clipping";

    Reply cdr = readCommand({1, 1, 0}, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34);
    EXPECT_EQ(cdr.data[2], 0x00) << "blank CD-R";
    Reply cdrw = readCommand({1, 2, 0}, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34);
    EXPECT_EQ(cdrw.data[2], 0x1E) << "written CD-RW";

    if (std::system("command -v ffprobe >/dev/null 2>&1") == 0) {
        const std::string command = "ffprobe -v error -f s16le -ar 44100 -ac 2 -show_entries "
                                    "format=duration -of csv=p=0 \""
            + folder.file("demo.bin") + "\" > \"" + folder.file("duration.txt") + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream in(folder.file("duration.txt"));
        double duration = 0;
        in >> duration;
        EXPECT_NEAR(duration, seconds, 1.0);
    }
}

TEST(DemoDisc, EveryRunGivesAFreshCdrAndKeepsTheCdrw)
{
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(demo::writeDemo(folder.path().string(), &error)) << error;
    writeText(folder.file("cdr-disc.cue"), "burnt");
    std::filesystem::remove(folder.file("cdrw-disc.cue"));
    std::filesystem::remove(folder.file("cdrw-disc.bin"));
    writeImage(folder, "cdrw-disc", {{40}});
    ASSERT_TRUE(demo::writeDemo(folder.path().string(), &error)) << error;
    EXPECT_FALSE(std::filesystem::exists(folder.file("cdr-disc.cue")));
    EXPECT_EQ(std::filesystem::file_size(folder.file("cdrw-disc.bin")), 40u * 2352);
}

} // namespace
} // namespace quandor::aspi
