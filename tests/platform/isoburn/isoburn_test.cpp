// The write-parameter and disc-check entry points over emulated drives.
#include <gtest/gtest.h>

#include "platform/isoburn/isoburn.h"
#include "tests/platform/aspi/aspi_test_support.h"
#include "tests/support/tools.h"

#include <dlfcn.h>

#include <filesystem>

namespace {

using namespace quandor::aspi;
using namespace quandor::aspi::test;

constexpr DeviceAddress kWriter{0, 1, 0};
constexpr DeviceAddress kReader{0, 2, 0};
constexpr DeviceAddress kEmpty{0, 3, 0};

class IsoBurn : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeImage(folder_, "disc", {{300}});
        loadDrives(folder_,
                   "[drive 0:1:0]\nMedium=cdr\nDisc=burnt.bin\n"
                   "[drive 0:2:0]\nMedium=audio\nCue=disc.cue\nWriter=0\n"
                   "[drive 0:3:0]\nMedium=none\n");
        clearCommandLog();
    }
    void TearDown() override { unloadEmulatedDrives(); }

    /// Page 05 as the drive now holds it (from its first byte).
    std::vector<uint8_t> writeParametersPage(const DeviceAddress& drive)
    {
        const Reply reply = readCommand(drive, {0x5A, 0x08, 0x05, 0, 0, 0, 0, 0, 0x44, 0}, 0x44);
        EXPECT_TRUE(reply.ok());
        const size_t at = 8 + ((reply.data[6] << 8) | reply.data[7]);
        return {reply.data.begin() + long(at), reply.data.end()};
    }

    TempFolder folder_;
};

TEST_F(IsoBurn, SetParameterWritesTheOptionsIntoPage05)
{
    const struct {
        int options;
        uint8_t writeTypeAndFlags;
    } cases[] = {{0x41, 0x41}, {0x02, 0x02}, {0x42, 0x42}, {0x52, 0x52}, {0x12, 0x12}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        clearCommandLog();
        ASSERT_EQ(SetParameter(kWriter.adapter, kWriter.target, kWriter.lun, c.options, 8, 8), 1);
        const std::vector<CommandLogEntry> log = commandLog(kWriter);
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].cdb[0], 0x5A); // MODE SENSE(10) of page 05
        EXPECT_EQ(log[0].cdb[2], 0x05);
        EXPECT_EQ(log[1].cdb[0], 0x55); // MODE SELECT(10), page format
        EXPECT_EQ(log[1].cdb[1], 0x10);
        const std::vector<uint8_t> page = writeParametersPage(kWriter);
        ASSERT_GE(page.size(), 16u);
        EXPECT_EQ(page[0] & 0x3F, 0x05);
        EXPECT_EQ(page[2] & 0x5F, c.writeTypeAndFlags);
        EXPECT_EQ(page[3] & 0x0F, 0); // two-channel audio
        EXPECT_EQ(page[4] & 0x0F, 0); // raw 2352-byte blocks
    }
}

TEST_F(IsoBurn, SetParameterRefusals)
{
    // A reader has no page 05; an empty address has no device; the drive
    // refuses a write type it does not know.
    EXPECT_EQ(SetParameter(kReader.adapter, kReader.target, kReader.lun, 0x02, 8, 8), 0);
    EXPECT_EQ(SetParameter(0, 6, 0, 0x02, 8, 8), 0);
    EXPECT_EQ(SetParameter(kWriter.adapter, kWriter.target, kWriter.lun, 0x0F, 8, 8), 0);
    EXPECT_EQ(SetParameter(-1, 0, 0, 0x02, 8, 8), 0);
}

TEST_F(IsoBurn, VerifDataTellsADiscFromNone)
{
    EXPECT_EQ(VerifData(kReader.adapter, kReader.lun, kReader.target), 0);
    EXPECT_EQ(VerifData(kEmpty.adapter, kEmpty.lun, kEmpty.target), 1);
    EXPECT_EQ(VerifData(0, 0, 6), 2); // nothing at that target
    EXPECT_EQ(VerifData(7, 0, 0), 2); // no such adapter
    // The drive it tests is the one at the given target.
    ASSERT_FALSE(commandLog(kEmpty).empty());
    EXPECT_EQ(commandLog(kEmpty).back().cdb[0], 0x00);
}

TEST(IsoBurnAlone, WithoutTheLayerBesideItNothingIsAccepted)
{
    // The program must start without the layer (and say why), so the
    // library finds the layer only when first used.
    TempFolder folder;
    const std::filesystem::path library =
        std::filesystem::path(quandor::test::brenlowFolder().toStdString()) / "libISOburnParam.so";
    const std::string copy = folder.file("libISOburnParam.so");
    std::filesystem::copy_file(library, copy);
    void* handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto setParameter = reinterpret_cast<int (*)(int, int, int, int, int, int)>(dlsym(handle, "SetParameter"));
    auto verifData = reinterpret_cast<int (*)(int, int, int)>(dlsym(handle, "VerifData"));
    ASSERT_NE(setParameter, nullptr);
    ASSERT_NE(verifData, nullptr);
    EXPECT_EQ(setParameter(0, 1, 0, 0x02, 8, 8), 0);
    EXPECT_EQ(verifData(0, 0, 1), 2);
    dlclose(handle);
}

} // namespace
