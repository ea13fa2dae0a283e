// A tag save either leaves the audio as it was and the tags in place, or
// leaves the file byte for byte as it was: on a full disk, with a file that
// lies about its own sizes, when the process is killed in the middle, and
// whoever owns or links the file.
#include "tests/platform/audio/audio_test_support.h"

#include "platform/audio/audio_file_writer.h"
#include "platform/audio/audio_tag_info.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <cstring>
#include <grp.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quandor::audio::test {
namespace {

using quandor::test::readAll;
using quandor::test::writeAll;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

/// A small tmpfs mounted for one test, unmounted when it goes.
class SmallTmpfs {
public:
    SmallTmpfs(const QString& mountPoint, const char* size) : mountPoint_(mountPoint)
    {
        QDir().mkpath(mountPoint);
        const QByteArray options = QByteArray("size=") + size;
        mounted_ = ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallTmpfs()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;
    bool mounted() const { return mounted_; }

private:
    QString mountPoint_;
    bool mounted_ = false;
};

/// Fills the file system of `folder` until about `leaveBytes` are free.
bool fillUntilFree(const QString& folder, qint64 leaveBytes)
{
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return false;
    const qint64 free = qint64(fs.f_bavail) * qint64(fs.f_frsize);
    return free <= leaveBytes || writeAll(folder + QStringLiteral("/filler.bin"), QByteArray(free - leaveBytes, 'f'));
}

class TagSaveSafetyTest : public AudioTest {
protected:
    QString mp3(const QString& file, double seconds, int kbps, int channels)
    {
        AudioFileWriter writer;
        EXPECT_TRUE(writer.SetFormatMP3(44100, kbps, channels));
        EXPECT_TRUE(transcode(wav(QStringLiteral("src.wav"), seconds, {44100, channels, 16}), writer, file).ok);
        return file;
    }

    static AudioTagInfo newTags(const QString& title)
    {
        AudioTagInfo tag;
        tag.Title = title;
        tag.Artist = QStringLiteral("New Artist");
        tag.Year = 2001;
        tag.Track = 3;
        return tag;
    }
};

// An MP3 of 136 KB on a file system with 140 KB free, given a title of
// 20,000 characters: the copy fits, the grown tag does not.
TEST_F(TagSaveSafetyTest, ASaveOnAFullDiskKeepsTheFileAndSaysWhy)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString mountPoint = path(QStringLiteral("small"));
    SmallTmpfs tmpfs(mountPoint, "300k");
    if (!tmpfs.mounted())
        GTEST_SKIP() << "this machine does not let the test mount a tmpfs";
    const QString made = mp3(path(QStringLiteral("made.mp3")), 17, 64, 1);
    const qint64 framesBefore = ffmpegFrameCount(made, 1);
    const QString file = mountPoint + QStringLiteral("/song.mp3");
    ASSERT_TRUE(QFile::copy(made, file));
    ASSERT_TRUE(fillUntilFree(mountPoint, 140 * 1024));
    const QByteArray before = readAll(file);

