// GetID3Tag, GetDurationTrack and DecompressFile, on our own files and on
// files that are not what their name says.

#include "platform/mac/ape_file_start.h"
#include "platform/mac/mac_library.h"
#include "tests/platform/mac/ape_test_support.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quandor::mac {
namespace {

using test::PcmFormat;

/// An APE file of `seconds` of 8 kHz mono at `path`, its PCM in `pcm`.
void makeApe(const QString& path, double seconds, QByteArray* pcm = nullptr)
{
    const PcmFormat format{8000, 1, 16};
    const QByteArray samples = test::hardSignal(format, qint64(seconds * format.sampleRate));
    const QString wav = path + QStringLiteral(".wav");
    ASSERT_TRUE(test::writeWav(wav, format, samples));
    ASSERT_EQ(CompressFile(wav, path, 2000, nullptr, {}, nullptr), Result::Success);
    QFile::remove(wav);
    if (pcm)
        *pcm = samples;
}

TEST(GetID3Tag, GivesTheLastRecordOnlyWhenItIsATag)
{
    QTemporaryDir dir;
    const QByteArray tag = QByteArray("TAG") + QByteArray("Title").leftJustified(30, '\0') + QByteArray(90, ' ')
        + QByteArray("\x00\x07\x11", 3) + QByteArray(2, '\0');
    ASSERT_EQ(tag.size(), 128);
    struct Case {
        const char* name;
        QByteArray content;
        QByteArray expected;
    };
    const std::vector<Case> cases = {
        {"tagged", QByteArray(500, 'x') + tag, tag},
        {"tag text not at the end", tag + QByteArray(500, 'x'), QByteArray(128, '\0')},
        {"shorter than a tag", QByteArray("TAG short"), QByteArray(128, '\0')},
        {"empty", QByteArray(), QByteArray(128, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("file.ape"));
        ASSERT_TRUE(quandor::test::writeAll(path, c.content));
        QByteArray buffer("junk");
        EXPECT_EQ(GetID3Tag(path, buffer), Result::Success);
        EXPECT_TRUE(buffer == c.expected);
    }
    QByteArray buffer;
    EXPECT_EQ(GetID3Tag(dir.filePath(QStringLiteral("missing.ape")), buffer), Result::ReadFailed);
    EXPECT_TRUE(buffer == QByteArray(128, '\0'));
}

TEST(GetDurationTrack, GivesWholeSecondsOrMinusOne)
{
    QTemporaryDir dir;
    const QString ape = dir.filePath(QStringLiteral("a.ape"));
    makeApe(ape, 3.9);
    EXPECT_EQ(GetDurationTrack(ape), 3);

    // A leading ID3v2 tag is skipped, as players do.
    const QString tagged = dir.filePath(QStringLiteral("tagged.ape"));
    const QByteArray id3v2 = QByteArray("ID3\x03\x00\x00\x00\x00\x01\x00", 10) + QByteArray(128, '\0');
    ASSERT_TRUE(quandor::test::writeAll(tagged, id3v2 + quandor::test::readAll(ape)));
    EXPECT_EQ(GetDurationTrack(tagged), 3);

    const QString text = dir.filePath(QStringLiteral("text.ape"));
    ASSERT_TRUE(quandor::test::writeAll(text, "MAC but not really"));
    EXPECT_EQ(GetDurationTrack(text), -1);
    EXPECT_EQ(GetDurationTrack(dir.filePath(QStringLiteral("missing.ape"))), -1);
}

TEST(DecompressFile, BadInputFailsWithoutOutput)
{
    QTemporaryDir dir;
    const QString ape = dir.filePath(QStringLiteral("good.ape"));
    makeApe(ape, 1.0);
    const QByteArray good = quandor::test::readAll(ape);
    QByteArray corrupt = good;
    for (qsizetype i = good.size() / 2; i < good.size(); i += 7)
        corrupt[i] = char(corrupt[i] ^ 0x5A);
    QByteArray badLevel = good;
    badLevel[52] = 0x39; // level 1337 in the header

    struct Case {
        const char* name;
        QByteArray content;
        Result expected;
    };
    const std::vector<Case> cases = {
        {"zero length", QByteArray(), Result::InvalidInput},
        {"text named .ape", "just some words in a text file", Result::InvalidInput},
        {"descriptor only", good.left(60), Result::InvalidInput},
        {"cut in half", good.left(good.size() / 2), Result::InvalidInput},
        {"corrupt frames", corrupt, Result::InvalidInput},
        {"unknown level", badLevel, Result::Unsupported},
    };
    const QString out = dir.filePath(QStringLiteral("out.wav"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString in = dir.filePath(QStringLiteral("in.ape"));
        ASSERT_TRUE(quandor::test::writeAll(in, c.content));
        EXPECT_EQ(DecompressFile(in, out, nullptr, {}, nullptr), c.expected);
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(DecompressFile(dir.filePath(QStringLiteral("missing.ape")), out, nullptr, {}, nullptr),
              Result::ReadFailed);
    EXPECT_EQ(DecompressFile(ape, dir.filePath(QStringLiteral("no/such/folder/out.wav")), nullptr, {}, nullptr),
              Result::WriteFailed);
    EXPECT_EQ(DecompressFile(ape, ape, nullptr, {}, nullptr), Result::WriteFailed);
    EXPECT_TRUE(quandor::test::readAll(ape) == good);
}

// ID3v2 tags before the APE data are skipped the way FFmpeg, which decodes the
// frames, skips them; otherwise the header read here describes other frames.
TEST(ApeStart, ChainedId3v2TagsAreSkippedAsTheStandardSays)
{
    QTemporaryDir dir;
    const QString ape = dir.filePath(QStringLiteral("a.ape"));
    makeApe(ape, 0.5);
    const QByteArray plain = quandor::test::readAll(ape);
    auto tag = [](char version, char flags, const QByteArray& body) {
        const auto n = body.size();
        const char size[4] = {char((n >> 21) & 0x7F), char((n >> 14) & 0x7F), char((n >> 7) & 0x7F), char(n & 0x7F)};
        return QByteArray("ID3") + version + '\0' + flags + QByteArray(size, 4) + body;
    };
    const QByteArray footer = QByteArray("3DI\x04\x00\x10", 6) + QByteArray(4, '\0');
    struct Case {
        const char* name;
        QByteArray leading;
    };
    const std::vector<Case> cases = {
        {"ID3v2.3", tag(3, 0, QByteArray(100, '\0'))},
        {"ID3v2.3 with the footer flag: no footer", tag(3, 0x10, QByteArray(100, '\0'))},
        {"ID3v2.4 with its footer", tag(4, 0x10, QByteArray(100, '\0')) + footer},
        {"two chained tags", tag(3, 0x10, {}) + tag(4, 0, QByteArray(5000, 'x'))},
        {"three chained tags", tag(2, 0, "a") + tag(3, 0, "b") + tag(4, 0x10, "c") + footer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString tagged = dir.filePath(QStringLiteral("tagged.ape"));
        ASSERT_TRUE(quandor::test::writeAll(tagged, c.leading + plain));
        const auto info = readApeStart(tagged);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->leadingBytes, std::uint32_t(c.leading.size()));
        EXPECT_EQ(GetDurationTrack(tagged), 0); // read from the file, tag headers only
        const QString out = dir.filePath(QStringLiteral("out.wav"));
        ASSERT_EQ(DecompressFile(tagged, out, nullptr, {}, nullptr), Result::Success);
        EXPECT_EQ(test::wavData(out).size(), qsizetype(8000 / 2 * 2));
    }
}

// Files whose tags lead a naive parser to one APE header and FFmpeg to another:
// either the samples are FFmpeg's own decoding in the header's layout, or the
// file is refused; never bytes from past the decoder's buffers.
TEST(DecompressFile, HeaderAndDecodedFramesNeverDisagree)
{
    QTemporaryDir dir;
    for (const char* name : {"id3_mismatch.ape", "id3_mismatch_s8.ape", "id3_leak.ape"}) {
        SCOPED_TRACE(name);
        const QString in = quandor::test::hostileInput(QString::fromUtf8(name));
        ASSERT_TRUE(QFile::exists(in));
        const QString out = dir.filePath(QStringLiteral("out.wav"));
        const Result result = DecompressFile(in, out, nullptr, {}, nullptr);
        if (result != Result::Success) {
            EXPECT_EQ(result, Result::InvalidInput);
            EXPECT_FALSE(QFile::exists(out));
            continue;
        }
        const auto info = readApeStart(in);
        ASSERT_TRUE(info);
        bool ok = false;
        const QByteArray expected = test::ffmpegDecode(in, info->bitsPerSample, &ok);
        ASSERT_TRUE(ok);
        EXPECT_TRUE(test::wavData(out) == expected);
        const QJsonObject stream = quandor::test::firstAudioStream(quandor::test::ffprobe(out));
        EXPECT_EQ(stream.value(QStringLiteral("channels")).toInt(), info->channels);
        QFile::remove(out);
    }
}

TEST(DecompressFile, ReportsProgressAndStopsOnTheFlagLeavingNoFile)
{
    QTemporaryDir dir;
    const QString ape = dir.filePath(QStringLiteral("a.ape"));
    makeApe(ape, 3.0);
    const QString out = dir.filePath(QStringLiteral("out.wav"));

    std::vector<int> values;
    std::atomic<int> percent{-1};
    ASSERT_EQ(DecompressFile(
                  ape, out, &percent, [&](int v) { values.push_back(v); }, nullptr),
              Result::Success);
    ASSERT_GE(values.size(), 3u);
    EXPECT_EQ(values.front(), 0);
    EXPECT_EQ(values.back(), 100000);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_EQ(percent.load(), 100);

    const QString stopped = dir.filePath(QStringLiteral("stopped.wav"));
    std::atomic<int> stop{0};
    const auto stopAfterStart = [&](int v) {
        if (v > 0)
            stop = 1;
    };
    EXPECT_EQ(DecompressFile(ape, stopped, nullptr, stopAfterStart, &stop), Result::Stopped);
    EXPECT_FALSE(QFile::exists(stopped));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(ApeLink, ALinkFilePlaysItsRangeOfTheImage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("images")));
    const QString image = dir.filePath(QStringLiteral("images/disc.ape"));
    QByteArray pcm;
    makeApe(image, 5.0, &pcm); // 8 kHz mono 16-bit: 2 bytes a block
    const auto link = [&](const QByteArray& body) {
        const QString path = dir.filePath(QStringLiteral("track.apl"));
        EXPECT_TRUE(quandor::test::writeAll(path, "[Monkey's Audio Image Link File]\r\n" + body));
        return path;
    };

    const QString track = link("Image File=images\\disc.ape\r\nStart Block=8000\r\nFinish Block=26000\r\n");
    EXPECT_EQ(GetDurationTrack(track), 2);
    const QString out = dir.filePath(QStringLiteral("track.wav"));
    ASSERT_EQ(DecompressFile(track, out, nullptr, {}, nullptr), Result::Success);
    EXPECT_TRUE(test::wavData(out) == pcm.mid(8000 * 2, 18000 * 2));

    // A range running past the image ends with the image.
    const QString tail = link("Image File=" + image.toUtf8() + "\nStart Block=39000\nFinish Block=99999999\n");
    ASSERT_EQ(DecompressFile(tail, out, nullptr, {}, nullptr), Result::Success);
    EXPECT_TRUE(test::wavData(out) == pcm.mid(39000 * 2));

    const QString missing = link("Image File=nowhere.ape\nStart Block=0\nFinish Block=10\n");
    EXPECT_EQ(GetDurationTrack(missing), -1);
    EXPECT_EQ(DecompressFile(missing, out, nullptr, {}, nullptr), Result::ReadFailed);

    const QString backwards = link("Image File=images/disc.ape\nStart Block=50\nFinish Block=10\n");
    EXPECT_EQ(GetDurationTrack(backwards), -1);
    EXPECT_EQ(DecompressFile(backwards, out, nullptr, {}, nullptr), Result::InvalidInput);
}

TEST(ApeLibrary, UnicodeAndVeryLongPathsWork)
{
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("Musique été ♪ 音楽"));
    for (int i = 0; i < 4; ++i)
        folder += QLatin1Char('/') + QString(60, QChar(u'ü'));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString ape = folder + QStringLiteral("/Träck ♫ 01.ape");
    ASSERT_GT(ape.toUtf8().size(), 400);
    QByteArray pcm;
    makeApe(ape, 1.5, &pcm);
    EXPECT_EQ(GetDurationTrack(ape), 1);
    const QString back = folder + QStringLiteral("/Träck ♫ 01.wav");
    ASSERT_EQ(DecompressFile(ape, back, nullptr, {}, nullptr), Result::Success);
    EXPECT_TRUE(test::wavData(back) == pcm);
    QByteArray tag;
    EXPECT_EQ(GetID3Tag(ape, tag), Result::Success);
}

} // namespace
} // namespace quandor::mac
