// FFmpeg opened on first use: nothing of it is loaded before a call reaches
// it, setups asked for before then run once, before any caller's call goes
// through, however many threads make the first call together.

#include "platform/ffmpeg/ffmpeg_loader.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <link.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

bool avcodecMapped()
{
    bool found = false;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "libavcodec"))
                *static_cast<bool*>(data) = true;
            return 0;
        },
        &found);
    return found;
}

TEST(FfmpegLoader, LoadsOnTheFirstCallAfterRunningTheSetupsOnce)
{
    ASSERT_FALSE(quandor::ffmpeg::loaded());
    ASSERT_FALSE(avcodecMapped());

    std::atomic<int> setups = 0;
    quandor::ffmpeg::whenLoaded([&] {
        ++setups;
        av_log_set_level(AV_LOG_QUIET); // a setup may call FFmpeg itself
    });
    EXPECT_EQ(setups, 0);

    std::vector<std::thread> callers;
    std::atomic<int> quietSeen = 0;
    for (int i = 0; i < 8; ++i)
        callers.emplace_back([&] { quietSeen += av_log_get_level() == AV_LOG_QUIET; });
    for (std::thread& caller : callers)
        caller.join();

    EXPECT_EQ(setups, 1);
    EXPECT_EQ(quietSeen, 8); // no call went through before the setup had run
    EXPECT_TRUE(quandor::ffmpeg::loaded());
    EXPECT_TRUE(avcodecMapped());

    bool ranAtOnce = false;
    quandor::ffmpeg::whenLoaded([&] { ranAtOnce = true; });
    EXPECT_TRUE(ranAtOnce);
}

} // namespace
