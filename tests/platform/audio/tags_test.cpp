// The tag object writes fields that independent tools read back, per format.
#include "tests/platform/audio/audio_test_support.h"

#include "platform/audio/asf_header.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/audio_tag_info.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace quandor::audio::test {
namespace {

using quandor::test::runTool;

class TagTest : public AudioTest {
protected:
    /// A short file of `extension` written by our writer (m4a by ffmpeg).
    QString makeFile(const QString& extension)
    {
        const QString source = wav(QStringLiteral("src.wav"), 0.5);
        const QString out = path(QStringLiteral("tagged.") + extension);
        if (extension == QLatin1String("m4a")) {
            EXPECT_EQ(runTool(QStringLiteral("ffmpeg"),
                              {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), source,
                               QStringLiteral("-c:a"), QStringLiteral("aac"), out})
                          .exitCode,
                      0);
            return out;
        }
        AudioFileWriter writer;
        if (extension == QLatin1String("mp3"))
            writer.SetFormatMP3(44100, 128, 2);
        if (extension == QLatin1String("ogg"))
            writer.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400);
        if (extension == QLatin1String("wma"))
            writer.SelectWmaProfile(35);
        if (extension == QLatin1String("wav"))
            writer.SetFormatPCM(44100, 2, 16);
        EXPECT_TRUE(transcode(source, writer, out).ok);
        return out;
    }

    static AudioTagInfo sample()
    {
        AudioTagInfo tag;
        tag.TagVersion = 2;
        tag.Title = QStringLiteral("Früh am Morgen");
        tag.Artist = QStringLiteral("Artist Name");
        tag.Album = QStringLiteral("Album Name");
        tag.Genre = 17; // Rock
        tag.Comment = QStringLiteral("A comment");
        tag.Year = 2006;
        tag.Track = 7;
        tag.EncodedBy = QStringLiteral("Tavrel");
        tag.Composer = QStringLiteral("Composer Name");
        tag.Copyright = QStringLiteral("(c) Someone");
        return tag;
    }
};

QString tagValue(const QJsonObject& tags, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        for (auto it = tags.begin(); it != tags.end(); ++it)
            if (it.key().compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                return it.value().toString();
    }
    return {};
}

QStringList editLeftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".tavrel-edit*")}, QDir::Files | QDir::Hidden);
}

TEST_F(TagTest, FieldsReadBackByFfprobeInEveryFormat)
{
    for (const char* extension : {"mp3", "ogg", "wma", "m4a", "wav"}) {
        const QString file = makeFile(QString::fromLatin1(extension));
        AudioTagInfo tag = sample();
        ASSERT_TRUE(tag.SaveTags(file)) << extension << ": " << tag.LastError().toStdString();
        const Probed p = probe(file);
        ASSERT_FALSE(p.codec.isEmpty()) << extension << ": the file must still decode";
        EXPECT_EQ(tagValue(p.tags, {"title", "INAM"}), QStringLiteral("Früh am Morgen")) << extension;
        EXPECT_EQ(tagValue(p.tags, {"artist", "IART"}), QStringLiteral("Artist Name")) << extension;
        EXPECT_EQ(tagValue(p.tags, {"album", "IPRD"}), QStringLiteral("Album Name")) << extension;
        EXPECT_EQ(tagValue(p.tags, {"genre", "IGNR"}), QStringLiteral("Rock")) << extension;
        EXPECT_TRUE(tagValue(p.tags, {"date", "year", "WM/Year", "ICRD"}).startsWith(QStringLiteral("2006")))
            << extension;
        EXPECT_TRUE(tagValue(p.tags, {"track", "WM/TrackNumber", "tracknumber"}).startsWith(QLatin1Char('7')))
            << extension;

        AudioTagInfo back;
        ASSERT_TRUE(back.LoadTags(file)) << extension;
        EXPECT_EQ(back.Title, tag.Title) << extension;
        EXPECT_EQ(back.Artist, tag.Artist) << extension;
        EXPECT_EQ(back.Album, tag.Album) << extension;
        EXPECT_EQ(back.Comment, tag.Comment) << extension;
        EXPECT_EQ(back.Genre, 17) << extension;
        EXPECT_EQ(back.GenreText, QStringLiteral("Rock")) << extension;
        EXPECT_EQ(back.Year, 2006) << extension;
        EXPECT_EQ(back.Track, 7) << extension;
        EXPECT_EQ(back.Composer, tag.Composer) << extension;
        EXPECT_EQ(back.Copyright, tag.Copyright) << extension;
        EXPECT_EQ(back.EncodedBy, tag.EncodedBy) << extension;
    }
}

