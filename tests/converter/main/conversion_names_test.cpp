// Target and temporary names never replace a file that is already there.

#include "converter/main/free_name.h"
#include "tests/support/tools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using quandor::test::readAll;
using quandor::test::writeAll;

namespace {

QByteArray hashOf(const QString& path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
}

TEST(FreeName, TakesTheFirstFreeNumberAndLeavesExistingFilesAlone)
{
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("song"));
    ASSERT_TRUE(writeAll(song + QStringLiteral(".wav"), "first"));
    ASSERT_TRUE(writeAll(song + QStringLiteral("(1).wav"), "second"));
    const QByteArray before0 = hashOf(song + QStringLiteral(".wav"));
    const QByteArray before1 = hashOf(song + QStringLiteral("(1).wav"));

    QString base = song;
    EXPECT_EQ(takeFreeName(base, QStringLiteral(".wav")), song + QStringLiteral("(2).wav"));
    EXPECT_EQ(base, song + QStringLiteral("(2)"));
    EXPECT_EQ(hashOf(song + QStringLiteral(".wav")), before0);
    EXPECT_EQ(hashOf(song + QStringLiteral("(1).wav")), before1);

    // Another extension is free at once; a folder of that name counts as taken.
    QString mp3Base = song;
    EXPECT_EQ(takeFreeName(mp3Base, QStringLiteral(".mp3")), song + QStringLiteral(".mp3"));
    EXPECT_EQ(mp3Base, song);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("song.ogg")));
    QString oggBase = song;
    EXPECT_EQ(takeFreeName(oggBase, QStringLiteral(".ogg")), song + QStringLiteral("(1).ogg"));
}

TEST(FreeName, TemporaryWavIsShownUnderTheSourcesNameInTheTemporaryFolder)
{
    QTemporaryDir temp;
    const QString folder = temp.path(); // no final separator: one is added
    EXPECT_EQ(temporaryWavName(folder, QStringLiteral("/music/Song.M4A")), folder + QStringLiteral("/Song.wav"));
    EXPECT_EQ(temporaryWavName(folder, QStringLiteral("/music/a.b.ape")), folder + QStringLiteral("/a.b.wav"));
    EXPECT_EQ(temporaryWavName(folder, QStringLiteral("/music/noext")), folder + QStringLiteral("/noext.wav"));
    EXPECT_TRUE(temporaryFolder().endsWith(QLatin1Char('/')));
}

} // namespace
