#include "cdrip/cddb/cddb_cache.h"

#include "platform/profile/profile_file.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace brenlow;
using quandor::test::readAll;

namespace {

const QString kQuery = QStringLiteral("cddb query 0501ac02 2 150 15795 430 ");

QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

} // namespace

TEST(CddbCache, ServerReplyIsStoredByteForByteAndIndexed)
{
    QTemporaryDir start;
    CddbCache cache(start.path());
    EXPECT_FALSE(cache.findEntry(kQuery));
    const QByteArray reply = "210 rock 0501ac02 entry\r\nDTITLE=A / B\r\nTTITLE0=x\r\nTTITLE1=y\r\n.\r\n";
    ASSERT_TRUE(cache.storeServerReply(kQuery, QStringLiteral("rock"), QStringLiteral("0501ac02"), reply));
    EXPECT_EQ(readAll(start.filePath(QStringLiteral("CDDB/rock/0501ac02.txt"))), reply);
    EXPECT_EQ(cache.findEntry(kQuery), QStringLiteral("\\CDDB\\rock\\0501ac02.txt"));
    EXPECT_TRUE(readAll(cache.indexFile())
                    .contains("[CDDBID]\r\ncddb query 0501ac02 2 150 15795 430=\\CDDB\\rock\\0501ac02.txt\r\n"));
    const auto entry = cache.load(kQuery);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->album, QStringLiteral("B"));
}

TEST(CddbCache, NothingIsWrittenOutsideTheCacheForHostileNames)
{
    QTemporaryDir start;
    CddbCache cache(start.path());
    EXPECT_FALSE(cache.storeServerReply(kQuery, QStringLiteral("../../evil"), QStringLiteral("0501ac02"), "210 x\r\n"));
    EXPECT_FALSE(cache.storeServerReply(kQuery, QStringLiteral("rock"), QStringLiteral("../x"), "210 x\r\n"));
    EXPECT_TRUE(filesUnder(start.path()).isEmpty());

    // An index that points outside the cache is not followed.
    ASSERT_TRUE(QDir(start.path()).mkpath(QStringLiteral("CDDB")));
    ASSERT_TRUE(quandor::profile::writeString(cache.indexFile(), QStringLiteral("CDDBID"), kQuery,
                                              QStringLiteral("\\CDDB\\..\\..\\etc\\passwd")));
    EXPECT_TRUE(cache.resolve(*cache.findEntry(kQuery)).isEmpty());
    EXPECT_FALSE(cache.load(kQuery));
}

TEST(CddbCache, UserEntryRoundTripsAndReplacesTheServerEntryInTheIndex)
{
    QTemporaryDir start;
    CddbCache cache(start.path());
    ASSERT_TRUE(cache.storeServerReply(kQuery, QStringLiteral("rock"), QStringLiteral("0501ac02"),
                                       "210 rock 0501ac02 x\r\nDTITLE=A / B\r\n"));
    CddbEntry typed;
    typed.artist = QStringLiteral("Bj\u00F6rk");
    typed.album = QStringLiteral("D\u00E9but = 100%");
    typed.year = QStringLiteral("1993");
    typed.genre = QString();
    typed.titles = {{0, QStringLiteral("Human Behaviour")}, {1, QStringLiteral("One=Two")}};
    ASSERT_TRUE(cache.saveUserEntry(kQuery, QStringLiteral("0501ac02"), typed, 2));

    const QByteArray file = readAll(start.filePath(QStringLiteral("CDDB/Custom/0501ac02.txt")));
    const QList<QByteArray> lines = file.split('\n');
    EXPECT_EQ(lines[0], "210 :::::::::::     Brenlow  ::::::::::::::::::::::::::::\r");
    EXPECT_EQ(lines[1], QByteArray(67, '*') + "\r");
    EXPECT_TRUE(file.contains("DGENRE=\r\n"));
    EXPECT_TRUE(file.contains("DTITLE=Bj\xF6rk / D\xE9"
                              "but = 100%\r\n"));
    EXPECT_EQ(cache.findEntry(kQuery), QStringLiteral("\\CDDB\\Custom\\0501ac02.txt"));

    const auto back = cache.load(kQuery);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->artist, typed.artist);
    EXPECT_EQ(back->album, typed.album);
    EXPECT_EQ(back->year, typed.year);
    EXPECT_EQ(back->genre, QString());
    EXPECT_EQ(back->titles, typed.titles);
}

