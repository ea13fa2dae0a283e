// CompressFile: every level, bit depth, channel count and rate must come
// back bit-exact through FFmpeg's decoder and through DecompressFile.

#include "platform/mac/ape_file_start.h"
#include "platform/mac/mac_library.h"
#include "tests/platform/mac/ape_test_support.h"
#include "tests/support/tools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace quandor::mac {
namespace {

using test::PcmFormat;

Result compress(const QString& in, const QString& out, int level)
{
    return CompressFile(in, out, level, nullptr, {}, nullptr);
}

/// Encodes `pcm`, then checks both decoders give it back unchanged.
void expectRoundTrip(const QString& folder, const PcmFormat& format, const QByteArray& pcm, int level,
                     const QByteArray& afterData = {})
{
    const QString wav = folder + QStringLiteral("/in.wav");
    const QString ape = folder + QStringLiteral("/out.ape");
    const QString back = folder + QStringLiteral("/back.wav");
    ASSERT_TRUE(test::writeWav(wav, format, pcm, afterData));
    ASSERT_EQ(compress(wav, ape, level), Result::Success);

    bool ok = false;
    const QByteArray decoded = test::ffmpegDecode(ape, format.bits, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(decoded == pcm) << "ffmpeg decoded " << decoded.size() << " of " << pcm.size() << " bytes";

    ASSERT_EQ(DecompressFile(ape, back, nullptr, {}, nullptr), Result::Success);
    EXPECT_TRUE(test::wavData(back) == pcm);
    // The WAV comes back as it was, chunks after the samples included.
    EXPECT_TRUE(quandor::test::readAll(back) == quandor::test::readAll(wav));
    EXPECT_EQ(test::storedLevel(ape), level);
}

class RoundTrip : public ::testing::TestWithParam<std::tuple<int, int, int, int>> {};

TEST_P(RoundTrip, DecodesBitExactWithTheStreamParametersFfprobeReports)
{
    const auto [level, bits, channels, rate] = GetParam();
    QTemporaryDir dir;
    const PcmFormat format{rate, channels, bits};
    const QByteArray pcm = test::hardSignal(format, rate / 4);
    expectRoundTrip(dir.path(), format, pcm, level);

    const QJsonObject stream =
        quandor::test::firstAudioStream(quandor::test::ffprobe(dir.path() + QStringLiteral("/out.ape")));
    EXPECT_EQ(stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("ape"));
    EXPECT_EQ(stream.value(QStringLiteral("sample_rate")).toString().toInt(), rate);
    EXPECT_EQ(stream.value(QStringLiteral("channels")).toInt(), channels);
    EXPECT_EQ(stream.value(QStringLiteral("bits_per_raw_sample")).toString().toInt(), bits);
}

INSTANTIATE_TEST_SUITE_P(LevelsDepthsLayoutsRates, RoundTrip,
                         ::testing::Combine(::testing::Values(1000, 2000, 3000, 4000), ::testing::Values(8, 16, 24),
                                            ::testing::Values(1, 2), ::testing::Values(44100, 48000)));

TEST(CompressFile, LengthsAroundTheFrameSizeKeepEveryBlock)
{
    const PcmFormat format{8000, 1, 8};
    const qint64 frame = kBlocksPerFrame;
    struct Case {
        qint64 blocks;
        std::uint32_t frames;
        std::uint32_t finalBlocks;
    };
    for (const Case& c : {Case{1, 1, 1}, Case{frame - 1, 1, std::uint32_t(frame - 1)},
                          Case{frame, 1, std::uint32_t(frame)}, Case{frame + 1, 2, 1}}) {
        SCOPED_TRACE(c.blocks);
        QTemporaryDir dir;
        expectRoundTrip(dir.path(), format, test::hardSignal(format, c.blocks), 2000);
        const auto info = readApeStart(dir.path() + QStringLiteral("/out.ape"));
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->totalFrames, c.frames);
        EXPECT_EQ(info->finalFrameBlocks, c.finalBlocks);
    }
}

TEST(CompressFile, OnlyTheDeclaredDataIsEncodedAndTrailingChunksAreKept)
{
    const PcmFormat format{44100, 2, 16};
    QByteArray id3("id3 ");
    const QByteArray tag = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x0A", 10) + QByteArray(10, '\0');
    id3 += QByteArray("\x14\x00\x00\x00", 4) + tag;
    const QByteArray list = QByteArray("LIST\x0C\x00\x00\x00INFOISFT", 16) + QByteArray("\x00\x00\x00\x00", 4);
    for (const QByteArray& after : {id3, list, list + id3}) {
        QTemporaryDir dir;
        expectRoundTrip(dir.path(), format, test::hardSignal(format, 3001), 3000, after);
        const auto info = readApeStart(dir.path() + QStringLiteral("/out.ape"));
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->wavTailBytes, std::uint32_t(after.size()));
        EXPECT_EQ(info->wavHeaderBytes, 44u);
    }
}

