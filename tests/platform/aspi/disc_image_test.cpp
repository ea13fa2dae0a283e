#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/aspi/disc_image.h"
#include "tests/platform/aspi/aspi_test_support.h"

namespace quandor::aspi {
namespace {

using test::TempFolder;

TEST(CueImage, ReadsTrackStartsModesAndTheLeadOutFromTheImageSize)
{
    TempFolder folder;
    const std::string cue = test::writeImage(folder, "disc", {{300}, {75}, {40, true}});
    std::string error;
    auto image = loadCueImage(cue, &error);
    ASSERT_TRUE(image) << error;
    const DiscLayout& layout = image->layout;
    ASSERT_EQ(layout.tracks.size(), 3u);
    EXPECT_EQ(layout.tracks[1].startLba, 300);
    EXPECT_EQ(layout.tracks[2].startLba, 375);
    EXPECT_TRUE(layout.tracks[2].data);
    EXPECT_FALSE(layout.tracks[0].data);
    EXPECT_EQ(layout.leadOutLba, 415);
    EXPECT_EQ(layout.trackAt(374)->number, 2);
    EXPECT_EQ(layout.trackAt(415), nullptr);

    std::vector<uint8_t> sectors(2 * 2352);
    ASSERT_TRUE(image->sectors->read(299, 2, sectors.data()));
    EXPECT_EQ(sectors, test::bytesOfSectors(299, 2));
    EXPECT_FALSE(image->sectors->read(414, 2, sectors.data())) << "reads past the image fail";
}

TEST(CueImage, ReadsInAnyOrderAndSizeGiveTheFilesBytes)
{
    // Small reads are served from a window read ahead; whatever the pattern,
    // every read must give exactly the bytes of the files, across their seam.
    TempFolder folder;
    const auto writeBin = [&folder](const std::string& name, int32_t first, int32_t count) {
        const std::vector<uint8_t> bytes = test::bytesOfSectors(first, uint32_t(count));
        std::ofstream(folder.file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    writeBin("a.bin", 0, 250);
    writeBin("b.bin", 250, 150);
    test::writeText(folder.file("two.cue"),
                    "FILE \"a.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                    "FILE \"b.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    std::string error;
    auto image = loadCueImage(folder.file("two.cue"), &error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->layout.leadOutLba, 400);
    struct Read {
        int32_t lba;
        uint32_t count;
    };
    std::vector<Read> reads;
    for (int32_t lba = 0; lba + 10 <= 400; lba += 10)
        reads.push_back({lba, 10}); // a whole disc in runs, over the seam at 250
    for (const Read r : {Read{395, 1}, Read{399, 1}, Read{3, 7}, Read{245, 10}, Read{100, 200}, Read{160, 1},
                         Read{159, 2}, Read{240, 160}, Read{0, 400}, Read{10, 10}})
        reads.push_back(r); // jumps back, single sectors, large reads
    for (const Read& r : reads) {
        std::vector<uint8_t> got(size_t(r.count) * 2352);
        ASSERT_TRUE(image->sectors->read(r.lba, r.count, got.data())) << r.lba << "+" << r.count;
        ASSERT_EQ(got, test::bytesOfSectors(r.lba, r.count)) << r.lba << "+" << r.count;
    }
    std::vector<uint8_t> past(2 * 2352);
    EXPECT_FALSE(image->sectors->read(399, 2, past.data()));
}

TEST(CueImage, FileNamesInWindows1252OrUtf8FindTheirImage)
{
    TempFolder folder;
    test::writeImage(folder, "caf\xC3\xA9", {{20}}); // café.bin on a UTF-8 file system
    const std::string tail = "\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n";
    for (const auto& [name, cue] : {std::pair{"Windows-1252", "FILE \"caf\xE9.bin" + tail},
                                    std::pair{"UTF-8", "FILE \"caf\xC3\xA9.bin" + tail}}) {
        test::writeText(folder.file("sheet.cue"), cue);
        std::string error;
        auto image = loadCueImage(folder.file("sheet.cue"), &error);
        ASSERT_TRUE(image) << name << ": " << error;
        EXPECT_EQ(image->layout.leadOutLba, 20) << name;
    }
}

TEST(CueImage, RefusesMalformedSheetsWithTheReason)
{
    TempFolder folder;
    test::writeImage(folder, "disc", {{300}});
    struct Case {
        const char* name;
        std::string cue;
        const char* reason;
    };
    const Case cases[] = {
        {"no track", "FILE \"disc.bin\" BINARY\r\n", "no track"},
        {"track before file", "TRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n", "TRACK before FILE"},
        {"missing bin", "FILE \"gone.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n", "cannot read"},
        {"bad time", "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:61:00\r\n", "bad time"},
        {"no index 01", "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 00 00:00:00\r\n", "INDEX 01"},
        {"falling starts",
         "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:02:00\r\n"
         "TRACK 02 AUDIO\r\nINDEX 01 00:01:00\r\n",
         "do not rise"},
        {"track beyond image",
         "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n"
         "TRACK 02 AUDIO\r\nINDEX 01 00:05:00\r\n",
         "ends before"},
        {"track at the image's very end",
         "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n"
         "TRACK 02 AUDIO\r\nINDEX 01 00:04:00\r\n",
         "ends before"},
        {"time with trailing text", "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:05x\r\n", "bad time"},
        {"negative time", "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 -0:00:00\r\n", "bad time"},
        {"unsupported mode", "FILE \"disc.bin\" BINARY\r\nTRACK 01 MODE1/2048\r\nINDEX 01 00:00:00\r\n", "unsupported"},
        {"gap not in the file",
         "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nPREGAP 00:02:00\r\n"
         "INDEX 01 00:00:00\r\n",
         "PREGAP"},
    };
    for (const Case& c : cases) {
        const std::string path = folder.file("case.cue");
        test::writeText(path, c.cue);
        std::string error;
        EXPECT_FALSE(loadCueImage(path, &error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
    // disc.bin holds 300 sectors, 00:04:00: a track may start on its last one.
    const std::string path = folder.file("last.cue");
    test::writeText(path,
                    "FILE \"disc.bin\" BINARY\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n"
                    "TRACK 02 AUDIO\r\nINDEX 01 00:03:74\r\n");
    std::string error;
    EXPECT_TRUE(loadCueImage(path, &error)) << error;
}

TEST(CueImage, SavedImageLoadsBackWithTheSameLayoutAndBytes)
{
    TempFolder folder;
    DiscLayout layout;
    layout.tracks = {{1, 0, false, true}, {2, 100, false, false, true, true}};
    layout.leadOutLba = 130;
    const std::vector<uint8_t> bytes = test::bytesOfSectors(0, 130);
    const std::string bin = folder.file("written disc.bin");
    ASSERT_TRUE(saveCueImage(bin, layout, bytes));
    std::string error;
    auto image = loadCueImage(cuePathFor(bin), &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->layout.leadOutLba, 130);
    ASSERT_EQ(image->layout.tracks.size(), 2u);
    EXPECT_EQ(image->layout.tracks[1].startLba, 100);
    // Each track's flags are written and read back.
    EXPECT_TRUE(image->layout.tracks[0].preEmphasis);
    EXPECT_FALSE(image->layout.tracks[0].copyPermitted || image->layout.tracks[0].fourChannel);
    EXPECT_FALSE(image->layout.tracks[1].preEmphasis);
    EXPECT_TRUE(image->layout.tracks[1].copyPermitted && image->layout.tracks[1].fourChannel);
    std::vector<uint8_t> back(130 * 2352);
    ASSERT_TRUE(image->sectors->read(0, 130, back.data()));
    EXPECT_EQ(back, bytes);
    if (std::system("command -v cuebreakpoints >/dev/null 2>&1") == 0) {
        const std::string command =
            "cuebreakpoints \"" + cuePathFor(bin) + "\" > \"" + folder.file("breaks.txt") + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream breaks(folder.file("breaks.txt"));
        std::string first;
        std::getline(breaks, first);
        EXPECT_EQ(first, "0:01.25") << "track 2 starts 100 frames in";
    }
}

} // namespace
} // namespace quandor::aspi