    AudioTagInfo tag = newTags(QString(20000, QLatin1Char('t')));
    const bool saved = tag.SaveTags(file);
    if (saved) {
        EXPECT_EQ(ffmpegFrameCount(file, 1), framesBefore) << "a save reported as done cut the audio";
    } else {
        EXPECT_TRUE(readAll(file) == before);
        EXPECT_TRUE(tag.LastError().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
            << tag.LastError().toStdString();
    }
    EXPECT_EQ(folderEntries(mountPoint), (QStringList{QStringLiteral("filler.bin"), QStringLiteral("song.mp3")}));
    EXPECT_FALSE(saved) << "the grown tag cannot fit";

    // With room for the copy and its tag, a save goes through and keeps every frame.
    ASSERT_TRUE(QFile::remove(mountPoint + QStringLiteral("/filler.bin")));
    tag.Title = QString(2000, QLatin1Char('t'));
    ASSERT_TRUE(tag.SaveTags(file)) << tag.LastError().toStdString();
    EXPECT_EQ(ffmpegFrameCount(file, 1), framesBefore);
    AudioTagInfo back;
    ASSERT_TRUE(back.LoadTags(file));
    EXPECT_EQ(back.Title, tag.Title);
}

// WMA files whose header object claims to reach into the audio or to the
// end of the file, and a damaged ASF file with MPEG-like bytes in it: the
// save refuses them or keeps every frame, and never tags one as another format.
TEST_F(TagSaveSafetyTest, AFileThatLiesAboutItsHeaderKeepsItsAudio)
{
    const struct {
        const char* name;
        bool saved; ///< what the save of this file ends in, every time
    } cases[] = {
        {"asf_header_into_data.wma", false},
        {"asf_header_eq_file.wma", false},
        {"asf_bogus_object_id3_spliced.wma", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QString::fromUtf8(c.name));
        ASSERT_TRUE(QFile::copy(quandor::test::hostileInput(QString::fromUtf8(c.name)), file));
        ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        const QByteArray before = readAll(file);
        const qint64 framesBefore = ffmpegFrameCount(file, 2);

        AudioTagInfo tag = newTags(QStringLiteral("A new title"));
        ASSERT_EQ(tag.SaveTags(file), c.saved) << tag.LastError().toStdString();
        if (c.saved) {
            EXPECT_GT(framesBefore, 0);
            EXPECT_EQ(ffmpegFrameCount(file, 2), framesBefore);
            EXPECT_FALSE(readAll(file).startsWith("ID3"));
        } else {
            EXPECT_FALSE(tag.LastError().isEmpty());
            EXPECT_TRUE(readAll(file) == before);
        }
        EXPECT_EQ(folderEntries(dir_.path()).filter(QStringLiteral(".tavrel")), QStringList());
    }
}

/// Runs `body` in a forked child; its exit status, or -signal.
int inChild(const std::function<int()>& body, int killAfterMs = -1)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    if (killAfterMs >= 0) {
        QThread::msleep(killAfterMs);
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

/// The processes `pid` started that still run.
QList<pid_t> childrenOf(pid_t pid)
{
    QList<pid_t> children;
    const QByteArray list = readAll(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    for (const QByteArray& child : list.split(' ')) {
        if (!child.trimmed().isEmpty())
            children.append(pid_t(child.trimmed().toInt()));
    }
    return children;
}

/// True when `pid` holds a file of `folder` that has no name: the save's copy.
bool holdsUnnamedFile(pid_t pid, const QString& folder)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QByteArray target(4096, '\0');
        const ssize_t length = ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target.data(), 4096);
        target.truncate(std::max<ssize_t>(length, 0));
        if (target.startsWith(QFile::encodeName(folder) + '/') && target.endsWith(" (deleted)"))
            return true;
    }
    return false;
}

/// Waits for the end of `pid` (not a child of ours) as the system reports
/// it; false when it still runs after `timeoutMs`.
bool waitForEnd(pid_t pid, int timeoutMs)
{
    const int handle = int(::syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0)
        return errno == ESRCH; // ended already
    pollfd ended{handle, POLLIN, 0};
    const bool gone = ::poll(&ended, 1, timeoutMs) == 1;
    ::close(handle);
    return gone;
}

// A save killed at each of its stages (copying the file, the tag writer
// editing the copy) leaves the file as it was or fully saved, and nothing
// beside it once the killed save's helpers are gone. The kills wait for the
// stage itself, not for a share of a measured time, so a loaded machine
// moves them no more than an idle one.
TEST_F(TagSaveSafetyTest, ASaveKilledInTheMiddleLeavesNoCopyBehind)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("music"))));
    const QString folder = QFileInfo(path(QStringLiteral("music"))).canonicalFilePath();
    const QString file = folder + QStringLiteral("/big.wav");
    ASSERT_TRUE(quandor::test::writeWavFile(file, {44100, 2, 16}, 600)); // about 100 MB
    const qint64 size = QFileInfo(file).size();
    ASSERT_TRUE(newTags(QStringLiteral("first")).SaveTags(file));

    const struct {
        const char* name;
        std::function<bool(pid_t)> reached;
    } stages[] = {
        {"copying the file", [&](pid_t saver) { return holdsUnnamedFile(saver, folder); }},
        {"editing the copy", [&](pid_t saver) { return !childrenOf(saver).isEmpty(); }},
    };
    for (const auto& stage : stages) {
        SCOPED_TRACE(stage.name);
        const pid_t saver = fork();
        if (saver == 0)
            _exit(newTags(QStringLiteral("second")).SaveTags(file) ? 0 : 1);
        int status = 0;
        bool reached = false;
        while (!(reached = stage.reached(saver)) && waitpid(saver, &status, WNOHANG) == 0)
            QThread::usleep(200);
        const QList<pid_t> helpers = childrenOf(saver);
        if (reached) {
            kill(saver, SIGKILL);
            waitpid(saver, &status, 0);
        }
        EXPECT_TRUE(reached) << "the save ended before the stage was seen";
        EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
        // Whatever the killed save had started ends with it.
        for (const pid_t helper : helpers)
            EXPECT_TRUE(waitForEnd(helper, 10000)) << "the tag writer outlived its save";
        EXPECT_EQ(folderEntries(folder), QStringList{QStringLiteral("big.wav")});
        AudioTagInfo back;
        ASSERT_TRUE(back.LoadTags(file));
        EXPECT_TRUE(back.Title == QStringLiteral("first") || back.Title == QStringLiteral("second"));
        EXPECT_GE(QFileInfo(file).size(), size);
    }
}

