// A disk that fails in the middle of the tag write of a finished output
// (which is tagged before it has its name): the output never takes its name,
// nor a free one, and the message names the file and the reason.
//
// The failure is injected here: this test program has its own pwrite and
// fwrite, which fail the write of an ID3v2 tag at the start of a file that
// has no name yet half-way, as a failing disk would.

#include "converter/main/conversion_engine.h"
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "tests/converter/main/engine_rig.h"
#include "tests/support/wav_fixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> armed{false};
std::atomic<int> injected{0};

/// True when a write of `data` at `position` into `fd` is the start of a tag
/// written into an unnamed file: the one the injected failure hits.
bool isTagWriteIntoUnnamedFile(int fd, const void* data, size_t size, off_t position)
{
    struct stat status {};
    return armed && position == 0 && size >= 3 && std::memcmp(data, "ID3", 3) == 0 && ::fstat(fd, &status) == 0
        && S_ISREG(status.st_mode) && status.st_nlink == 0;
}

} // namespace

extern "C" ssize_t pwrite(int fd, const void* data, size_t size, off_t position)
{
    static const auto real = reinterpret_cast<ssize_t (*)(int, const void*, size_t, off_t)>(dlsym(RTLD_NEXT, "pwrite"));
    if (isTagWriteIntoUnnamedFile(fd, data, size, position)) {
        // Half of it goes in; the rest meets the failing disk.
        ++injected;
        armed = false;
        const ssize_t half = real(fd, data, size / 2, position);
        errno = EIO;
        return half > 0 ? half : -1;
    }
    if (injected > 0 && injected < 2 && position >= 0) {
        struct stat status {};
        if (::fstat(fd, &status) == 0 && status.st_nlink == 0) {
            ++injected;
            errno = EIO;
            return -1;
        }
    }
    return real(fd, data, size, position);
}

extern "C" size_t fwrite(const void* data, size_t size, size_t count, FILE* stream)
{
    static const auto real =
        reinterpret_cast<size_t (*)(const void*, size_t, size_t, FILE*)>(dlsym(RTLD_NEXT, "fwrite"));
    const int fd = ::fileno(stream);
    if (fd >= 0 && isTagWriteIntoUnnamedFile(fd, data, size * count, ::ftello(stream))) {
        ++injected;
        armed = false;
        errno = EIO;
        return 0;
    }
    return real(data, size, count, stream);
}

namespace tavrel {
namespace {

TEST(TagWriteFault, AnOutputWhoseTagWriteFailsHalfWayIsNeverNamed)
{
    QTemporaryDir sources;
    QTemporaryDir output;
    QTemporaryDir temp;
    const QString source = sources.filePath(QStringLiteral("song.wav"));
    ASSERT_TRUE(quandor::test::writeWavFile(source, quandor::test::PcmFormat{44100, 2, 16}, 2.0));

    test::EngineRig rig(temp.path());
    auto& writer = rig.writer;
    auto& view = rig.view;
    auto& engine = rig.engine;
    view.keys = {source};
    view.format = formats::Mp3;
    view.folder = output.path();
    ASSERT_TRUE(writer.SetFormatMP3(44100, 128, 2));

    armed = true;
    engine.runAll();
    armed = false;

    ASSERT_GT(injected.load(), 0) << "the tag write was never reached";
    EXPECT_EQ(QDir(output.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList())
        << "a damaged output took a name";
    ASSERT_EQ(view.messages.size(), 1);
    const QString text = view.messages[0].text;
    EXPECT_TRUE(text.contains(output.filePath(QStringLiteral("song.mp3")))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromLocal8Bit(std::strerror(EIO)))) << text.toStdString();
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

} // namespace
} // namespace tavrel
