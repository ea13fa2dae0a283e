// The tag written into converted files: year and track rules, the encoder
// name, an unusable genre, and the message when the tag cannot be written.

#include "converter/main/apply_tag.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QCryptographicHash>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using namespace quandor::test;

namespace {

constexpr int ThisYear = 2031;

class TagTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QByteArray untagged;

    // A copy of one small untagged MP3.
    QString freshMp3(const QString& name)
    {
        if (untagged.isEmpty()) {
            const QString wav = dir.filePath(QStringLiteral("source.wav"));
            const QString mp3 = dir.filePath(QStringLiteral("source.mp3"));
            EXPECT_TRUE(writeWavFile(wav, PcmFormat{}, 0.3));
            EXPECT_EQ(runTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, mp3}).exitCode, 0);
            untagged = readAll(mp3);
        }
        const QString path = dir.filePath(name + QStringLiteral(".mp3"));
        EXPECT_TRUE(writeAll(path, untagged));
        return path;
    }
    static QJsonObject tags(const QString& path)
    {
        return ffprobe(path).value(QStringLiteral("format")).toObject().value(QStringLiteral("tags")).toObject();
    }
    static QString tag(const QString& path, const char* key) { return tags(path).value(QLatin1String(key)).toString(); }
};

TEST_F(TagTest, YearAndTrackRules)
{
    struct Case {
        const char* year;
        int track;
        const char* writtenYear;
        const char* writtenTrack;
    };
    const Case cases[] = {
        {"0", 0, "2031", "1"},        {"2006", 103, "2006", "1"}, {"2006", 102, "2006", "102"},
        {"1999", 104, "1999", "104"}, {" 1987 ", 7, "1987", "7"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString mp3 = freshMp3(QStringLiteral("case%1").arg(n++));
        TagValues values{QStringLiteral("Title é"),
                         QStringLiteral("Artist"),
                         QStringLiteral("Album"),
                         QStringLiteral("Comment"),
                         QLatin1String(c.year),
                         17,
                         c.track};
        QString error;
        ASSERT_TRUE(applyTag(values, mp3, ThisYear, &error)) << error.toStdString();
        SCOPED_TRACE(c.year);
        const QJsonObject written = tags(mp3);
        const auto value = [&](const char* key) { return written.value(QLatin1String(key)).toString(); };
        EXPECT_EQ(value("date"), QLatin1String(c.writtenYear));
        EXPECT_EQ(value("track"), QLatin1String(c.writtenTrack));
        EXPECT_EQ(value("encoded_by"), QStringLiteral("Tavrel"));
        EXPECT_EQ(value("title"), QStringLiteral("Title é"));
        EXPECT_EQ(value("genre"), QStringLiteral("Rock"));
        // The changed values stay for the entries that follow.
        if (QLatin1String(c.year) == QLatin1String("0")) {
            EXPECT_EQ(values.year, QStringLiteral("2031"));
        }
        EXPECT_EQ(values.track, QString::fromLatin1(c.writtenTrack).toInt());
    }
    if (haveCheckingTool(QStringLiteral("id3v2"))) {
        const ToolResult listed =
            runTool(QStringLiteral("id3v2"), {QStringLiteral("-l"), dir.filePath(QStringLiteral("case0.mp3"))});
        EXPECT_TRUE(listed.out.contains("TENC")) << listed.out.toStdString();
        EXPECT_TRUE(listed.out.contains("Tavrel"));
    }
}

TEST_F(TagTest, GenreOutsideTheListIsLeftOut)
{
    const QString mp3 = freshMp3(QStringLiteral("genre"));
    TagValues values{QStringLiteral("T"), {}, {}, {}, QStringLiteral("2001"), 200, 3};
    ASSERT_TRUE(applyTag(values, mp3, ThisYear));
    const QJsonObject written = tags(mp3);
    EXPECT_FALSE(written.contains(QStringLiteral("genre")));
    EXPECT_EQ(written.value(QStringLiteral("title")).toString(), QStringLiteral("T"));
}

TEST_F(TagTest, UnusableYearOrFileLeavesTheFileAsItWas)
{
    const QString mp3 = freshMp3(QStringLiteral("blank"));
    const QByteArray before = readAll(mp3);
    for (const char* year : {"    ", "", "19x9"}) {
        TagValues values{QStringLiteral("T"), {}, {}, {}, QLatin1String(year), 1, 1};
        QString error;
        EXPECT_FALSE(applyTag(values, mp3, ThisYear, &error)) << year;
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(readAll(mp3), before);

    const QString notAudio = dir.filePath(QStringLiteral("notes.mp3"));
    ASSERT_TRUE(writeAll(notAudio, QByteArray("plain text, not audio")));
    TagValues values{QStringLiteral("T"), {}, {}, {}, QStringLiteral("2001"), 1, 1};
    EXPECT_FALSE(applyTag(values, notAudio, ThisYear));
    EXPECT_FALSE(applyTag(values, dir.filePath(QStringLiteral("absent.mp3")), ThisYear));
    EXPECT_EQ(tagErrorMessage(), QStringLiteral("Error on SetTag function"));
}

} // namespace
