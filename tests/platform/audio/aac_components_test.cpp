// AAC encoder and AAC/M4A decoders: settings in the stream, progress, stop,
// and failures that leave no file.
#include "tests/platform/audio/audio_test_support.h"

#include "platform/audio/aac_components.h"

#include <QFileInfo>

namespace quandor::audio::test {
namespace {

using quandor::test::runTool;

class AacTest : public AudioTest {};

struct AdtsHeader {
    bool valid = false;
    bool mpeg2 = false;
    int profile = -1; ///< 0 Main, 1 LC
};

AdtsHeader firstAdtsHeader(const QString& file)
{
    const QByteArray data = quandor::test::readAll(file);
    AdtsHeader h;
    if (data.size() < 7 || quint8(data[0]) != 0xFF || (quint8(data[1]) & 0xF0) != 0xF0)
        return h;
    h.valid = true;
    h.mpeg2 = (quint8(data[1]) & 0x08) != 0;
    h.profile = quint8(data[2]) >> 6;
    return h;
}

TEST_F(AacTest, EncodingSettingsReachTheStream)
{
    struct Case {
        const char* what;
        int mpeg2;
        int profile;
        int bitrate;
        int quality;
        const char* probedProfile;
    };
    const std::vector<Case> cases{
        {"Main, MPEG-2, 128 kbit/s", 1, 0, 128, 0, "Main"},
        {"LC, MPEG-4, 96 kbit/s", 0, 1, 96, 0, "LC"},
        {"LC, MPEG-2, quality 100", 1, 1, 0, 100, "LC"},
    };
    const QString source = wav(QStringLiteral("src.wav"), 1.0);
    for (const Case& c : cases) {
        AacEncoder encoder;
        encoder.InputFile = source;
        encoder.OutputFile = path(QStringLiteral("out.aac"));
        QFile::remove(encoder.OutputFile); // an output never replaces a file: each round starts afresh
        ASSERT_TRUE(encoder.SetInputFormat(44100, 2));
        ASSERT_TRUE(encoder.SetEncoding(true, false, 0, c.mpeg2, c.profile, 16000, c.bitrate, true, c.quality))
            << c.what;
        ASSERT_TRUE(encoder.Encode()) << c.what << ": " << encoder.LastError().toStdString();
        const AdtsHeader h = firstAdtsHeader(encoder.OutputFile);
        ASSERT_TRUE(h.valid) << c.what;
        EXPECT_EQ(h.mpeg2, c.mpeg2 == 1) << c.what;
        EXPECT_EQ(h.profile, c.profile) << c.what;
        const Probed p = probe(encoder.OutputFile);
        EXPECT_EQ(p.codec, QStringLiteral("aac")) << c.what;
        EXPECT_EQ(p.stream.value(QStringLiteral("profile")).toString(), QLatin1String(c.probedProfile)) << c.what;
        EXPECT_EQ(p.sampleRate, 44100);
        EXPECT_EQ(p.channels, 2);
        EXPECT_NEAR(ffmpegFrameCount(encoder.OutputFile, 2) / 44100.0, 1.0, 0.060) << c.what;
    }
}

TEST_F(AacTest, EncodesAtTheWavsOwnFormat)
{
    // The caller's input format may not match the file; the file decides,
    // else the result would play at the wrong speed.
    AacEncoder encoder;
    encoder.InputFile = wav(QStringLiteral("mono.wav"), 1.0, quandor::test::PcmFormat{22050, 1, 16});
    encoder.OutputFile = path(QStringLiteral("mono.aac"));
    ASSERT_TRUE(encoder.SetInputFormat(44100, 2));
    ASSERT_TRUE(encoder.SetEncoding(false, false, 0, 0, 1, 16000, 64, false, 0));
    ASSERT_TRUE(encoder.Encode()) << encoder.LastError().toStdString();
    const Probed p = probe(encoder.OutputFile);
    EXPECT_EQ(p.sampleRate, 22050);
    EXPECT_EQ(p.channels, 1);
    EXPECT_NEAR(ffmpegFrameCount(encoder.OutputFile, 1) / 22050.0, 1.0, 0.1);
}

TEST_F(AacTest, RefusesSettingsItCannotUse)
{
    AacEncoder encoder;
    EXPECT_FALSE(encoder.SetInputFormat(44100, 6));
    EXPECT_FALSE(encoder.SetInputFormat(4000, 2));
    EXPECT_FALSE(encoder.SetEncoding(false, false, 0, 1, 2, 16000, 128, false, 0)); // no profile 2
    EXPECT_FALSE(encoder.SetEncoding(false, false, 0, 1, 0, 16000, 0, false, 0));   // neither rate nor quality
    EXPECT_TRUE(encoder.SetEncoding(false, false, 0, 0, 1, 19500, 0, false, 150));
}

TEST_F(AacTest, EncoderReportsProgressAndStops)
{
    const QString source = wav(QStringLiteral("long.wav"), 20.0);
    AacEncoder encoder;
    encoder.InputFile = source;
    encoder.OutputFile = path(QStringLiteral("stopped.aac"));
    ASSERT_TRUE(encoder.SetEncoding(false, false, 0, 1, 1, 16000, 128, false, 0));
    int calls = 0;
    encoder.Progress = [&](qint64 done, qint64 total) {
        ++calls;
        EXPECT_LE(done, total);
        encoder.Stop();
    };
    EXPECT_FALSE(encoder.Encode());
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(QFileInfo::exists(encoder.OutputFile));

    // A new Encode starts with the stop flag cleared.
    encoder.InputFile = wav(QStringLiteral("short.wav"), 0.5);
    qint64 lastDone = -1, lastTotal = 0;
    encoder.Progress = [&](qint64 done, qint64 total) {
        lastDone = done;
        lastTotal = total;
    };
    EXPECT_TRUE(encoder.Encode()) << encoder.LastError().toStdString();
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_TRUE(QFileInfo::exists(encoder.OutputFile));
}

TEST_F(AacTest, EncoderWithBadInputLeavesNoFile)
{
    const QString text = path(QStringLiteral("text.wav"));
    ASSERT_TRUE(quandor::test::writeAll(text, QByteArrayLiteral("not audio\n").repeated(50)));
    AacEncoder encoder;
    encoder.InputFile = text;
    encoder.OutputFile = path(QStringLiteral("out.aac"));
    EXPECT_FALSE(encoder.Encode());
    EXPECT_FALSE(encoder.LastError().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(encoder.OutputFile));
}

TEST_F(AacTest, DecodersTellContainersApartAndDecode)
{
    const QString source = wav(QStringLiteral("src.wav"), 2.0);
    const QString m4a = path(QStringLiteral("in.m4a"));
    const QString aac = path(QStringLiteral("in.aac"));
    for (const QString& out : {m4a, aac})
        ASSERT_EQ(runTool(QStringLiteral("ffmpeg"),
                          {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), source,
                           QStringLiteral("-c:a"), QStringLiteral("aac"), out})
                      .exitCode,
                  0);
    AacDecoder aacDecoder;
    aacDecoder.InputFile = m4a;
    EXPECT_TRUE(aacDecoder.IsMpeg4());
    aacDecoder.InputFile = aac;
    EXPECT_FALSE(aacDecoder.IsMpeg4());
    EXPECT_NEAR(aacDecoder.AACDuration(), 2.0, 0.2);