// A file that carries its tag from the encoder on (Ogg's comment header, an
// ID3v2 tag ahead of MP3 and an ID3v1 tag behind it) is retagged with the
// same fields in place, and still decodes to its whole length; without it,
// the save has to make room.
TEST_F(TagTest, OutputCarryingItsTagFromTheStartIsRetaggedInPlace)
{
    const QString source = wav(QStringLiteral("src.wav"), 0.5);
    const qint64 sourceFrames = ffmpegFrameCount(source, 2);
    for (const char* extension : {"ogg", "mp3"}) {
        for (const bool carried : {false, true}) {
            SCOPED_TRACE(std::string(extension) + (carried ? ", tag carried from the start" : ", no tag ahead"));
            const QString file =
                path((carried ? QStringLiteral("carried.") : QStringLiteral("bare.")) + QLatin1String(extension));
            AudioTagInfo tag = sample();
            AudioFileWriter writer;
            if (QLatin1String(extension) == QLatin1String("ogg"))
                ASSERT_TRUE(writer.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400));
            else
                ASSERT_TRUE(writer.SetFormatMP3(44100, 128, 2));
            writer.SetStreamTags(carried ? tag.TextFields() : TagFieldList{});
            ASSERT_TRUE(transcode(source, writer, file).ok);
            const qint64 encoded = QFileInfo(file).size();
            // The encoder's own frame count (the MP3's LAME frame sits behind the tag).
            EXPECT_EQ(ffmpegFrameCount(file, 2), sourceFrames);

            ASSERT_TRUE(tag.SaveTags(file)) << tag.LastError().toStdString();
            if (carried)
                EXPECT_EQ(QFileInfo(file).size(), encoded);
            else
                EXPECT_GT(QFileInfo(file).size(), encoded);
            EXPECT_EQ(ffmpegFrameCount(file, 2), sourceFrames);

            // Each field once, as the save wrote it (a field written twice reads back as "a;a").
            const Probed p = probe(file);
            ASSERT_FALSE(p.codec.isEmpty());
            EXPECT_EQ(tagValue(p.tags, {"title"}), tag.Title);
            EXPECT_EQ(tagValue(p.tags, {"artist"}), tag.Artist);
            EXPECT_EQ(tagValue(p.tags, {"genre"}), QStringLiteral("Rock"));
            EXPECT_EQ(tagValue(p.tags, {"date"}), QStringLiteral("2006"));
            EXPECT_EQ(tagValue(p.tags, {"track", "tracknumber"}), QStringLiteral("7"));
            EXPECT_EQ(tagValue(p.tags, {"encodedby", "encoded_by"}), QStringLiteral("Tavrel"));
        }
    }
}

// Only the header of a WMA file is rewritten: the audio after it stays byte
// for byte as it was, however much the header grows.
TEST_F(TagTest, WmaTitleFromAnotherWriterIsReplacedAndTheAudioKept)
{
    // ffmpeg repeats the title and author as extended attributes, which readers prefer.
    const QString file = path(QStringLiteral("theirs.wma"));
    ASSERT_EQ(
        runTool(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), wav(QStringLiteral("w.wav"), 0.5),
                 QStringLiteral("-metadata"), QStringLiteral("title=Old"), QStringLiteral("-metadata"),
                 QStringLiteral("artist=Old Artist"), QStringLiteral("-c:a"), QStringLiteral("wmav2"), file})
            .exitCode,
        0);
    const QByteArray before = quandor::test::readAll(file);
    const qint64 headerBefore = asfHeaderObjectSize(file);
    const Probed probedBefore = probe(file);
    const qint64 framesBefore = ffmpegFrameCount(file, 2);
    ASSERT_GT(headerBefore, 0);

    AudioTagInfo tag = sample();
    ASSERT_TRUE(tag.SaveTags(file)) << tag.LastError().toStdString();
    const QByteArray after = quandor::test::readAll(file);
    const qint64 headerAfter = asfHeaderObjectSize(file);
    EXPECT_GT(headerAfter, headerBefore);
    EXPECT_EQ(after.size() - headerAfter, before.size() - headerBefore);
    EXPECT_TRUE(after.mid(headerAfter) == before.mid(headerBefore));
    EXPECT_EQ(editLeftovers(dir_.path()), QStringList());

    const Probed p = probe(file);
    EXPECT_EQ(p.duration, probedBefore.duration);
    EXPECT_EQ(ffmpegFrameCount(file, 2), framesBefore);
    EXPECT_EQ(tagValue(p.tags, {"title"}), QStringLiteral("Früh am Morgen"));
    EXPECT_EQ(tagValue(p.tags, {"artist", "author"}), QStringLiteral("Artist Name"));
    AudioTagInfo back;
    ASSERT_TRUE(back.LoadTags(file));
    EXPECT_EQ(back.Title, tag.Title);
    EXPECT_EQ(back.Artist, tag.Artist);
}