// A file is read back in one encoding, so it is written in one: an entry whose
// fields need different ones must still restore every field, save after save.
TEST(CddbCache, UserEntryMixingScriptsRestoresEveryField)
{
    struct MixCase {
        const char* name;
        QString artist, album, title;
        QByteArray dtitle; // the line as the file holds it
    };
    const MixCase cases[] = {
        {"Windows-1252 throughout", QStringLiteral("Bj\u00F6rk"), QStringLiteral("S\u00E9r\u00E9nade"),
         QStringLiteral("\u20AC"), "DTITLE=Bj\xF6rk / S\xE9r\xE9nade"},
        {"artist needs UTF-8", QStringLiteral("Anton\u00EDn Dvo\u0159\u00E1k"), QStringLiteral("S\u00E9r\u00E9nade"),
         QStringLiteral("Largo"), "DTITLE=Anton\xC3\xADn Dvo\xC5\x99\xC3\xA1k / S\xC3\xA9r\xC3\xA9nade"},
        {"a title needs UTF-8", QStringLiteral("Caf\u00E9"), QStringLiteral("S\u00E9r\u00E9nade"),
         QStringLiteral("\u65E5\u672C"), "DTITLE=Caf\xC3\xA9 / S\xC3\xA9r\xC3\xA9nade"},
        {"Windows-1252 that reads as UTF-8", QStringLiteral("\u00C3\u00A9dir"), QStringLiteral("Suite"),
         QStringLiteral("x"),
         "DTITLE=\xC3\x83\xC2\xA9"
         "dir / Suite"},
    };
    for (const MixCase& c : cases) {
        QTemporaryDir start;
        CddbCache cache(start.path());
        CddbEntry typed;
        typed.artist = c.artist;
        typed.album = c.album;
        typed.year = QStringLiteral("1875");
        typed.genre = QStringLiteral("Classical");
        typed.titles = {{0, c.title}, {1, QStringLiteral("Tempo di valse")}};
        ASSERT_TRUE(cache.saveUserEntry(kQuery, QStringLiteral("0501ac02"), typed, 2)) << c.name;
        const QString path = start.filePath(QStringLiteral("CDDB/Custom/0501ac02.txt"));
        const QByteArray first = readAll(path);
        EXPECT_TRUE(first.contains("\r\n" + c.dtitle + "\r\n")) << c.name;

        const auto back = cache.load(kQuery);
        ASSERT_TRUE(back) << c.name;
        EXPECT_EQ(back->artist, typed.artist) << c.name;
        EXPECT_EQ(back->album, typed.album) << c.name;
        EXPECT_EQ(back->year, typed.year) << c.name;
        EXPECT_EQ(back->genre, typed.genre) << c.name;
        EXPECT_EQ(back->titles, typed.titles) << c.name;

        // Saving what was loaded writes the same file again.
        ASSERT_TRUE(cache.saveUserEntry(kQuery, QStringLiteral("0501ac02"), *back, 2)) << c.name;
        EXPECT_EQ(readAll(path), first) << c.name;
    }
}

TEST(CddbCache, UserEntryThatCannotBeWrittenIsNotIndexed)
{
    QTemporaryDir start;
    CddbCache cache(start.path());
    QDir(start.path()).mkpath(QStringLiteral("CDDB"));
    QFile blocker(start.filePath(QStringLiteral("CDDB/Custom"))); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(cache.saveUserEntry(kQuery, QStringLiteral("0501ac02"), CddbEntry{}, 1));
    EXPECT_FALSE(cache.findEntry(kQuery));
    EXPECT_FALSE(cache.saveUserEntry(QString(), QStringLiteral("0501ac02"), CddbEntry{}, 1));
}

