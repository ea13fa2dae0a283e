// The direct WAV reader: every layout it accepts reads to exactly the samples
// FFmpeg's decode gives; every layout it refuses still converts through FFmpeg.
#include "tests/platform/audio/audio_test_support.h"

#include "platform/audio/decoded_source.h"
#include "platform/audio/wav_pcm_source.h"
#include "tests/support/fifo_guard.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <vector>

namespace quandor::audio::test {
namespace {

constexpr quint16 kPcm = 1, kFloat = 3, kALaw = 6, kExtensible = 0xFFFE;

struct WavSpec {
    quint16 tag = kPcm;
    int channels = 2;
    int sampleRate = 44100;
    int bits = 16;
    bool extensible = false;      ///< the same format wrapped as WAVE_FORMAT_EXTENSIBLE
    int validBits = -1;           ///< extensible only; -1: as `bits`
    quint32 channelMask = 0;      ///< extensible only
    bool chunkBeforeData = false; ///< an odd-sized LIST chunk (padded) between "fmt " and "data"
    qint64 cutDataBytes = 0;      ///< bytes the file lacks of what "data" declares
};

void put16(QByteArray& b, quint32 v)
{
    b.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}
void put32(QByteArray& b, quint32 v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

// Samples across the whole range, with exact half steps of 16 bits among the
// floats (rounding) and floats past full scale (clipping).
QByteArray sampleBytes(const WavSpec& s, qint64 samples)
{
    QByteArray out;
    quint64 x = 0x9E3779B97F4A7C15ull;
    const int bytes = s.bits / 8;
    for (qint64 i = 0; i < samples; ++i) {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        if (s.tag == kFloat) {
            double v = double(qint64(x >> 11) - (qint64(1) << 52)) / double(qint64(1) << 52) * 1.25;
            if (i % 7 == 0)
                v = (double(qint64(x >> 48) - 32768) + 0.5) / 32768.0;
            if (s.bits == 32) {
                const float f = float(v);
                quint32 raw;
                std::memcpy(&raw, &f, 4);
                put32(out, raw);
            } else {
                quint64 raw;
                std::memcpy(&raw, &v, 8);
                put32(out, quint32(raw));
                put32(out, quint32(raw >> 32));
            }
        } else {
            for (int b = 0; b < bytes; ++b)
                out.append(char(x >> (56 - 8 * b)));
        }
    }
    return out;
}

QByteArray wavFile(const WavSpec& s, qint64 frames)
{
    const int blockAlign = s.channels * s.bits / 8;
    QByteArray fmt;
    put16(fmt, s.extensible ? kExtensible : s.tag);
    put16(fmt, quint32(s.channels));
    put32(fmt, quint32(s.sampleRate));
    put32(fmt, quint32(s.sampleRate * blockAlign));
    put16(fmt, quint32(blockAlign));
    put16(fmt, quint32(s.bits));
    if (s.extensible) {
        put16(fmt, 22);
        put16(fmt, quint32(s.validBits < 0 ? s.bits : s.validBits));
        put32(fmt, s.channelMask);
        put16(fmt, s.tag);
        fmt.append(QByteArray::fromHex("000000001000800000aa00389b71"));
    }
    const QByteArray data = sampleBytes(s, frames * s.channels);
    QByteArray body("WAVE");
    body.append("fmt ");
    put32(body, quint32(fmt.size()));
    body.append(fmt);
    if (s.chunkBeforeData) {
        body.append("LIST");
        put32(body, 5);
        body.append("INFO!").append('\0');
    }
    body.append("data");
    put32(body, quint32(data.size() + s.cutDataBytes));
    body.append(data);
    QByteArray file("RIFF");
    put32(file, quint32(body.size()));
    return file + body;
}

/// All of `source`, read in pieces that are not whole frames.
QByteArray readAll(PcmSource& source)
{
    QByteArray all;
    QString error;
    std::vector<char> piece(4099);
    for (qint64 got; (got = source.read(piece.data(), qint64(piece.size()), error)) > 0;) {
        EXPECT_EQ(got % source.bytesPerFrame(), 0);
        all.append(piece.data(), got);
    }
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return all;
}

class WavPcmSourceTest : public AudioTest {
protected:
    QString write(const char* name, const WavSpec& spec, qint64 frames = 20000)
    {
        const QString file = path(QString::fromLatin1(name) + QStringLiteral(".wav"));
        EXPECT_TRUE(quandor::test::writeAll(file, wavFile(spec, frames)));
        return file;
    }
};

TEST_F(WavPcmSourceTest, AcceptedLayoutsReadAsFfmpegDecodesThem)
{
    struct Case {
        const char* name;
        WavSpec spec;
    };
    const std::vector<Case> cases{
        {"u8-mono", {.tag = kPcm, .channels = 1, .sampleRate = 8000, .bits = 8}},
        {"s16-stereo", {.tag = kPcm, .channels = 2, .sampleRate = 44100, .bits = 16}},
        {"s16-mono", {.tag = kPcm, .channels = 1, .sampleRate = 22050, .bits = 16}},
        {"s24-stereo", {.tag = kPcm, .channels = 2, .sampleRate = 48000, .bits = 24}},
        {"s32-stereo", {.tag = kPcm, .channels = 2, .sampleRate = 96000, .bits = 32}},
        {"f32-stereo", {.tag = kFloat, .channels = 2, .sampleRate = 44100, .bits = 32}},
        {"f64-mono", {.tag = kFloat, .channels = 1, .sampleRate = 32000, .bits = 64}},
        {"ext-s16-stereo", {.tag = kPcm, .bits = 16, .extensible = true, .channelMask = 0x3}},
        {"ext-s24-mono", {.tag = kPcm, .channels = 1, .bits = 24, .extensible = true, .channelMask = 0x4}},
        {"ext-f32-unmasked", {.tag = kFloat, .bits = 32, .extensible = true}},
        {"chunk-before-data", {.tag = kPcm, .bits = 16, .chunkBeforeData = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = write(c.name, c.spec);
        const auto native = WavPcmSource::open(file);
        ASSERT_TRUE(native);
        QString error;
        const auto ffmpeg = DecodedSource::open(file, error);
        ASSERT_TRUE(ffmpeg) << error.toStdString();
        EXPECT_EQ(native->channels(), ffmpeg->channels());
        EXPECT_EQ(native->sampleRate(), ffmpeg->sampleRate());
        EXPECT_EQ(native->durationMs(), ffmpeg->durationMs());
        const QByteArray mine = readAll(*native);
        const QByteArray theirs = readAll(*ffmpeg);
        EXPECT_EQ(mine.size(), 20000 * 2 * native->channels());
        EXPECT_TRUE(mine == theirs) << "the samples differ from FFmpeg's";
    }
}

TEST_F(WavPcmSourceTest, RefusedLayoutsStillConvertThroughFfmpeg)
{
    struct Case {
        const char* name;
        WavSpec spec;
        int channels; ///< what the reader hands out
    };
    const std::vector<Case> cases{
        {"six-channels", {.tag = kPcm, .channels = 6, .bits = 16}, 2},
        {"a-law", {.tag = kALaw, .channels = 1, .bits = 8}, 1},
        {"mono-left-mask", {.tag = kPcm, .channels = 1, .bits = 16, .extensible = true, .channelMask = 0x1}, 1},
        {"s24-in-32", {.tag = kPcm, .bits = 32, .extensible = true, .validBits = 24, .channelMask = 0x3}, 2},
        {"data-cut-short", {.tag = kPcm, .bits = 16, .cutDataBytes = 4000}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = write(c.name, c.spec);
        EXPECT_FALSE(WavPcmSource::open(file));
        AudioFileReader reader;
        ASSERT_TRUE(reader.Open(file)) << reader.LastError().toStdString();
        EXPECT_EQ(reader.Channels(), c.channels);
        AudioFileWriter writer;
        ASSERT_TRUE(writer.SetFormatPCM(44100, 2, 16));
        const CopyResult copied = transcode(file, writer, path(QStringLiteral("out.wav")));
        ASSERT_TRUE(copied.ok) << copied.error.toStdString();
        EXPECT_EQ(copied.bytes, qint64(20000) * c.channels * 2);
    }
}

TEST_F(WavPcmSourceTest, NotAWavFileIsLeftToFfmpeg)
{
    const QByteArray good = wavFile({}, 1000);
    QByteArray wrongMagic = good;
    wrongMagic.replace(0, 4, "RIFX");
    QByteArray noData = good.left(36);
    noData[4] = char(28);
    for (const QByteArray& bytes : {QByteArray(), good.left(30), wrongMagic, noData}) {
        const QString file = path(QStringLiteral("odd.wav"));
        ASSERT_TRUE(quandor::test::writeAll(file, bytes));
        EXPECT_FALSE(WavPcmSource::open(file));
    }
}

// What FFmpeg reads past the first data chunk (a second "data" chunk, which
// it plays on from there) is FFmpeg's: the direct reader leaves such a file to
// it, so the reader gives FFmpeg's samples either way.
TEST_F(WavPcmSourceTest, AFileWithMoreThanOneDataChunkReadsAsFfmpegReadsIt)
{
    const QByteArray one = wavFile({.tag = kPcm, .channels = 1, .sampleRate = 8000, .bits = 16}, 40);
    const QByteArray more = sampleBytes({.tag = kPcm, .channels = 1, .bits = 16}, 3000);
    QByteArray second("data");
    put32(second, quint32(more.size()));
    second.append(more);
    QByteArray odd = one;
    odd.chop(2); // a data chunk of odd size: FFmpeg looks for the next one right behind it
    qToLittleEndian<quint32>(quint32(40 * 2 - 1), odd.data() + 40);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"second-data", one + second}, {"after-odd-data", odd + 'x' + second}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = c.bytes;
        qToLittleEndian<quint32>(quint32(bytes.size() - 8), bytes.data() + 4);
        const QString file = path(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
        ASSERT_TRUE(quandor::test::writeAll(file, bytes));
        QString error;
        const auto ffmpeg = DecodedSource::open(file, error);
        ASSERT_TRUE(ffmpeg) << error.toStdString();
        const QByteArray theirs = readAll(*ffmpeg);
        EXPECT_FALSE(WavPcmSource::open(file));
        AudioFileReader reader;
        ASSERT_TRUE(reader.Open(file)) << reader.LastError().toStdString();
        QByteArray ours;
        for (QByteArray chunk; !(chunk = reader.ReadChunk(4096)).isEmpty();)
            ours.append(chunk);
        EXPECT_EQ(ours.size(), theirs.size());
        EXPECT_TRUE(ours == theirs);
    }
}

/// A chunk `id` declaring `size` bytes, followed by `body`.
QByteArray chunk(const char* id, quint32 size, const QByteArray& body)
{
    QByteArray out(id);
    put32(out, size);
    return out + body;
}

// FFmpeg reads on past the data, and refuses a whole file for some chunks it
// finds there: the direct reader takes a file only where FFmpeg reads the same
// samples, and leaves the others to FFmpeg (which refuses them, so that the
// entry fails alike whichever reader opens it).
TEST_F(WavPcmSourceTest, ChunksAfterTheDataAreReadOnlyWhereFfmpegReadsPastThem)
{
    const QByteArray info = QByteArray("INFOINAM") + QByteArray::fromHex("06000000") + QByteArray("hello", 6);
    const struct {
        const char* name;
        QByteArray tail;
    } cases[] = {
        {"list-of-size-1", chunk("LIST", 1, QByteArray("x\0", 2))},
        {"list-of-size-0", chunk("LIST", 0, {})},
        {"list-of-size-3", chunk("LIST", 3, QByteArray("abc\0", 4))},
        {"list-of-size-1-behind-filler", chunk("JUNK", 2, "xx") + chunk("LIST", 1, QByteArray("x\0", 2))},
        {"bext-cut-short", chunk("bext", 1, QByteArray("x\0", 2))},
        {"list-info", chunk("LIST", quint32(info.size()), info)},
        {"id3-tag", chunk("id3 ", 10, QByteArray("ID3\3\0\0\0\0\0\0", 10))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = wavFile({.tag = kPcm, .channels = 1, .sampleRate = 11025, .bits = 16}, 101) + c.tail;
        qToLittleEndian<quint32>(quint32(bytes.size() - 8), bytes.data() + 4);
        const QString file = path(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
        ASSERT_TRUE(quandor::test::writeAll(file, bytes));
        QString error;
        const auto ffmpeg = DecodedSource::open(file, error);
        const auto direct = WavPcmSource::open(file);
        if (!ffmpeg) {
            EXPECT_FALSE(direct) << "FFmpeg refuses the file, the direct reader takes it";
            continue;
        }
        const QByteArray theirs = readAll(*ffmpeg);
        if (direct) {
            EXPECT_TRUE(readAll(*direct) == theirs);
        }
    }
}

// Floats beyond full scale clip to the end of the 16-bit range, however far
// out they are; FFmpeg's conversion wraps the farthest ones round to the
// other end, the one place where the direct reader reads differently.
TEST_F(WavPcmSourceTest, FloatsBeyondFullScaleClip)
{
    const float values[] = {1.0f, 1.5f, 1e6f, 3e9f, 1e30f, -1.0f, -1.5f, -3e9f, -1e30f, 0.25f};
    const qint16 clipped[] = {32767, 32767, 32767, 32767, 32767, -32768, -32768, -32768, -32768, 8192};
    QByteArray samples;
    for (float value : values) {
        quint32 raw;
        std::memcpy(&raw, &value, 4);
        put32(samples, raw);
    }
    QByteArray bytes = wavFile({.tag = kFloat, .channels = 1, .sampleRate = 8000, .bits = 32}, 0);
    bytes.chop(4);
    bytes.append(char(samples.size())).append(3, '\0').append(samples);
    qToLittleEndian<quint32>(quint32(bytes.size() - 8), bytes.data() + 4);
    const QString file = path(QStringLiteral("loud.wav"));
    ASSERT_TRUE(quandor::test::writeAll(file, bytes));
    const auto native = WavPcmSource::open(file);
    ASSERT_TRUE(native);
    const QByteArray pcm = readAll(*native);
    ASSERT_EQ(pcm.size(), qsizetype(sizeof clipped));
    for (size_t i = 0; i < std::size(clipped); ++i)
        EXPECT_EQ(qFromLittleEndian<qint16>(pcm.constData() + 2 * i), clipped[i]) << values[i];
}

// The lengths the list shows: the direct reader's and FFmpeg's agree to the
// millisecond on short files too.
TEST_F(WavPcmSourceTest, DurationsAgreeWithFfmpegOnShortFiles)
{
    for (const int frames : {1, 7, 100, 441, 1000, 4410, 22050, 44099}) {
        for (const int rate : {8000, 11025, 22050, 44100, 48000}) {
            SCOPED_TRACE(QStringLiteral("%1 frames at %2 Hz").arg(frames).arg(rate).toStdString());
            const QString file = write("short", {.tag = kPcm, .channels = 1, .sampleRate = rate, .bits = 16}, frames);
            const auto native = WavPcmSource::open(file);
            ASSERT_TRUE(native);
            QString error;
            const auto ffmpeg = DecodedSource::open(file, error);
            ASSERT_TRUE(ffmpeg) << error.toStdString();
            EXPECT_EQ(native->durationMs(), ffmpeg->durationMs());
        }
    }
}

// A FIFO named like a WAV file is refused at once by both readers.
TEST_F(WavPcmSourceTest, AFifoIsRefusedWithoutWaiting)
{
    const QString fifo = path(QStringLiteral("fifo.wav"));
    const quandor::test::FifoGuard guard({fifo});
    ASSERT_TRUE(guard.made());
    EXPECT_FALSE(WavPcmSource::open(fifo));
    AudioFileReader reader;
    EXPECT_FALSE(reader.Open(fifo));
    EXPECT_FALSE(guard.released()) << "a reader waited on the FIFO";
}

} // namespace
} // namespace quandor::audio::test
