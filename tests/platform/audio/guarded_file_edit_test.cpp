// Editing a file through a copy in a child process: whatever the edit does,
// the file is either replaced by a sane copy or left byte for byte as it was.
#include "platform/audio/guarded_file_edit.h"

#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/file.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quandor::audio {
namespace {

using quandor::test::readAll;
using quandor::test::writeAll;

bool appendBytes(const QString& copy, qint64 count)
{
    QFile file(copy);
    return file.open(QIODevice::Append) && file.write(QByteArray(count, 'x')) == count;
}

TEST(GuardedFileEdit, TheFileChangesOnlyWhenTheEditSucceedsWithinItsBounds)
{
    const QByteArray original = QByteArray("original contents ").repeated(100);
    struct Case {
        const char* name;
        std::function<bool(const QString&)> edit;
        bool replaced;
    };
    const Case cases[] = {
        {"edit within the bound", [](const QString& copy) { return appendBytes(copy, 1000); }, true},
        {"edit that reports failure",
         [](const QString& copy) {
             appendBytes(copy, 10);
             return false;
         },
         false},
        {"edit that grows past the bound", [](const QString& copy) { return appendBytes(copy, 1 << 20); }, false},
        {"edit that crashes",
         [](const QString& copy) {
             appendBytes(copy, 10);
             std::abort();
             return true;
         },
         false},
        {"edit that never ends",
         [](const QString&) {
             for (;;)
                 QThread::msleep(100);
             return true;
         },
         false},
        {"edit that empties the file", [](const QString& copy) { return QFile(copy).resize(0); }, false},
    };
    const GuardedEditLimits limits{64 * 1024, 2000};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("song.mp3"));
        ASSERT_TRUE(writeAll(file, original));
        ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QElapsedTimer clock;
        clock.start();
        const GuardedEditResult result = editCopyGuarded(file, limits, c.edit);
        EXPECT_EQ(result.saved, c.replaced);
        EXPECT_EQ(result.error.isEmpty(), c.replaced) << result.error.toStdString();
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.mp3")});
        if (c.replaced) {
            EXPECT_EQ(readAll(file).size(), original.size() + 1000);
            const auto modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
            EXPECT_EQ(QFile::permissions(file) & modeBits, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        } else {
            EXPECT_TRUE(readAll(file) == original);
        }
    }
}

// A head edit sees the head alone; the rest follows the edited head, and the
// bound and the failures behave as for a whole copy.
TEST(GuardedFileEdit, AHeadEditSeesOnlyTheHeadAndTheRestFollowsIt)
{
    const QByteArray head = QByteArray("HEAD").repeated(16);
    const QByteArray rest = QByteArray("audio data ").repeated(50000);
    const auto rewriteHead = [](const QByteArray& expected, qint64 growth) {
        return [expected, growth](const QString& copy) {
            if (readAll(copy) != expected)
                return false;
            // Truncated and written anew: the rest must still follow.
            return writeAll(copy, "new " + QByteArray(growth, 'h'));
        };
    };
    struct Case {
        const char* name;
        qint64 headBytes;
        std::function<bool(const QString&)> edit;
        QByteArray result; ///< empty: the file stays as it was
    };
    const Case cases[] = {
        {"head grows", head.size(), rewriteHead(head, 1000), "new " + QByteArray(1000, 'h') + rest},
        {"head shrinks", head.size(), rewriteHead(head, 0), "new " + rest},
        {"head is the whole file", head.size() + rest.size(), rewriteHead(head + rest, 3), "new hhh"},
        {"head grows past the bound", head.size(), rewriteHead(head, 128 * 1024), {}},
        {"edit fails", head.size(), [](const QString&) { return false; }, {}},
        {"head longer than the file", head.size() + rest.size() + 1, [](const QString&) { return true; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("song.wma"));
        ASSERT_TRUE(writeAll(file, head + rest));
        EXPECT_EQ(editHeadGuarded(file, c.headBytes, {64 * 1024, 5000}, c.edit).saved, !c.result.isEmpty());
        EXPECT_TRUE(readAll(file) == (c.result.isEmpty() ? head + rest : c.result));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.wma")});
    }
}

TEST(GuardedFileEdit, ASymbolicLinkKeepsPointingAtTheFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("song.ogg"));
    const QString link = dir.filePath(QStringLiteral("link.ogg"));
    ASSERT_TRUE(writeAll(file, "abc"));
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_TRUE(editCopyGuarded(link, {1024, 5000}, [](const QString& copy) { return appendBytes(copy, 3); }).saved);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(file), QByteArray("abcxxx"));
    EXPECT_FALSE(editCopyGuarded(dir.filePath(QStringLiteral("missing.ogg")), {1024, 5000}, [](const QString&) {
                     return true;
                 }).saved);
}