// Links planted inside CDDB/ (by another program, or a shared folder): every
// write replaces the link by a plain file or folder of the cache and leaves
// what the link names untouched.
TEST(CddbCache, LinksInsideTheCacheAreReplacedNeverFollowed)
{
    struct Case {
        const char* name;
        const char* link;   // under the start folder
        const char* target; // what it names, relative to the link's folder
        bool folder;        // the target is a folder
        bool userEntry;     // written by saveUserEntry, else storeServerReply
    };
    const Case cases[] = {
        {"entry file", "CDDB/rock/0501ac02.txt", "../secret.txt", false, false},
        {"category folder", "CDDB/rock", "../elsewhere", true, false},
        {"index", "CDDB/CDDB.ini", "../secret.txt", false, false},
        {"user entry file", "CDDB/Custom/0501ac02.txt", "../../secret.txt", false, true},
        {"user folder", "CDDB/Custom", "../elsewhere", true, true},
        {"dangling entry link", "CDDB/rock/0501ac02.txt", "../../missing.txt", false, false},
    };
    const QByteArray secret = "not the cache's\n";
    for (const Case& c : cases) {
        QTemporaryDir start;
        const QDir root(start.path());
        root.mkpath(QStringLiteral("elsewhere"));
        QFile file(root.filePath(QStringLiteral("secret.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(secret) == secret.size());
        file.close();
        const QString link = root.filePath(QString::fromLatin1(c.link));
        root.mkpath(QFileInfo(link).path());
        ASSERT_TRUE(QFile::link(QString::fromLatin1(c.target), link)) << c.name;

        CddbCache cache(start.path());
        CddbEntry typed;
        typed.album = QStringLiteral("B");
        const QByteArray reply = "210 rock 0501ac02 entry\r\nDTITLE=A / B\r\nTTITLE0=x\r\nTTITLE1=y\r\n.\r\n";
        ASSERT_TRUE(c.userEntry
                        ? cache.saveUserEntry(kQuery, QStringLiteral("0501ac02"), typed, 2)
                        : cache.storeServerReply(kQuery, QStringLiteral("rock"), QStringLiteral("0501ac02"), reply))
            << c.name;

        EXPECT_EQ(readAll(root.filePath(QStringLiteral("secret.txt"))), secret) << c.name;
        EXPECT_TRUE(QDir(root.filePath(QStringLiteral("elsewhere"))).isEmpty()) << c.name;
        EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("missing.txt")))) << c.name;
        const QString written = root.filePath(c.userEntry ? QStringLiteral("CDDB/Custom/0501ac02.txt")
                                                          : QStringLiteral("CDDB/rock/0501ac02.txt"));
        EXPECT_FALSE(QFileInfo(written).isSymLink()) << c.name;
        EXPECT_FALSE(QFileInfo(QFileInfo(written).path()).isSymLink()) << c.name;
        EXPECT_FALSE(QFileInfo(cache.indexFile()).isSymLink()) << c.name;
        const auto entry = cache.load(kQuery);
        ASSERT_TRUE(entry) << c.name;
        EXPECT_EQ(entry->album, QStringLiteral("B")) << c.name;
        EXPECT_EQ(filesUnder(root.filePath(QStringLiteral("CDDB"))).filter(QStringLiteral(".tmp")), QStringList())
            << c.name;
    }
}

// An entry reached through a link or a FIFO is not read: the lookup would
// otherwise show another file's text, or wait on the FIFO for good.
TEST(CddbCache, EntryThatIsNotAPlainFileInsideTheCacheIsNotLoaded)
{
    QTemporaryDir start;
    const QDir root(start.path());
    CddbCache cache(start.path());
    ASSERT_TRUE(cache.storeServerReply(kQuery, QStringLiteral("rock"), QStringLiteral("0501ac02"),
                                       "210 rock 0501ac02 entry\r\nDTITLE=A / B\r\n.\r\n"));
    const QString entry = root.filePath(QStringLiteral("CDDB/rock/0501ac02.txt"));
    QFile outside(root.filePath(QStringLiteral("outside.txt")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly) && outside.write("DTITLE=X / Y\r\n") > 0);
    outside.close();
    ASSERT_TRUE(QFile::remove(entry) && QFile::link(QStringLiteral("../../outside.txt"), entry));
    EXPECT_FALSE(cache.load(kQuery));
    ASSERT_TRUE(QFile::remove(entry) && ::mkfifo(QFile::encodeName(entry).constData(), 0600) == 0);
    EXPECT_FALSE(cache.load(kQuery));
}
