// A working file has no name from its start to its end: the door writes into
// it when given its path, names nothing, and messages call it by its shown name.

#include "platform/files/working_file.h"

#include "platform/files/file_door.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace {

using quandor::files::NewFile;
using quandor::files::WhenTaken;
using quandor::files::WorkingFile;

QStringList entriesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

TEST(WorkingFile, TheDoorWritesIntoItAndNothingEverHasAName)
{
    QTemporaryDir dir;
    const QString shown = dir.filePath(QStringLiteral("song.wav"));
    WorkingFile working;
    ASSERT_TRUE(working.create(dir.path(), shown));
    EXPECT_TRUE(quandor::files::isWorkingFile(working.path()));
    EXPECT_EQ(quandor::files::shownNameOf(working.path()), shown);

    // Written twice, as a step that starts again would: the second replaces the first.
    for (const QByteArray& bytes : {QByteArray(5000, 'a'), QByteArray("the audio")}) {
        NewFile file;
        QString error;
        ASSERT_TRUE(file.open(working.path(), WhenTaken::TakeFreeName, &error)) << error.toStdString();
        ASSERT_TRUE(file.write(bytes, &error));
        ASSERT_TRUE(file.commit(&error)) << error.toStdString();
        EXPECT_EQ(file.path(), working.path());
        EXPECT_EQ(entriesIn(dir.path()), QStringList());
    }
    EXPECT_EQ(quandor::test::readAll(working.path()), QByteArray("the audio"));
    EXPECT_EQ(working.size(), 9);

    const QString path = working.path();
    working.release();
    EXPECT_FALSE(quandor::files::isWorkingFile(path));
    EXPECT_EQ(quandor::files::shownNameOf(path), path);
    EXPECT_EQ(entriesIn(dir.path()), QStringList());
}

TEST(WorkingFile, AFailedWriteNamesTheShownFileAndTheReason)
{
    QTemporaryDir dir;
    const QString shown = dir.filePath(QStringLiteral("song.wav"));
    WorkingFile working;
    ASSERT_TRUE(working.create(dir.path(), shown));
    NewFile file;
    ASSERT_TRUE(file.open(working.path(), WhenTaken::TakeFreeName));
    QString error;
    {
        quandor::test::FileSizeLimit limit(4096);
        EXPECT_FALSE(file.write(QByteArray(65536, 'x'), &error));
    }
    EXPECT_EQ(error, QStringLiteral("Cannot write %1: File too large").arg(shown));
    file.discard();
    EXPECT_EQ(entriesIn(dir.path()), QStringList());
}

TEST(WorkingFile, OnlyTheProcesssOwnWorkingFilesAreWrittenThroughADescriptorPath)
{
    QTemporaryDir dir;
    // A descriptor path of a named file is no working file: the door asks to
    // make a file in /proc/self/fd, which refuses it, and the named file is untouched.
    const QString named = dir.filePath(QStringLiteral("user.wav"));
    ASSERT_TRUE(quandor::test::writeAll(named, "the user's"));
    const quandor::files::FileDescriptor open(::open(QFile::encodeName(named).constData(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(open);
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(open.get());
    EXPECT_FALSE(quandor::files::isWorkingFile(path));
    NewFile file;
    if (file.open(path, WhenTaken::TakeFreeName)) {
        file.write(QByteArray("overwritten"));
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(quandor::test::readAll(named), QByteArray("the user's"));

    // A folder that cannot hold one is said so, under the shown name.
    WorkingFile working;
    QString error;
    EXPECT_FALSE(working.create(dir.filePath(QStringLiteral("missing")), QStringLiteral("/x/song.wav"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot create /x/song.wav: "))) << error.toStdString();
}

} // namespace