/// The smallest APE file the readers accept: descriptor, header, a one-entry
/// seek table and one frame of (silent) data, one second at 44.1 kHz stereo.
QByteArray minimalApe()
{
    QByteArray data("MAC ", 4);
    auto u16 = [&](quint16 v) { data.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&](quint32 v) {
        u16(quint16(v & 0xFFFF));
        u16(quint16(v >> 16));
    };
    u16(3990);
    u16(0);
    for (quint32 v : {52u, 24u, 4u, 0u, 1000u, 0u, 0u})
        u32(v);
    data.append(QByteArray(16, '\0')); // MD5
    u16(2000);
    u16(0);
    u32(73728);
    u32(44100);
    u32(1);
    u16(16);
    u16(2);
    u32(44100);
    u32(0); // seek table
    data.append(QByteArray(1000, '\0'));
    return data;
}

TEST_F(TagTest, ApeGetsAnApeTag)
{
    const QString file = path(QStringLiteral("tagged.ape"));
    ASSERT_TRUE(quandor::test::writeAll(file, minimalApe()));
    AudioTagInfo tag = sample();
    ASSERT_TRUE(tag.SaveTags(file)) << tag.LastError().toStdString();
    EXPECT_TRUE(quandor::test::readAll(file).contains("APETAGEX"));
    const Probed p = probe(file);
    EXPECT_EQ(p.codec, QStringLiteral("ape"));
    EXPECT_EQ(tagValue(p.tags, {"title"}), tag.Title);
    EXPECT_EQ(tagValue(p.tags, {"artist"}), tag.Artist);
    EXPECT_EQ(tagValue(p.tags, {"genre"}), QStringLiteral("Rock"));
    AudioTagInfo back;
    ASSERT_TRUE(back.LoadTags(file));
    EXPECT_EQ(back.Album, tag.Album);
    EXPECT_EQ(back.Year, 2006);
    EXPECT_EQ(back.Track, 7);
}

