// Files opened from a name the user gives: only regular files, and never a
// wait in open() on a FIFO.
#include "platform/files/regular_file.h"

#include "tests/support/fifo_guard.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quandor::files {
namespace {

std::string nameOf(const QString& path)
{
    return std::string(QFile::encodeName(path).constData());
}

TEST(RegularFile, OnlyRegularFilesOpenAndNothingWaits)
{
    QTemporaryDir dir;
    const QDir folder(dir.path());
    const QString plain = folder.filePath(QStringLiteral("plain.wav"));
    ASSERT_TRUE(quandor::test::writeAll(plain, "RIFF"));
    ASSERT_TRUE(QFile::link(plain, folder.filePath(QStringLiteral("link.wav"))));
    ASSERT_TRUE(folder.mkdir(QStringLiteral("folder.wav")));
    ASSERT_TRUE(QFile::link(QStringLiteral("missing"), folder.filePath(QStringLiteral("dangling.wav"))));
    const QString fifo = folder.filePath(QStringLiteral("fifo.wav"));
    const quandor::test::FifoGuard guard({fifo});
    ASSERT_TRUE(guard.made());

    struct Case {
        QString path;
        bool regular;
    };
    const Case cases[] = {
        {plain, true},
        {folder.filePath(QStringLiteral("link.wav")), true},
        {fifo, false},
        {folder.filePath(QStringLiteral("folder.wav")), false},
        {folder.filePath(QStringLiteral("dangling.wav")), false},
        {folder.filePath(QStringLiteral("missing.wav")), false},
        {QStringLiteral("/dev/null"), false},
        {QString(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(isRegularFile(c.path), c.regular);
        std::string error;
        const FileDescriptor fd = openRegularFile(nameOf(c.path), &error);
        EXPECT_EQ(bool(fd), c.regular);
        EXPECT_EQ(error.empty(), c.regular) << error;
        QFile file;
        EXPECT_EQ(openRegularFile(file, c.path), c.regular);
        EXPECT_EQ(file.isOpen(), c.regular);
        if (c.regular) {
            EXPECT_EQ(file.readAll(), QByteArray("RIFF")) << "the descriptor blocks again once checked";
        }
    }
    EXPECT_FALSE(guard.released()) << "an open waited on the FIFO";
}

} // namespace
} // namespace quandor::files
