// The one door for new files: a name only once the data is on the disk, never
// through a link or into a FIFO, never over a name the program did not choose,
// and a size limit reported as an error.
#include "platform/files/file_door.h"

#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quandor::files {
namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(FileDoor, TheFreeNameRuleNumbersBeforeTheExtension)
{
    EXPECT_EQ(numberedName(QStringLiteral("/a/song.mp3"), 1), QStringLiteral("/a/song(1).mp3"));
    EXPECT_EQ(numberedName(QStringLiteral("/a/x.b.wav"), 12), QStringLiteral("/a/x.b(12).wav"));
    EXPECT_EQ(numberedName(QStringLiteral("/a.d/noext"), 2), QStringLiteral("/a.d/noext(2)"));
    EXPECT_EQ(numberedName(QStringLiteral("/a/.hidden"), 1), QStringLiteral("/a/.hidden(1)"));
}

TEST(FileDoor, AFileThatAppearsMeanwhileKeepsItsNameAndTheNewOneTakesTheNextFree)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("song.mp3"));
    NewFile first;
    NewFile second;
    ASSERT_TRUE(first.open(out, WhenTaken::TakeFreeName));
    ASSERT_TRUE(second.open(out, WhenTaken::TakeFreeName));
    ASSERT_TRUE(first.write(QByteArrayLiteral("first")));
    ASSERT_TRUE(second.write(QByteArrayLiteral("second")));
    EXPECT_TRUE(entries(dir.path()).isEmpty()) << "nothing has a name before it is complete";
    ASSERT_TRUE(quandor::test::writeAll(out, "another program's file"));
    ASSERT_TRUE(first.commit());
    ASSERT_TRUE(second.commit());
    EXPECT_EQ(first.path(), dir.filePath(QStringLiteral("song(1).mp3")));
    EXPECT_EQ(second.path(), dir.filePath(QStringLiteral("song(2).mp3")));
    EXPECT_EQ(quandor::test::readAll(out), QByteArray("another program's file"));
    EXPECT_EQ(quandor::test::readAll(first.path()), QByteArray("first"));
    EXPECT_EQ(quandor::test::readAll(second.path()), QByteArray("second"));
    EXPECT_EQ(entries(dir.path()).size(), 3);
}

TEST(FileDoor, ReplacingPutsAFileInPlaceOfALinkAndKeepsAReplacedFilesMode)
{
    QTemporaryDir dir;
    const QDir top(dir.path());
    ASSERT_TRUE(top.mkpath(QStringLiteral("in")));
    ASSERT_TRUE(quandor::test::writeAll(top.filePath(QStringLiteral("victim.txt")), "victim"));
    const QString linked = top.filePath(QStringLiteral("in/Ripper.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../victim.txt"), linked));
    ASSERT_TRUE(replaceFile(linked, "[a]\r\nb=c\r\n"));
    EXPECT_EQ(quandor::test::readAll(top.filePath(QStringLiteral("victim.txt"))), QByteArray("victim"));
    EXPECT_FALSE(QFileInfo(linked).isSymLink());
    EXPECT_EQ(quandor::test::readAll(linked), QByteArray("[a]\r\nb=c\r\n"));

    ASSERT_EQ(::chmod(QFile::encodeName(linked).constData(), 0640), 0);
    ASSERT_TRUE(replaceFile(linked, "new"));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(linked).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(top.filePath(QStringLiteral("in"))), QStringList{QStringLiteral("Ripper.ini")});
}

TEST(FileDoor, ANewFileGetsThePlainFileModeTheUmaskLeaves)
{
    QTemporaryDir dir;
    const mode_t saved = ::umask(022);
    const QString out = dir.filePath(QStringLiteral("song.wav"));
    NewFile file;
    ASSERT_TRUE(file.open(out, WhenTaken::TakeFreeName));
    ASSERT_TRUE(file.write(QByteArrayLiteral("x")));
    ASSERT_TRUE(file.commit());
    ASSERT_TRUE(replaceFile(dir.filePath(QStringLiteral("Config.ini")), "x"));
    ::umask(saved);
    for (const QString& name : {QStringLiteral("song.wav"), QStringLiteral("Config.ini")}) {
        struct stat status {};
        ASSERT_EQ(::stat(QFile::encodeName(dir.filePath(name)).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0644u) << name.toStdString();
    }
}

TEST(FileDoor, ASizeLimitIsAnErrorNamingTheFileAndNothingTakesTheName)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("big.bin"));
    ASSERT_TRUE(quandor::test::writeAll(out, "old"));
    const QByteArray bytes(64 * 1024, 'x');
    QString error;
    {
        const quandor::test::FileSizeLimit limit(16 * 1024);
        EXPECT_FALSE(replaceFile(out, bytes, &error));
    }
    EXPECT_TRUE(error.contains(out)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("File too large"))) << error.toStdString();
    EXPECT_EQ(quandor::test::readAll(out), QByteArray("old"));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("big.bin")});
}

TEST(FileDoor, TheStartUpsIgnoreTheSizeSignalSoAWritePastALimitFails)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("x.bin"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        ignoreFileSizeSignal();
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        const bool written = replaceFile(out, QByteArray(16384, 'x'), &error);
        ::_exit(!written && error.contains(QStringLiteral("File too large")) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST(FileDoor, AFifoIsReadWithoutWaitingAndALinkIsNotReadThrough)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("Config.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString error;
    bool absent = true;
    EXPECT_FALSE(readRegularFile(fifo, 1024, &error, &absent));
    EXPECT_FALSE(absent);
    EXPECT_TRUE(error.contains(fifo));
    // A change is refused rather than replacing what cannot be read.
    EXPECT_FALSE(updateFile(fifo, [](const QByteArray&) { return QByteArrayLiteral("x"); }));

    ASSERT_TRUE(quandor::test::writeAll(dir.filePath(QStringLiteral("secret")), "secret"));
    const QString link = dir.filePath(QStringLiteral("registry.ini"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("secret")), link));
    EXPECT_FALSE(readRegularFile(link, 1024, nullptr, &absent));
    EXPECT_TRUE(absent);
}

} // namespace
} // namespace quandor::files