// The file keeps what it is: its links, owner, group and mode; a user who may
// not write it cannot save it, whatever the folder allows.
TEST_F(TagSaveSafetyTest, ASaveKeepsTheFilesIdentity)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "owners and a second user need root";
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    const QString made = mp3(path(QStringLiteral("made.mp3")), 1, 128, 2);
    struct Case {
        const char* name;
        uid_t owner;
        gid_t group;
        mode_t mode;
        bool hardLink;
    };
    const Case cases[] = {
        {"read-only for everyone", 0, 0, 0444, false},
        {"another user's file", kNobody, kNoGroup, 0640, false},
        {"a file with a second link", 0, kNoGroup, 0604, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = path(QString::fromUtf8(c.name));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/song.mp3");
        const QString link = folder + QStringLiteral("/link.mp3");
        ASSERT_TRUE(QFile::copy(made, file));
        ASSERT_EQ(::chown(QFile::encodeName(file).constData(), c.owner, c.group), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), c.mode), 0);
        if (c.hardLink) {
            ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()), 0);
        }
        struct stat before {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &before), 0);

        AudioTagInfo tag = newTags(QStringLiteral("Kept"));
        ASSERT_TRUE(tag.SaveTags(file)) << tag.LastError().toStdString();
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &after), 0);
        EXPECT_EQ(after.st_uid, c.owner);
        EXPECT_EQ(after.st_gid, c.group);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        AudioTagInfo back;
        ASSERT_TRUE(back.LoadTags(c.hardLink ? link : file));
        EXPECT_EQ(back.Title, QStringLiteral("Kept"));
        EXPECT_EQ(folderEntries(folder).filter(QStringLiteral(".tavrel")), QStringList());
    }

    // A root-owned file in a folder of a user who may not write the file.
    const QString folder = path(QStringLiteral("users"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), kNobody, kNoGroup), 0);
    const QString file = folder + QStringLiteral("/root.mp3");
    ASSERT_TRUE(QFile::copy(made, file));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    const QByteArray before = readAll(file);
    const int status = inChild([&] {
        if (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0)
            return 3;
        AudioTagInfo tag = newTags(QStringLiteral("Taken"));
        if (tag.SaveTags(file))
            return 1;
        return tag.LastError().contains(QString::fromLocal8Bit(std::strerror(EACCES))) ? 0 : 2;
    });
    if (status == 3)
        GTEST_SKIP() << "the test cannot become a second user here";
    EXPECT_EQ(status, 0) << "1: saved, 2: refused without saying why";
    EXPECT_TRUE(readAll(file) == before);
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &after), 0);
    EXPECT_EQ(after.st_uid, 0u);
    EXPECT_EQ(folderEntries(folder), QStringList{QStringLiteral("root.mp3")});
}

} // namespace
} // namespace quandor::audio::test