TEST(CompressFile, DataCutShortOrEndingInAPartialBlockKeepsTheWholeBlocks)
{
    const PcmFormat format{44100, 2, 16};
    const QByteArray pcm = test::hardSignal(format, 1000);
    struct Case {
        const char* name;
        QByteArray wav;
        qsizetype keptBytes;
    };
    QByteArray truncated = quandor::test::makeWav(format, pcm).left(44 + 2000 + 3); // the header still says 4000 bytes
    QByteArray partial = quandor::test::makeWav(format, pcm.left(2001)) + QByteArray(1, '\0');
    for (const Case& c : {Case{"file ends before the declared length", truncated, 2000},
                          Case{"data length not a whole block", partial, 2000}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString wav = dir.filePath(QStringLiteral("in.wav"));
        const QString ape = dir.filePath(QStringLiteral("out.ape"));
        ASSERT_TRUE(quandor::test::writeAll(wav, c.wav));
        ASSERT_EQ(compress(wav, ape, 2000), Result::Success);
        bool ok = false;
        EXPECT_TRUE(test::ffmpegDecode(ape, 16, &ok) == pcm.left(c.keptBytes));
        EXPECT_TRUE(ok);
        // The stored header no longer fits the samples, so a plain one is written.
        const QString back = dir.filePath(QStringLiteral("back.wav"));
        ASSERT_EQ(DecompressFile(ape, back, nullptr, {}, nullptr), Result::Success);
        EXPECT_TRUE(test::wavData(back) == pcm.left(c.keptBytes));
        EXPECT_EQ(QFile(back).size(), 44 + c.keptBytes);
    }
}

TEST(CompressFile, TheStoredMd5CoversWavDataFramesHeaderAndSeekTable)
{
    QTemporaryDir dir;
    const PcmFormat format{8000, 2, 16};
    expectRoundTrip(dir.path(), format, test::hardSignal(format, kBlocksPerFrame + 99), 1000,
                    QByteArray("LIST\0\0\0\0", 8));
    const QByteArray file = quandor::test::readAll(dir.path() + QStringLiteral("/out.ape"));
    const auto info = readApeStart(dir.path() + QStringLiteral("/out.ape"));
    ASSERT_TRUE(info.has_value());
    ASSERT_EQ(info->totalFrames, 2u);
    const qsizetype tableStart = kDescriptorBytes + kHeaderBytes;
    const qsizetype bodyStart = tableStart + info->seekTableBytes;
    EXPECT_EQ(qsizetype(bodyStart + info->wavHeaderBytes + info->audioDataBytes + info->wavTailBytes), file.size());

    // Seek table entries point at the frames, the first right after the stored WAV header.
    EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + tableStart), quint32(bodyStart + info->wavHeaderBytes));

    QCryptographicHash md5(QCryptographicHash::Md5);
    md5.addData(file.mid(bodyStart));
    md5.addData(file.mid(kDescriptorBytes, kHeaderBytes));
    md5.addData(file.mid(tableStart, info->seekTableBytes));
    EXPECT_EQ(info->md5.toHex(), md5.result().toHex());
}

