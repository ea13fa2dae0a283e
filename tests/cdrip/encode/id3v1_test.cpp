// ID3v1 tags: where they go, what they hold, and the genre table.
#include "cdrip/encode/genre_names.h"
#include "cdrip/encode/id3v1_tag.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace brenlow;
using quandor::test::readAll;
using quandor::test::writeAll;

namespace {

Id3v1Fields sample()
{
    Id3v1Fields f;
    f.title = QStringLiteral("Caf\u00e9 du Monde");
    f.artist = QStringLiteral("Artist");
    f.album = QStringLiteral("Album");
    f.year = QStringLiteral("1999");
    f.comment = QStringLiteral("Comment");
    f.track = 7;
    f.genre = 17;
    return f;
}

} // namespace

TEST(Id3v1Tag, AppendsThenReplacesInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.mp3"));
    const QByteArray audio = QByteArray(5000, 'x') + "TAG" + QByteArray(200, 'y'); // "TAG" inside the audio
    ASSERT_TRUE(writeAll(path, audio));
    const Id3v1Tag tag(path);
    ASSERT_TRUE(tag.write(sample()));
    EXPECT_EQ(readAll(path).size(), audio.size() + 128);
    EXPECT_TRUE(readAll(path).startsWith(audio));
    Id3v1Fields other = sample();
    other.title = QStringLiteral("Second");
    ASSERT_TRUE(tag.write(other));
    EXPECT_EQ(readAll(path).size(), audio.size() + 128);
    EXPECT_EQ(tag.read(), other);
}

TEST(Id3v1Tag, ShortFilesKeepTheirBytes)
{
    QTemporaryDir dir;
    for (int size : {0, 10, 127}) {
        const QString path = dir.filePath(QStringLiteral("s%1.mp3").arg(size));
        const QByteArray head(size, '\x5A');
        ASSERT_TRUE(writeAll(path, head));
        ASSERT_TRUE(Id3v1Tag(path).write(sample())) << size;
        const QByteArray after = readAll(path);
        EXPECT_EQ(after.size(), size + 128);
        EXPECT_EQ(after.left(size), head);
        EXPECT_EQ(Id3v1Tag(path).read(), sample());
    }
}

TEST(Id3v1Tag, LayoutOfTheBlock)
{
    Id3v1Fields f = sample();
    f.title = QString(40, QLatin1Char('T')); // cut to 30
    const QByteArray b = encodeId3v1(f);
    ASSERT_EQ(b.size(), 128);
    EXPECT_EQ(b.left(3), "TAG");
    EXPECT_EQ(b.mid(3, 30), QByteArray(30, 'T'));
    EXPECT_EQ(b.mid(33, 6), QByteArray("Artist"));
    EXPECT_EQ(b.mid(93, 4), QByteArray("1999"));
    EXPECT_EQ(b.at(125), '\0');
    EXPECT_EQ(b.at(126), 7);
    EXPECT_EQ(static_cast<uint8_t>(b.at(127)), 17);
    f.track = 0;
    f.comment = QString(30, QLatin1Char('c'));
    EXPECT_EQ(encodeId3v1(f).mid(97, 30), QByteArray(30, 'c')) << "no track: the comment has 30 bytes";
}

TEST(Id3v1Tag, ReadsTrackOnlyFromV11Tags)
{
    QByteArray block = encodeId3v1(sample());
    auto read = decodeId3v1(block);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->track, 7);
    EXPECT_EQ(read->genre, 17);
    block.replace(97, 30, QByteArray(30, 'c')); // a 30-character comment: byte 126 is text
    read = decodeId3v1(block);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->track, 0);
    EXPECT_EQ(read->comment.size(), 30);
    block[127] = static_cast<char>(255);
    EXPECT_EQ(decodeId3v1(block)->genre, 255);
    block[0] = 'X';
    EXPECT_FALSE(decodeId3v1(block));
}

TEST(Id3v1Tag, ReadOnlyFilesAreReadButNotWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.mp3"));
    ASSERT_TRUE(writeAll(path, QByteArray(300, 'a') + encodeId3v1(sample())));
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_EQ(Id3v1Tag(path).read(), sample());
    EXPECT_FALSE(Id3v1Tag(dir.filePath(QStringLiteral("none.mp3"))).write(sample()));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none.mp3")))) << "a tag never creates a file";
    if (QFile(path).open(QIODevice::ReadWrite))
        GTEST_SKIP() << "running with rights that ignore file permissions";
    EXPECT_FALSE(Id3v1Tag(path).write(sample()));
}

TEST(Id3v1Tag, ATagThatDoesNotFitLeavesTheFileAsItWas)
{
    // As on a full disk: an appended tag finds room for part of itself only,
    // or none; a tag written over an old one needs no room.
    QTemporaryDir dir;
    const QByteArray audio(1000, 'a');
    for (const qint64 room : {0, 1, 50, 127}) {
        SCOPED_TRACE(room);
        const QString path = dir.filePath(QStringLiteral("full%1.mp3").arg(room));
        ASSERT_TRUE(writeAll(path, audio));
        bool written = true;
        {
            const quandor::test::FileSizeLimit limit(audio.size() + room);
            written = Id3v1Tag(path).write(sample());
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(readAll(path), audio);
    }
    const QString tagged = dir.filePath(QStringLiteral("tagged.mp3"));
    ASSERT_TRUE(writeAll(tagged, audio + encodeId3v1(Id3v1Fields{})));
    {
        const quandor::test::FileSizeLimit limit(audio.size() + 128);
        EXPECT_TRUE(Id3v1Tag(tagged).write(sample()));
    }
    EXPECT_EQ(readAll(tagged), audio + encodeId3v1(sample()));
}

TEST(Id3v1Tag, OtherToolsReadWhatWeWrite)
{
    if (!quandor::test::haveCheckingTool(QStringLiteral("id3v2")))
        GTEST_SKIP() << "id3v2 missing";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.mp3"));
    ASSERT_TRUE(writeAll(path, QByteArray(1000, '\0')));
    Id3v1Fields f = sample();
    f.title = QStringLiteral("Plain Title");
    ASSERT_TRUE(Id3v1Tag(path).write(f));
    const auto r = quandor::test::runTool(QStringLiteral("id3v2"), {QStringLiteral("-l"), path});
    const QString out = QString::fromLatin1(r.out);
    EXPECT_TRUE(out.contains(QLatin1String("Plain Title"))) << qPrintable(out);
    EXPECT_TRUE(out.contains(QLatin1String("Artist"))) << qPrintable(out);
    EXPECT_TRUE(out.contains(QLatin1String("Rock"))) << qPrintable(out);
}

TEST(GenreNames, TableAsTheListsShowIt)
{
    const std::vector<std::pair<int, const char*>> spots = {
        {0, "Blues"},        {13, "Pop"},         {17, "Rock"},
        {67, "Phychedelic"}, {78, "Rock & Roll"}, {117, "power Ballad"},
        {130, "Terror"},     {131, "indie"},      {140, "Comteporary Christian"},
        {147, "Synth Pop"}};
    for (const auto& [number, name] : spots) {
        EXPECT_STREQ(GenreNames[number], name);
        EXPECT_EQ(genreNumber(QLatin1String(name)), number);
    }
    EXPECT_EQ(genreNumber(QStringLiteral("rock")), -1) << "exact comparison";
    EXPECT_EQ(genreNumber(QString()), -1);
}
