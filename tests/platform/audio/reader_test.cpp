// The reader: format numbers, lengths, gapless decoding, and bad input.
#include "tests/platform/audio/audio_test_support.h"
#include "tests/support/file_size_limit.h"

#include "platform/audio/aac_components.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quandor::audio::test {
namespace {

using quandor::test::PcmFormat;
using quandor::test::runTool;

class ReaderTest : public AudioTest {
protected:
    /// Encodes `wavFile` with an independent tool into `name`.
    QString encodeWithTool(const QString& wavFile, const QString& name, const QStringList& codecArgs)
    {
        const QString out = path(name);
        QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), wavFile};
        args << codecArgs << QStringLiteral("-y") << out;
        EXPECT_EQ(runTool(QStringLiteral("ffmpeg"), args).exitCode, 0) << name.toStdString();
        return out;
    }
};

TEST_F(ReaderTest, FormatNumbersDescribeOneSecondOfPcm)
{
    struct Case {
        PcmFormat format;
        int blockAlign;
    };
    for (const Case& c :
         {Case{{44100, 2, 16}, 4}, Case{{22050, 1, 16}, 2}, Case{{48000, 2, 24}, 4}, Case{{8000, 1, 8}, 2}}) {
        const QString file = wav(QStringLiteral("in.wav"), 2.5, c.format);
        AudioFileReader reader;
        ASSERT_TRUE(reader.Open(file, 0, 1)) << reader.LastError().toStdString();
        EXPECT_EQ(reader.ReadStatus(), 0);
        EXPECT_EQ(reader.FormatNumberA(), c.blockAlign);
        EXPECT_EQ(reader.FormatNumberB(), c.format.sampleRate);
        EXPECT_EQ(reader.ByteRate(), c.blockAlign * c.format.sampleRate);
        EXPECT_EQ(reader.DurationMs(), 2500);
        EXPECT_EQ(reader.SourceLength(), 3); // whole seconds, rounded
        qint64 total = 0;
        for (QByteArray chunk;
             !(chunk = reader.ReadChunk(reader.FormatNumberA() * reader.FormatNumberB())).isEmpty();) {
            EXPECT_EQ(chunk.size() % c.blockAlign, 0);
            total += chunk.size();
        }
        EXPECT_EQ(total, qint64(2.5 * c.format.sampleRate) * c.blockAlign);
        EXPECT_EQ(reader.ReadStatus(), 0);
        EXPECT_TRUE(reader.ReadChunk(4096).isEmpty());
    }
}

TEST_F(ReaderTest, HugeRequestsAreServedInParts)
{
    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(wav(QStringLiteral("in.wav"), 0.5)));
    const QByteArray all = reader.ReadChunk(INT32_MAX);
    EXPECT_EQ(all.size(), 22050 * 4);
    EXPECT_TRUE(reader.ReadChunk(INT32_MAX).isEmpty());
    EXPECT_EQ(reader.ReadStatus(), 0);
}

TEST_F(ReaderTest, ShortSourceLastsAtLeastOneSecond)
{
    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(wav(QStringLiteral("short.wav"), 0.2)));
    EXPECT_EQ(reader.SourceLength(), 1);
    EXPECT_EQ(reader.DurationMs(), 200);
}