TEST(CompressFile, AcceptsExtensibleWavWithPcmSamples)
{
    const PcmFormat format{96000, 2, 24};
    const QByteArray pcm = test::hardSignal(format, 2000);
    QByteArray wav("RIFF");
    QByteArray fmt;
    auto le16 = [](QByteArray& out, quint16 v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto le32 = [&](QByteArray& out, quint32 v) {
        le16(out, quint16(v & 0xFFFF));
        le16(out, quint16(v >> 16));
    };
    le16(fmt, 0xFFFE);
    le16(fmt, 2);
    le32(fmt, 96000);
    le32(fmt, 96000 * 6);
    le16(fmt, 6);
    le16(fmt, 24);
    le16(fmt, 22);
    le16(fmt, 24);
    le32(fmt, 3);
    fmt.append(QByteArray::fromHex("0100000000001000800000aa00389b71")); // PCM sub-format
    le32(wav, quint32(4 + 8 + fmt.size() + 8 + pcm.size()));
    wav.append("WAVEfmt ");
    le32(wav, quint32(fmt.size()));
    wav.append(fmt).append("data");
    le32(wav, quint32(pcm.size()));
    wav.append(pcm);

    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("ext.wav"));
    const QString ape = dir.filePath(QStringLiteral("ext.ape"));
    ASSERT_TRUE(quandor::test::writeAll(in, wav));
    ASSERT_EQ(compress(in, ape, 4000), Result::Success);
    bool ok = false;
    EXPECT_TRUE(test::ffmpegDecode(ape, 24, &ok) == pcm);
    EXPECT_TRUE(ok);
}

TEST(CompressFile, AnEmptyDataChunkGivesAnEmptyFileThatDecodesToAnEmptyWav)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("empty.wav"));
    const QString ape = dir.filePath(QStringLiteral("empty.ape"));
    const QString back = dir.filePath(QStringLiteral("back.wav"));
    ASSERT_TRUE(test::writeWav(wav, PcmFormat{44100, 2, 16}, {}));
    ASSERT_EQ(compress(wav, ape, 2000), Result::Success);
    const auto info = readApeStart(ape);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->totalFrames, 0u);
    EXPECT_EQ(GetDurationTrack(ape), 0);
    ASSERT_EQ(DecompressFile(ape, back, nullptr, {}, nullptr), Result::Success);
    EXPECT_TRUE(test::wavData(back).isEmpty());
    const QJsonObject stream = quandor::test::firstAudioStream(quandor::test::ffprobe(back));
    EXPECT_EQ(stream.value(QStringLiteral("channels")).toInt(), 2);
}

TEST(CompressFile, HigherLevelsCompressMusicLikeInputBetter)
{
    QTemporaryDir dir;
    const PcmFormat format{44100, 2, 16};
    const QString wav = dir.filePath(QStringLiteral("music.wav"));
    ASSERT_TRUE(quandor::test::writeWavFile(wav, format, 2.0));
    qint64 previous = QFile(wav).size();
    for (const int level : {1000, 2000, 3000, 4000}) {
        const QString ape = dir.filePath(QStringLiteral("%1.ape").arg(level));
        ASSERT_EQ(compress(wav, ape, level), Result::Success);
        const qint64 size = QFile(ape).size();
        EXPECT_LT(size, previous) << level;
        previous = size;
    }
}

