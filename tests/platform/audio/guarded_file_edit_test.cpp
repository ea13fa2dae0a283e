// Editing a file through a copy in a child process: whatever the edit does,
// the file is either replaced by a sane copy or left byte for byte as it was.
#include "platform/audio/guarded_file_edit.h"

#include "tests/support/tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

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
        EXPECT_EQ(editCopyGuarded(file, limits, c.edit), c.replaced);
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
            // Written anew, as some tag writers do: the rest must still follow.
            QFile::remove(copy);
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
        EXPECT_EQ(editHeadGuarded(file, c.headBytes, {64 * 1024, 5000}, c.edit), !c.result.isEmpty());
        EXPECT_TRUE(readAll(file) == (c.result.isEmpty() ? head + rest : c.result));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.wma")});
    }
}

TEST(GuardedFileEdit, TheCopyKeepsTheExtensionAndALinkKeepsPointingAtTheFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("song.ogg"));
    const QString link = dir.filePath(QStringLiteral("link.ogg"));
    ASSERT_TRUE(writeAll(file, "abc"));
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_TRUE(editCopyGuarded(link, {1024, 5000}, [](const QString& copy) {
        return copy.endsWith(QStringLiteral(".ogg")) && appendBytes(copy, 3);
    }));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(file), QByteArray("abcxxx"));
    EXPECT_FALSE(editCopyGuarded(dir.filePath(QStringLiteral("missing.ogg")), {1024, 5000},
                                 [](const QString&) { return true; }));
}

} // namespace
} // namespace quandor::audio