TEST_F(ReaderTest, DecodesEveryInputKindToTheSameLength)
{
    const QString source = wav(QStringLiteral("src.wav"), 2.0);
    struct Kind {
        const char* name;
        QStringList args;
    };
    const std::vector<Kind> kinds{
        {"in.mp3",
         {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k")}},
        {"in.ogg", {QStringLiteral("-c:a"), QStringLiteral("libvorbis")}},
        {"in.wma", {QStringLiteral("-c:a"), QStringLiteral("wmav2")}},
        {"in.m4a", {QStringLiteral("-c:a"), QStringLiteral("aac")}},
        {"in.aac", {QStringLiteral("-c:a"), QStringLiteral("aac")}},
        {"in.flac", {QStringLiteral("-c:a"), QStringLiteral("flac")}},
    };
    for (const Kind& k : kinds) {
        const QString file = encodeWithTool(source, QString::fromLatin1(k.name), k.args);
        AudioFileReader reader;
        ASSERT_TRUE(reader.Open(file)) << k.name << ": " << reader.LastError().toStdString();
        EXPECT_EQ(reader.FormatNumberB(), 44100) << k.name;
        EXPECT_EQ(reader.FormatNumberA(), 4) << k.name;
        EXPECT_NEAR(reader.DurationMs(), 2000, 120) << k.name;
        qint64 total = 0;
        for (QByteArray chunk; !(chunk = reader.ReadChunk(176400)).isEmpty();)
            total += chunk.size();
        EXPECT_EQ(reader.ReadStatus(), 0) << k.name;
        EXPECT_NEAR(double(total) / reader.ByteRate(), 2.0, 0.05) << k.name;
    }
}

TEST_F(ReaderTest, MultichannelSourcesAreMixedToStereo)
{
    const QString file = path(QStringLiteral("surround.wav"));
    ASSERT_EQ(runTool(QStringLiteral("ffmpeg"),
                      {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                       QStringLiteral("-i"), QStringLiteral("sine=f=440:d=1"), QStringLiteral("-ac"),
                       QStringLiteral("6"), file})
                  .exitCode,
              0);
    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(file));
    EXPECT_EQ(reader.Channels(), 2);
    EXPECT_EQ(reader.FormatNumberA(), 4);
}

TEST_F(ReaderTest, Mp3FromLameDecodesGaplessly)
{
    // LAME records its encoder delay and padding; decoding must drop both so
    // that exactly the original samples come back.
    const QString source = wav(QStringLiteral("src.wav"), 1.0);
    const QString mp3 = path(QStringLiteral("gapless.mp3"));
    ASSERT_EQ(runTool(QStringLiteral("lame"),
                      {QStringLiteral("--silent"), QStringLiteral("-b"), QStringLiteral("128"), source, mp3})
                  .exitCode,
              0);
    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(mp3));
    qint64 total = 0;
    for (QByteArray chunk; !(chunk = reader.ReadChunk(176400)).isEmpty();)
        total += chunk.size();
    EXPECT_EQ(total / 4, 44100);
}

