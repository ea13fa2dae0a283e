// Writes that stay inside their folder: links are replaced, never followed,
// and a failed write leaves the old file and no copy.
#include "platform/files/contained_file.h"

#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quandor::files {
namespace {

QStringList entriesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(folder).relativeFilePath(it.next()));
    found.sort();
    return found;
}

TEST(ContainedFile, WritesReplaceLinksAndNamesThatClimbOutAreRefused)
{
    QTemporaryDir dir;
    const QDir top(dir.path());
    ASSERT_TRUE(top.mkpath(QStringLiteral("root/a")) && top.mkpath(QStringLiteral("outside")));
    const QString root = top.filePath(QStringLiteral("root"));
    ASSERT_TRUE(quandor::test::writeAll(top.filePath(QStringLiteral("secret")), "secret"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../../secret"), top.filePath(QStringLiteral("root/a/file"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("../outside"), top.filePath(QStringLiteral("root/b"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(top.filePath(QStringLiteral("root/fifo"))).constData(), 0600), 0);

    for (const char* name : {"a/file", "b/file", "c/d/file", "fifo"}) {
        SCOPED_TRACE(name);
        QString error;
        ASSERT_TRUE(writeFileBeneath(root, QString::fromLatin1(name), "new", &error)) << error.toStdString();
        const QString written = QDir(root).filePath(QString::fromLatin1(name));
        EXPECT_FALSE(QFileInfo(written).isSymLink());
        EXPECT_FALSE(QFileInfo(QFileInfo(written).path()).isSymLink());
        EXPECT_EQ(readFileBeneath(root, QString::fromLatin1(name), 100), QByteArray("new"));
    }
    EXPECT_EQ(quandor::test::readAll(top.filePath(QStringLiteral("secret"))), QByteArray("secret"));
    EXPECT_TRUE(QDir(top.filePath(QStringLiteral("outside"))).isEmpty());

    for (const char* name : {"", "../x", "a/../../x", "./x", "a//x", "/x"}) {
        QString error;
        EXPECT_FALSE(writeFileBeneath(root, QString::fromLatin1(name), "new", &error)) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
    EXPECT_EQ(entriesUnder(dir.path()),
              QStringList({"outside", "root", "root/a", "root/a/file", "root/b", "root/b/file", "root/c", "root/c/d",
                           "root/c/d/file", "root/fifo", "secret"}));
}

TEST(ContainedFile, ReadsFollowNoLinkAndTakeNothingButRegularFiles)
{
    QTemporaryDir dir;
    const QDir top(dir.path());
    ASSERT_TRUE(top.mkpath(QStringLiteral("root/a")));
    const QString root = top.filePath(QStringLiteral("root"));
    ASSERT_TRUE(quandor::test::writeAll(top.filePath(QStringLiteral("secret")), "secret"));
    ASSERT_TRUE(quandor::test::writeAll(top.filePath(QStringLiteral("root/a/big")), QByteArray(101, 'x')));
    ASSERT_TRUE(QFile::link(QStringLiteral("../../secret"), top.filePath(QStringLiteral("root/a/link"))));
    ASSERT_TRUE(QFile::link(QStringLiteral(".."), top.filePath(QStringLiteral("root/up"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(top.filePath(QStringLiteral("root/fifo"))).constData(), 0600), 0);
    for (const char* name : {"a/link", "up/secret", "fifo", "a/big", "a", "missing", "../secret"})
        EXPECT_FALSE(readFileBeneath(root, QString::fromLatin1(name), 100)) << name;
    EXPECT_EQ(readFileBeneath(root, QStringLiteral("a/big"), 101), QByteArray(101, 'x'));
}

TEST(ContainedFile, AWriteThatFailsLeavesTheOldFileAndNoCopy)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    ASSERT_TRUE(writeFileBeneath(root, QStringLiteral("entry.txt"), "old"));
    {
        const quandor::test::FileSizeLimit limit(1000);
        QString error;
        EXPECT_FALSE(writeFileBeneath(root, QStringLiteral("entry.txt"), QByteArray(5000, 'n'), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(readFileBeneath(root, QStringLiteral("entry.txt"), 100), QByteArray("old"));
    EXPECT_EQ(entriesUnder(root), QStringList({"entry.txt"}));
    ASSERT_TRUE(writeFileBeneath(root, QStringLiteral("entry.txt"), QByteArray(5000, 'n')));
    EXPECT_EQ(readFileBeneath(root, QStringLiteral("entry.txt"), 10000), QByteArray(5000, 'n'));
    EXPECT_EQ(entriesUnder(root), QStringList({"entry.txt"}));
}

} // namespace
} // namespace quandor::files