TEST_F(TagTest, Mp3GetsId3v2AndId3v1)
{
    const QString file = makeFile(QStringLiteral("mp3"));
    AudioTagInfo tag = sample();
    tag.URL = QStringLiteral("http://example.org/");
    tag.OriginalArtist = QStringLiteral("First Artist");
    ASSERT_TRUE(tag.SaveTags(file));
    const auto listing = runTool(QStringLiteral("id3v2"), {QStringLiteral("-l"), file});
    ASSERT_EQ(listing.exitCode, 0);
    const QString text = QString::fromUtf8(listing.out);
    EXPECT_TRUE(text.contains(QStringLiteral("id3v1 tag info"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("id3v2 tag info"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("TPE1"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Artist Name"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("TENC"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("TCOM"))) << text.toStdString();
    AudioTagInfo back;
    ASSERT_TRUE(back.LoadTags(file));
    EXPECT_EQ(back.URL, tag.URL);
    EXPECT_EQ(back.OriginalArtist, tag.OriginalArtist);
}

TEST_F(TagTest, Id3v1PaddingAndNoGenreAreNotWritten)
{
    const QString file = makeFile(QStringLiteral("ogg"));
    AudioTagInfo tag;
    tag.Title = QStringLiteral("Short") + QString(25, QChar(0));
    tag.Genre = 255;
    tag.Year = 1999;
    tag.Track = 1;
    ASSERT_TRUE(tag.SaveTags(file));
    const Probed p = probe(file);
    EXPECT_EQ(tagValue(p.tags, {"title"}), QStringLiteral("Short"));
    EXPECT_TRUE(tagValue(p.tags, {"genre"}).isEmpty());
    AudioTagInfo back;
    ASSERT_TRUE(back.LoadTags(file));
    EXPECT_EQ(back.Genre, AudioTagInfo::NoGenre);
    EXPECT_EQ(back.Title, QStringLiteral("Short"));
}

TEST_F(TagTest, EmptiedFieldsAreRemoved)
{
    const QString file = makeFile(QStringLiteral("mp3"));
    AudioTagInfo tag = sample();
    ASSERT_TRUE(tag.SaveTags(file));
    tag.Comment.clear();
    tag.Composer.clear();
    ASSERT_TRUE(tag.SaveTags(file));
    AudioTagInfo back;
    ASSERT_TRUE(back.LoadTags(file));
    EXPECT_TRUE(back.Comment.isEmpty());
    EXPECT_TRUE(back.Composer.isEmpty());
    EXPECT_EQ(back.Title, tag.Title);
}

TEST_F(TagTest, FilesThatCannotBeTaggedFail)
{
    const QString text = path(QStringLiteral("notes.mp3"));
    ASSERT_TRUE(quandor::test::writeAll(text, QByteArrayLiteral("just text\n").repeated(100)));
    for (const QString& file : {text, path(QStringLiteral("missing.mp3")), path(QStringLiteral("noext"))}) {
        AudioTagInfo tag = sample();
        EXPECT_FALSE(tag.SaveTags(file)) << file.toStdString();
        EXPECT_FALSE(tag.LastError().isEmpty());
        AudioTagInfo load;
        EXPECT_FALSE(load.LoadTags(file)) << file.toStdString();
        EXPECT_TRUE(load.Title.isEmpty());
    }
}

// Files that send TagLib astray: the save of the MP4 one would grow it by
// gigabytes. It fails within seconds, and every file stays byte for byte as it
// was unless the save succeeded, with no copy left beside it.
TEST_F(TagTest, HostileFilesCannotHangTheSaveOrDamageTheFile)
{
    const quandor::test::FileSizeLimit safetyNet(256 << 20); // should the guard ever fail
    struct Case {
        const char* name;
        bool mayBeTagged;
    };
    for (const Case c : {Case{"slow_mp4_save.m4a", false}, Case{"slow_asf.wma", true}}) {
        SCOPED_TRACE(c.name);
        const QString file = path(QString::fromUtf8(c.name));
        ASSERT_TRUE(QFile::copy(quandor::test::hostileInput(QString::fromUtf8(c.name)), file));
        ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        const QByteArray original = quandor::test::readAll(file);
        QElapsedTimer clock;
        clock.start();
        AudioTagInfo tag = sample();
        const bool saved = tag.SaveTags(file);
        EXPECT_LT(clock.elapsed(), 15000);
        if (!c.mayBeTagged) {
            EXPECT_FALSE(saved);
        }
        if (!saved) {
            EXPECT_FALSE(tag.LastError().isEmpty());
            EXPECT_TRUE(quandor::test::readAll(file) == original);
        }
        EXPECT_EQ(editLeftovers(dir_.path()), QStringList());
    }
}

TEST(GenreNameTest, CoversTheId3v1Genres)
{
    EXPECT_EQ(AudioTagInfo::GenreName(0), QStringLiteral("Blues"));
    EXPECT_EQ(AudioTagInfo::GenreName(17), QStringLiteral("Rock"));
    for (int g = 0; g < AudioTagInfo::GenreCount; ++g)
        EXPECT_FALSE(AudioTagInfo::GenreName(g).isEmpty()) << g;
    EXPECT_TRUE(AudioTagInfo::GenreName(-1).isEmpty());
    EXPECT_TRUE(AudioTagInfo::GenreName(148).isEmpty());
    EXPECT_TRUE(AudioTagInfo::GenreName(255).isEmpty());
}

} // namespace
} // namespace quandor::audio::test