TEST_F(ReaderTest, BadInputFailsCleanly)
{
    const QByteArray goodWav = quandor::test::readAll(wav(QStringLiteral("good.wav"), 1.0));
    const QString goodMp3 = encodeWithTool(path(QStringLiteral("good.wav")), QStringLiteral("good.mp3"),
                                           {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")});
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    quint32 x = 12345;
    for (char& c : noise)
        c = char((x = x * 1103515245u + 12345u) >> 24);

    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const std::vector<Case> cases{
        {"empty.wav", {}},
        {"text.mp3", QByteArrayLiteral("This is not music at all.\r\nJust a few lines of text.\r\n").repeated(200)},
        {"noise.mp3", noise},
        {"noise.wav", noise},
        {"header-only.wav", goodWav.left(44)},
        {"riff-garbage.wav", QByteArrayLiteral("RIFF\xff\xff\xff\xffWAVEjunk") + noise.left(1000)},
    };
    for (const Case& c : cases) {
        const QString file = path(QString::fromLatin1(c.name));
        ASSERT_TRUE(quandor::test::writeAll(file, c.bytes));
        AudioFileReader reader;
        EXPECT_FALSE(reader.Open(file)) << c.name;
        EXPECT_LT(reader.ReadStatus(), 0) << c.name;
        EXPECT_FALSE(reader.LastError().isEmpty()) << c.name;
        EXPECT_TRUE(reader.ReadChunk(4096).isEmpty()) << c.name;

        AacDecoder decoder;
        decoder.InputFile = file;
        decoder.OutputFile = path(QStringLiteral("decoded.wav"));
        EXPECT_TRUE(decoder.Decode()) << c.name;
        EXPECT_FALSE(QFileInfo::exists(decoder.OutputFile)) << c.name;
    }
    AudioFileReader reader;
    EXPECT_FALSE(reader.Open(path(QStringLiteral("missing.mp3"))));
    EXPECT_LT(reader.ReadStatus(), 0);
}

TEST_F(ReaderTest, TruncatedFilesGiveWhatTheyHold)
{
    const QString source = wav(QStringLiteral("good.wav"), 2.0);
    const QString mp3 =
        encodeWithTool(source, QStringLiteral("good.mp3"), {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")});
    for (const QString& file : {source, mp3}) {
        const QByteArray whole = quandor::test::readAll(file);
        const QString cut = path(QStringLiteral("cut.") + QFileInfo(file).suffix());
        ASSERT_TRUE(quandor::test::writeAll(cut, whole.left(whole.size() / 2 + 3)));
        AudioFileReader reader;
        ASSERT_TRUE(reader.Open(cut)) << cut.toStdString();
        qint64 total = 0;
        for (QByteArray chunk; !(chunk = reader.ReadChunk(176400)).isEmpty();)
            total += chunk.size();
        EXPECT_GE(reader.ReadStatus(), 0);
        EXPECT_NEAR(double(total) / reader.ByteRate(), 1.0, 0.1) << cut.toStdString();
    }
}

TEST_F(ReaderTest, CorruptedMiddleIsSkipped)
{
    const QString mp3 = encodeWithTool(wav(QStringLiteral("good.wav"), 2.0), QStringLiteral("good.mp3"),
                                       {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")});
    QByteArray bytes = quandor::test::readAll(mp3);
    for (qsizetype i = bytes.size() / 3; i < bytes.size() / 2; i += 7)
        bytes[i] = char(bytes[i] ^ 0x5A);
    ASSERT_TRUE(quandor::test::writeAll(mp3, bytes));
    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(mp3));
    qint64 total = 0;
    for (QByteArray chunk; !(chunk = reader.ReadChunk(176400)).isEmpty();)
        total += chunk.size();
    EXPECT_GT(total, 0);
}

TEST_F(ReaderTest, UnicodeColonAndLongPathsWork)
{
    QString folder = path(QStringLiteral("Ünïcødé ♫ 音楽: a \"quoted\" name"));
    // Deep enough that the whole path is far beyond 260 characters.
    for (int i = 0; i < 6; ++i)
        folder += QStringLiteral("/") + QString(60, QChar(u'a' + i));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString source = folder + QStringLiteral("/sóurce: 1.wav");
    ASSERT_TRUE(quandor::test::writeWavFile(source, {}, 0.5));
    ASSERT_GT(source.size(), 400);
    EXPECT_TRUE(QFileInfo(source).isFile());
    EXPECT_FALSE(QFileInfo(folder).isFile());
    struct Case {
        const char* extension;
        bool (*select)(AudioFileWriter&);
    };
    const Case cases[] = {
        {"wav", [](AudioFileWriter& w) { return w.SetFormatPCM(44100, 2, 16); }},
        {"mp3", [](AudioFileWriter& w) { return w.SetFormatMP3(44100, 128, 2); }},
        {"ogg", [](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400); }},
        {"wma", [](AudioFileWriter& w) { return w.SelectWmaProfile(35); }},
    };
    for (const Case& c : cases) {
        AudioFileWriter writer;
        ASSERT_TRUE(c.select(writer));
        const QString target = folder + QStringLiteral("/tärget: 1.") + QLatin1String(c.extension);
        const CopyResult copy = transcode(source, writer, target);
        ASSERT_TRUE(copy.ok) << c.extension << ": " << copy.error.toStdString();
        EXPECT_TRUE(QFileInfo(target).isFile()) << c.extension;
        AudioFileReader reader;
        EXPECT_TRUE(reader.Open(target)) << c.extension;
    }
    AacEncoder encoder;
    encoder.InputFile = source;
    encoder.OutputFile = folder + QStringLiteral("/tärget: 1.aac");
    EXPECT_TRUE(encoder.Encode()) << encoder.LastError().toStdString();
    M4aDecoder decoder;
    decoder.InputFile = encoder.OutputFile;
    decoder.OutputFile = folder + QStringLiteral("/back: 1.wav");
    EXPECT_FALSE(decoder.Decode()) << decoder.LastError().toStdString();
    EXPECT_TRUE(QFileInfo(decoder.OutputFile).isFile());
}

TEST_F(ReaderTest, WriterThatCannotCreateItsFileLeavesNothing)
{
    AudioFileWriter writer;
    for (auto select : {+[](AudioFileWriter& w) { return w.SetFormatPCM(44100, 2, 16); },
                        +[](AudioFileWriter& w) { return w.SetFormatMP3(44100, 128, 2); },
                        +[](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400); },
                        +[](AudioFileWriter& w) { return w.SelectWmaProfile(35); }}) {
        ASSERT_TRUE(select(writer));
        const QString target = path(QStringLiteral("no such folder/out.bin"));
        EXPECT_FALSE(writer.Open(target));
        EXPECT_FALSE(writer.LastError().isEmpty());
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_FALSE(writer.WriteChunk(QByteArray(4096, '\0')));
    }
}

TEST_F(ReaderTest, FailedWritesLeaveNoFileAndNoSuccess)
{
    const QString source = wav(QStringLiteral("src.wav"), 2.0);
    for (auto select : {+[](AudioFileWriter& w) { return w.SetFormatPCM(44100, 2, 16); },
                        +[](AudioFileWriter& w) { return w.SetFormatMP3(44100, 320, 2); },
                        +[](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 2, 0, 0, 0, 1000); },
                        +[](AudioFileWriter& w) { return w.SelectWmaProfile(42); }}) {
        AudioFileWriter writer;
        ASSERT_TRUE(select(writer));
        const QString target = path(QStringLiteral("full-disk.out"));
        CopyResult copy;
        {
            quandor::test::FileSizeLimit limit(20000);
            copy = transcode(source, writer, target);
        }
        EXPECT_FALSE(copy.ok) << writer.FormatString().toStdString();
        EXPECT_FALSE(copy.error.isEmpty()) << writer.FormatString().toStdString();
        EXPECT_FALSE(QFileInfo::exists(target)) << writer.FormatString().toStdString();
        // A caller that only looks at Close learns of the failure too.
        EXPECT_FALSE(writer.Close()) << writer.FormatString().toStdString();
    }
}

TEST_F(ReaderTest, AbortRemovesThePartialFile)
{
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SetFormatMP3(44100, 128, 2));
    const QString target = path(QStringLiteral("partial.mp3"));
    ASSERT_TRUE(writer.Open(target));
    ASSERT_TRUE(writer.WriteChunk(quandor::test::makePcm({}, 44100)));
    writer.Abort();
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(ReaderTest, MonoSourceBecomesStereoAtAnotherRate)
{
    const QString source = wav(QStringLiteral("mono.wav"), 1.0, PcmFormat{22050, 1, 16});
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SetFormatMP3(44100, 128, 2));
    const QString out = path(QStringLiteral("up.mp3"));
    ASSERT_TRUE(transcode(source, writer, out).ok);
    const Probed p = probe(out);
    EXPECT_EQ(p.sampleRate, 44100);
    EXPECT_EQ(p.channels, 2);
    EXPECT_NEAR(p.duration, 1.0 + 1105.0 / 44100, 0.060);
}

TEST_F(ReaderTest, AStreamThatChangesRateKeepsTheTailOfEveryPart)
{
    // A stream decodes at the rate of its first frame; frames at another rate
    // (ADTS frames each carry theirs) are resampled to it, and what the
    // resampler holds at a change of rate and at the end must come out once:
    // as many frames as each part decodes to on its own, at the first rate.
    QMap<int, QString> parts;
    QMap<int, qint64> partFrames;
    for (const int rate : {44100, 48000}) {
        const QString source = wav(QStringLiteral("p%1.wav").arg(rate), 1.0, PcmFormat{rate, 2, 16});
        parts[rate] = encodeWithTool(
            source, QStringLiteral("p%1.aac").arg(rate),
            {QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-f"), QStringLiteral("adts")});
        partFrames[rate] = ffmpegFrameCount(parts[rate], 2);
        ASSERT_GT(partFrames[rate], 0);
    }
    struct Case {
        const char* name;
        QList<int> rates;
    };
    for (const Case& c : {Case{"ends resampled", {44100, 48000}}, Case{"changes back", {44100, 48000, 44100}}}) {
        SCOPED_TRACE(c.name);
        QByteArray joined;
        double expected = 0;
        for (const int rate : c.rates) {
            joined += quandor::test::readAll(parts[rate]);
            expected += double(partFrames[rate]) * c.rates.front() / rate;
        }
        const QString file = path(QStringLiteral("joined.aac"));
        ASSERT_TRUE(quandor::test::writeAll(file, joined));
        AudioFileReader reader;
        ASSERT_TRUE(reader.Open(file, 0, 1)) << reader.LastError().toStdString();
        EXPECT_EQ(reader.FormatNumberB(), c.rates.front());
        qint64 bytes = 0;
        for (QByteArray chunk; !(chunk = reader.ReadChunk(65536)).isEmpty();)
            bytes += chunk.size();
        EXPECT_EQ(reader.ReadStatus(), 0);
        // Rounding at each change of rate; a lost resampler tail is 16 frames and
        // more. (The ffmpeg tool itself loses it at a change back, so its count is no reference.)
        EXPECT_NEAR(double(bytes / reader.FormatNumberA()), expected, 2.0);
    }
}

TEST_F(ReaderTest, OddSizedChunksAreJoinedAcrossCalls)
{
    // A chunk that ends inside a sample frame must not shift the channels.
    const PcmFormat format{44100, 2, 16};
    const QByteArray pcm = quandor::test::makePcm(format, 10000, 3);
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SetFormatPCM(44100, 2, 16));
    ASSERT_TRUE(writer.SetSourceFormat(44100, 4));
    const QString target = path(QStringLiteral("joined.wav"));
    ASSERT_TRUE(writer.Open(target));
    for (qsizetype at = 0; at < pcm.size(); at += 1001)
        ASSERT_TRUE(writer.WriteChunk(pcm.mid(at, 1001)));
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(quandor::test::readAll(target).mid(44), pcm);
}

} // namespace
} // namespace quandor::audio::test