TEST(CompressFile, ReportsProgressPerFrameAndStopsHalfWayLeavingNoFile)
{
    QTemporaryDir dir;
    const PcmFormat format{8000, 1, 8};
    const QString wav = dir.filePath(QStringLiteral("long.wav"));
    const QString ape = dir.filePath(QStringLiteral("long.ape"));
    ASSERT_TRUE(test::writeWav(wav, format, test::hardSignal(format, 3 * kBlocksPerFrame + 5)));

    std::vector<int> values;
    std::atomic<int> percent{-1};
    ASSERT_EQ(CompressFile(
                  wav, ape, 1000, &percent, [&](int v) { values.push_back(v); }, nullptr),
              Result::Success);
    ASSERT_GE(values.size(), 5u); // start, four frames
    EXPECT_EQ(values.front(), 0);
    EXPECT_EQ(values.back(), 100000);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_EQ(percent.load(), 100);

    std::atomic<int> stop{0};
    int last = 0;
    const auto stopAtHalf = [&](int v) {
        last = v;
        if (v >= 50000)
            stop = 1;
    };
    EXPECT_EQ(CompressFile(wav, ape + QStringLiteral(".2"), 1000, &percent, stopAtHalf, &stop), Result::Stopped);
    EXPECT_LT(last, 100000);
    EXPECT_FALSE(QFile::exists(ape + QStringLiteral(".2")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no partial or temporary file left
}

TEST(CompressFile, RejectsWhatItCannotEncodeAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.ape"));
    const QString good = dir.filePath(QStringLiteral("good.wav"));
    ASSERT_TRUE(test::writeWav(good, PcmFormat{44100, 2, 16}, test::hardSignal(PcmFormat{44100, 2, 16}, 100)));
    QByteArray floatWav = quandor::test::readAll(good);
    floatWav[20] = 3; // IEEE float
    QByteArray wideWav = quandor::test::makeWav(PcmFormat{44100, 2, 32}, QByteArray(800, '\1'));
    QByteArray surround = quandor::test::makeWav(PcmFormat{44100, 6, 16}, QByteArray(1200, '\1'));

    struct Case {
        const char* name;
        QByteArray content; // empty: the input does not exist
        int level;
        Result expected;
    };
    const std::vector<Case> cases = {
        {"missing input", {}, 2000, Result::ReadFailed},
        {"text file", "this is not a wave file at all, just words", 2000, Result::InvalidInput},
        {"cut inside the RIFF header", quandor::test::readAll(good).left(10), 2000, Result::InvalidInput},
        {"no data chunk", quandor::test::readAll(good).left(36), 2000, Result::InvalidInput},
        {"float samples", floatWav, 2000, Result::InvalidInput},
        {"32-bit samples", wideWav, 2000, Result::Unsupported},
        {"six channels", surround, 2000, Result::Unsupported},
        {"unknown level", quandor::test::readAll(good), 5000, Result::Unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString in = dir.filePath(QStringLiteral("in.wav"));
        QFile::remove(in);
        if (!c.content.isEmpty()) {
            ASSERT_TRUE(quandor::test::writeAll(in, c.content));
        }
        EXPECT_EQ(compress(in, out, c.level), c.expected);
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(compress(good, dir.filePath(QStringLiteral("missing/folder/out.ape")), 2000), Result::WriteFailed);

    // Writing over the input would destroy it.
    const QByteArray before = quandor::test::readAll(good);
    EXPECT_EQ(compress(good, dir.path() + QStringLiteral("/./good.wav"), 2000), Result::WriteFailed);
    EXPECT_TRUE(quandor::test::readAll(good) == before);
}

// The encoder and the decoder agree on the rates they take: a rate the decoder
// refuses is refused by the encoder too, and every rate the encoder takes
// decodes back to the same WAV.
TEST(CompressFile, EveryRateTheEncoderAcceptsDecodes)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.wav"));
    const QString out = dir.filePath(QStringLiteral("out.ape"));
    const QString back = dir.filePath(QStringLiteral("back.wav"));
    const struct {
        quint32 rate;
        bool accepted;
    } cases[] = {{1, true}, {44100, true}, {0x7FFFFFFFu, true}, {0x80000000u, false}, {4278233156u, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        QByteArray wav = quandor::test::makeWav(PcmFormat{44100, 2, 16}, QByteArray(400, '\3'));
        qToLittleEndian<quint32>(c.rate, wav.data() + 24);
        qToLittleEndian<quint32>(quint32(quint64(c.rate) * 4), wav.data() + 28); // bytes per second, as declared
        ASSERT_TRUE(quandor::test::writeAll(in, wav));
        QFile::remove(out);
        QFile::remove(back);
        const Result encoded = compress(in, out, 2000);
        EXPECT_EQ(encoded, c.accepted ? Result::Success : Result::Unsupported);
        if (encoded != Result::Success) {
            EXPECT_FALSE(QFile::exists(out));
            continue;
        }
        EXPECT_EQ(DecompressFile(out, back, nullptr, {}, nullptr), Result::Success);
        EXPECT_TRUE(quandor::test::readAll(back) == wav);
    }
}

} // namespace
} // namespace quandor::mac