// The copy replaces the file only when the check vouches for it, and only
// with every byte written: a size limit the program runs under stops the
// edit and the append of the rest as a full disk would, and says so.
TEST(GuardedFileEdit, TheCopyReplacesTheFileOnlyWhenCheckedAndWrittenInFull)
{
    const QByteArray original = QByteArray("head").repeated(64) + QByteArray("audio").repeated(20000);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(writeAll(file, original));
    const auto grow = [](const QString& copy) { return appendBytes(copy, 5000); };

    const GuardedEditResult vetoed =
        editCopyGuarded(file, {64 * 1024, 5000}, grow, [&](const QString& from, const QString& copy) {
            EXPECT_EQ(QFileInfo(from).canonicalFilePath(), QFileInfo(file).canonicalFilePath());
            EXPECT_EQ(readAll(copy).size(), original.size() + 5000);
            return QStringLiteral("the audio differs");
        });
    EXPECT_FALSE(vetoed.saved);
    EXPECT_EQ(vetoed.error, QStringLiteral("the audio differs"));
    EXPECT_TRUE(readAll(file) == original);

    struct Case {
        const char* name;
        qint64 headBytes; ///< -1: the whole file
        rlim_t limit;
    };
    const Case cases[] = {
        {"the edit passes the limit", -1, rlim_t(original.size() + 100)},
        {"the copy of the file passes the limit", -1, rlim_t(original.size() / 2)},
        {"the rest behind the head passes the limit", 256, rlim_t(original.size() + 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedEditResult result;
        {
            const quandor::test::FileSizeLimit limit(c.limit);
            result = c.headBytes < 0 ? editCopyGuarded(file, {64 * 1024, 5000}, grow)
                                     : editHeadGuarded(file, c.headBytes, {64 * 1024, 5000}, grow);
        }
        EXPECT_FALSE(result.saved);
        EXPECT_EQ(result.error, QString::fromLocal8Bit(std::strerror(EFBIG)));
        EXPECT_TRUE(readAll(file) == original);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.mp3")});
    }
}

/// A POSIX access ACL in the form the kernel keeps it: the owner, the user
/// "nobody" and the mask read-write, the group and others read-only.
QByteArray accessAclGivingNobodyReadWrite()
{
    QByteArray acl;
    const auto put32 = [&](quint32 value) { acl.append(reinterpret_cast<const char*>(&value), 4); };
    const auto entry = [&](quint16 tag, quint16 permissions, quint32 id) {
        acl.append(reinterpret_cast<const char*>(&tag), 2);
        acl.append(reinterpret_cast<const char*>(&permissions), 2);
        put32(id);
    };
    constexpr quint32 kNoId = 0xFFFFFFFF;
    put32(2);              // the format's version
    entry(0x01, 6, kNoId); // owner
    entry(0x02, 6, 65534); // a named user
    entry(0x04, 4, kNoId); // group
    entry(0x10, 6, kNoId); // mask
    entry(0x20, 4, kNoId); // others
    return acl;
}

QByteArray attribute(const QString& path, const char* name)
{
    const QByteArray file = QFile::encodeName(path);
    QByteArray value(4096, '\0');
    const ssize_t size = getxattr(file.constData(), name, value.data(), size_t(value.size()));
    return size < 0 ? QByteArray() : value.left(size);
}

// A copy that takes the file's place takes its extended attributes and ACLs
// too: a save changes the tags and nothing else about the file.
TEST(GuardedFileEdit, TheFileKeepsItsExtendedAttributesAndAcl)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(writeAll(file, QByteArray("audio").repeated(1000)));
    ASSERT_TRUE(
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray name = QFile::encodeName(file);
    if (setxattr(name.constData(), "user.keep", "1", 1, 0) != 0)
        GTEST_SKIP() << "no extended attributes here: " << std::strerror(errno);
    const QByteArray acl = accessAclGivingNobodyReadWrite();
    const bool withAcl =
        setxattr(name.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) == 0;
    const QByteArray aclBefore = attribute(file, "system.posix_acl_access");

    ASSERT_TRUE(
        editCopyGuarded(file, {64 * 1024, 5000}, [](const QString& copy) { return appendBytes(copy, 10); }).saved);
    EXPECT_EQ(readAll(file).size(), 5010);
    EXPECT_EQ(attribute(file, "user.keep"), QByteArray("1"));
    if (withAcl) {
        EXPECT_EQ(attribute(file, "system.posix_acl_access"), aclBefore);
    }
}

// A save whose process is killed while the edit runs leaves no copy: the
// edit's process goes with it, and with both the unnamed copy. A copy an
// earlier save left under a name is removed by the next save.
TEST(GuardedFileEdit, AKilledSaveLeavesNoCopyBehind)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("song.wav"));
    const QByteArray original = QByteArray("audio").repeated(100000);
    ASSERT_TRUE(writeAll(file, original));
    const QString started = dir.filePath(QStringLiteral("started"));

    const pid_t saver = fork();
    if (saver == 0) {
        editCopyGuarded(file, {1024, 60000}, [&](const QString&) {
            writeAll(started, "1");
            for (;;)
                QThread::msleep(100);
            return true;
        });
        _exit(0);
    }
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(started) && clock.elapsed() < 10000)
        QThread::msleep(5);
    ASSERT_TRUE(QFileInfo::exists(started));
    // The edit is under way: the copy exists, but has no name.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("song.wav"), QStringLiteral("started")}));
    kill(saver, SIGKILL);
    waitpid(saver, nullptr, 0);
    QFile::remove(started);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.wav")});
    EXPECT_TRUE(readAll(file) == original);

    // What a save killed before it could remove its copy left, a copy of a
    // save still running, and files of the user's that only look alike:
    // only the first goes.
    const QString stale = dir.filePath(QStringLiteral(".tavrel-edit-00000000c0ffee42"));
    const QString live = dir.filePath(QStringLiteral(".tavrel-edit-0123456789abcdef"));
    const QStringList usersOwn{QStringLiteral(".tavrel-edit-notes.txt"), QStringLiteral(".tavrel-edit-"),
                               QStringLiteral(".tavrel-edit-0123456789abcdef.wav"),
                               QStringLiteral(".tavrel-edit-0123456789ABCDEF")};
    ASSERT_TRUE(writeAll(stale, "left behind"));
    ASSERT_TRUE(writeAll(live, "in use"));
    for (const QString& name : usersOwn)
        ASSERT_TRUE(writeAll(dir.filePath(name), "the user's"));
    QFile held(live);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_EQ(flock(held.handle(), LOCK_EX), 0);
    EXPECT_TRUE(editCopyGuarded(file, {1024, 5000}, [](const QString& copy) { return appendBytes(copy, 1); }).saved);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(live));
    for (const QString& name : usersOwn)
        EXPECT_TRUE(readAll(dir.filePath(name)) == "the user's") << name.toStdString();
}

} // namespace
} // namespace quandor::audio
