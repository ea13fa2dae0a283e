// The layer's own start-up: the configuration named by QUANDOR_EMULATED_DRIVES
// is read at first use. One test per process, so the layer starts fresh.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/platform/aspi/aspi_test_support.h"

namespace quandor::aspi {
namespace {

using namespace test;

TEST(LayerStartUp, BrokenConfigurationReportsAnInitialisationErrorInsteadOfNoDrives)
{
    TempFolder folder;
    writeText(folder.file("drives.ini"), "[drive 1:0:0]\nMedium=audio\nCue=missing.cue\n");
    ASSERT_EQ(setenv("QUANDOR_EMULATED_DRIVES", folder.file("drives.ini").c_str(), 1), 0);
    testing::internal::CaptureStderr();
    const uint32_t info = GetASPI32SupportInfo();
    const std::string complaint = testing::internal::GetCapturedStderr();
    EXPECT_EQ(info >> 8, 0xE4u) << "neither 'ASPI ok.' nor a silent empty drive list";
    EXPECT_NE(complaint.find("missing.cue"), std::string::npos) << complaint;

    // A working configuration replaces it; without one the real back end works.
    writeImage(folder, "disc", {{10}});
    loadDrives(folder, "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\n");
    EXPECT_EQ(GetASPI32SupportInfo(), 0x0102u);
    unloadEmulatedDrives();
    const uint32_t real = GetASPI32SupportInfo();
    EXPECT_EQ(real >> 8, 1u);
    EXPECT_GE(real & 0xFF, 1u) << "at least adapter 0, even on a machine without drives";
}

} // namespace
} // namespace quandor::aspi
