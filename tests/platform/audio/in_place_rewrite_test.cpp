// A hard-linked file is rewritten in place by a save. When a step of that
// rewrite fails (the disk reports an error at the truncation or the final
// flush), the file gets its former bytes back; where even that fails, the
// save says the file may be damaged and where its former bytes are.
//
// The failures are injected here: this test program has its own ftruncate
// and fdatasync, which fail on the file under test as a failing disk would.
#include "platform/audio/guarded_file_edit.h"

#include "tests/support/tools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The file the injected failures hit, and how many calls of each kind fail.
struct InjectedFaults {
    std::atomic<ino_t> inode{0};
    std::atomic<int> truncations{0};
    std::atomic<int> flushes{0};
    std::atomic<int> error{EIO};
};
InjectedFaults faults;

/// True when `fd` is the file under test and one more call of the kind `left` counts should fail.
bool shouldFail(int fd, std::atomic<int>& left)
{
    struct stat info {};
    if (faults.inode == 0 || ::fstat(fd, &info) != 0 || info.st_ino != faults.inode)
        return false;
    if (left.load() == 0)
        return false;
    if (left.load() > 0)
        --left;
    return true;
}

} // namespace

extern "C" int ftruncate(int fd, off_t length)
{
    static const auto real = reinterpret_cast<int (*)(int, off_t)>(dlsym(RTLD_NEXT, "ftruncate"));
    if (shouldFail(fd, faults.truncations)) {
        errno = faults.error;
        return -1;
    }
    return real(fd, length);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
    if (shouldFail(fd, faults.flushes)) {
        errno = faults.error;
        return -1;
    }
    return real(fd);
}

namespace quandor::audio {
namespace {

using quandor::test::readAll;
using quandor::test::writeAll;

constexpr int kAlways = -1;

TEST(InPlaceRewrite, AFailedRewriteOfAHardLinkedFileGivesItsBytesBack)
{
    struct Case {
        const char* name;
        int truncations; ///< failing ftruncate calls on the file (kAlways: every one)
        int flushes;     ///< failing fdatasync calls on the file
        int error;
        bool keptAside; ///< the former bytes could not be put back
    };
    const Case cases[] = {
        {"the truncation fails once", 1, 0, EIO, false},  {"the final flush finds the disk full", 0, 1, ENOSPC, false},
        {"the final flush fails once", 0, 1, EIO, false}, {"every truncation fails", kAlways, 0, EIO, true},
        {"every flush fails", 0, kAlways, EIO, true},
    };
    const QByteArray original = QByteArray("original audio ").repeated(10000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("song.mp3"));
        const QString link = dir.filePath(QStringLiteral("also.mp3"));
        ASSERT_TRUE(writeAll(file, original));
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()), 0);
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);

        faults.truncations = c.truncations;
        faults.flushes = c.flushes;
        faults.error = c.error;
        faults.inode = info.st_ino;
        // A shorter file: the truncation matters, and a cut-off rewrite shows.
        const GuardedEditResult result =
            editCopyGuarded(file, {64 * 1024, 5000}, [](const QString& copy) { return QFile(copy).resize(1000); });
        faults.inode = 0;

        EXPECT_FALSE(result.saved);
        EXPECT_TRUE(result.error.contains(QString::fromLocal8Bit(std::strerror(c.error))))
            << result.error.toStdString();
        const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        if (!c.keptAside) {
            EXPECT_TRUE(readAll(file) == original);
            EXPECT_TRUE(result.keptCopy.isEmpty());
            EXPECT_EQ(names, (QStringList{QStringLiteral("also.mp3"), QStringLiteral("song.mp3")}));
            continue;
        }
        EXPECT_EQ(result.keptCopy, dir.filePath(QStringLiteral("song.mp3.before-save")));
        EXPECT_TRUE(readAll(result.keptCopy) == original);
        EXPECT_TRUE(result.error.contains(QStringLiteral("may be damaged"))) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(QDir::toNativeSeparators(result.keptCopy))) << result.error.toStdString();
        EXPECT_EQ(names,
                  (QStringList{QStringLiteral("also.mp3"), QStringLiteral("song.mp3"),
                               QStringLiteral("song.mp3.before-save")}));
    }
}

} // namespace
} // namespace quandor::audio