    M4aDecoder m4aDecoder;
    m4aDecoder.InputFile = m4a;
    EXPECT_NEAR(m4aDecoder.M4ADuration(), 2.0, 0.05);

    int lastPercent = -1;
    m4aDecoder.OutputFile = path(QStringLiteral("from-m4a.wav"));
    m4aDecoder.Progress = [&](int percent) { lastPercent = percent; };
    EXPECT_FALSE(m4aDecoder.Decode()) << m4aDecoder.LastError().toStdString();
    EXPECT_EQ(lastPercent, 100);
    aacDecoder.OutputFile = path(QStringLiteral("from-aac.wav"));
    EXPECT_FALSE(aacDecoder.Decode()) << aacDecoder.LastError().toStdString();

    for (const QString& wavOut : {m4aDecoder.OutputFile, aacDecoder.OutputFile}) {
        const Probed p = probe(wavOut);
        EXPECT_EQ(p.codec, QStringLiteral("pcm_s16le"));
        EXPECT_EQ(p.sampleRate, 44100);
        EXPECT_EQ(p.channels, 2);
        EXPECT_NEAR(p.duration, 2.0, 0.060) << wavOut.toStdString();
    }
}

TEST_F(AacTest, StoppedDecodeSkipsTheEntryAndLeavesNoFile)
{
    const QString m4a = path(QStringLiteral("long.m4a"));
    ASSERT_EQ(runTool(QStringLiteral("ffmpeg"),
                      {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                       QStringLiteral("-i"), QStringLiteral("sine=f=440:d=60"), QStringLiteral("-c:a"),
                       QStringLiteral("aac"), QStringLiteral("-b:a"), QStringLiteral("32k"), m4a})
                  .exitCode,
              0);
    M4aDecoder decoder;
    decoder.InputFile = m4a;
    decoder.OutputFile = path(QStringLiteral("out.wav"));
    int calls = 0;
    decoder.Progress = [&](int) {
        ++calls;
        decoder.Stop();
    };
    EXPECT_TRUE(decoder.Decode());
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(QFileInfo::exists(decoder.OutputFile));
}

} // namespace
} // namespace quandor::audio::test
