#include "platform/ffmpeg/ffmpeg_loader.h"

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/version.h>
#include <libavutil/version.h>
#include <libswresample/version.h>
}

#include <QtGlobal>

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace quandor::ffmpeg {

namespace {

struct Libraries {
    std::recursive_mutex mutex;
    std::atomic<bool> loaded{false};
    bool opening = false; ///< this thread runs the setups (under the mutex)
    std::vector<void*> handles;
    std::vector<std::function<void()>> setups;
};

Libraries& libraries()
{
    static Libraries instance;
    return instance;
}

std::string soname(const char* library, int major)
{
    return std::string("lib") + library + ".so." + std::to_string(major);
}

void open(Libraries& libs)
{
    // Each after the ones it depends on; the last opened is searched first.
    const std::string names[] = {
        soname("avutil", LIBAVUTIL_VERSION_MAJOR),
        soname("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
        soname("avcodec", LIBAVCODEC_VERSION_MAJOR),
        soname("avformat", LIBAVFORMAT_VERSION_MAJOR),
    };
    for (const std::string& name : names) {
        void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            qFatal("FFmpeg library %s could not be loaded: %s", name.c_str(), dlerror());
        libs.handles.insert(libs.handles.begin(), handle);
    }
}

void ensureLoaded()
{
    Libraries& libs = libraries();
    if (libs.loaded.load(std::memory_order_acquire))
        return;
    const std::lock_guard lock(libs.mutex);
    if (libs.loaded.load(std::memory_order_relaxed) || libs.opening)
        return; // loaded meanwhile, or a setup of this thread calling in
    libs.opening = true;
    open(libs);
    for (const std::function<void()>& setup : libs.setups)
        setup();
    libs.setups.clear();
    libs.opening = false;
    libs.loaded.store(true, std::memory_order_release);
}

} // namespace

void* function(const char* name)
{
    ensureLoaded();
    for (void* handle : libraries().handles) {
        if (void* address = dlsym(handle, name))
            return address;
    }
    qFatal("FFmpeg function %s is missing from the installed libraries", name);
}

void whenLoaded(std::function<void()> setup)
{
    Libraries& libs = libraries();
    {
        const std::lock_guard lock(libs.mutex);
        if (!libs.loaded.load(std::memory_order_relaxed) && !libs.opening) {
            libs.setups.push_back(std::move(setup));
            return;
        }
    }
    setup();
}

bool loaded()
{
    return libraries().loaded.load(std::memory_order_acquire);
}

} // namespace quandor::ffmpeg
