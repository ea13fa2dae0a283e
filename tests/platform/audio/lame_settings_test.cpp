// The LAME settings reach the stream: frame header bits and the LAME tag.
#include "tests/platform/audio/audio_test_support.h"

#include "platform/audio/mp3_lame_encoder.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace quandor::audio::test {
namespace {

struct FrameHeader {
    int mode = -1; ///< 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool crc = false;
    int emphasis = -1;
    int length = 0;
};

FrameHeader parseHeader(const QByteArray& data, qsizetype at)
{
    FrameHeader h;
    if (at + 4 > data.size())
        return h;
    const quint8 b0 = quint8(data[at]), b1 = quint8(data[at + 1]), b2 = quint8(data[at + 2]), b3 = quint8(data[at + 3]);
    if (b0 != 0xFF || (b1 & 0xE0) != 0xE0)
        return h;
    static const int kbpsMpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kbpsMpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[] = {44100, 48000, 32000, 0};
    const int version = (b1 >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const bool mpeg1 = version == 3;
    const int* table = mpeg1 ? kbpsMpeg1 : kbpsMpeg2;
    const int kbps = table[b2 >> 4];
    int rate = rates[(b2 >> 2) & 3];
    if (version == 2)
        rate /= 2;
    if (version == 0)
        rate /= 4;
    if (kbps == 0 || rate == 0)
        return h;
    h.crc = (b1 & 1) == 0;
    h.mode = b3 >> 6;
    h.emphasis = b3 & 3;
    h.length = (mpeg1 ? 144000 : 72000) * kbps / rate + ((b2 >> 1) & 1);
    return h;
}

struct StreamFacts {
    FrameHeader audioFrame; ///< the frame after the tag frame
    int vbrMethod = -1;     ///< from the LAME tag
    int lowpassHundreds = -1;
    bool hasLameTag = false;
};

StreamFacts inspect(const QString& file)
{
    const QByteArray data = quandor::test::readAll(file);
    StreamFacts facts;
    const FrameHeader first = parseHeader(data, 0);
    if (first.length == 0)
        return facts;
    const QByteArray firstFrame = data.left(first.length);
    const qsizetype lame = firstFrame.indexOf("LAME");
    facts.hasLameTag = (firstFrame.contains("Info") || firstFrame.contains("Xing")) && lame > 0;
    if (facts.hasLameTag) {
        facts.vbrMethod = quint8(firstFrame[lame + 9]) & 0x0F;
        facts.lowpassHundreds = quint8(firstFrame[lame + 10]);
        facts.audioFrame = parseHeader(data, first.length);
    } else {
        facts.audioFrame = first;
    }
    return facts;
}

/// main_data_begin of every audio frame (MPEG-1): how far each frame reaches
/// back into the bit reservoir.
std::vector<int> reservoirUse(const QString& file)
{
    const QByteArray data = quandor::test::readAll(file);
    std::vector<int> uses;
    qsizetype at = 0;
    bool first = true;
    while (at + 6 < data.size()) {
        const FrameHeader h = parseHeader(data, at);
        if (h.length == 0)
            break;
        if (!first) {
            const qsizetype side = at + 4 + (h.crc ? 2 : 0);
            uses.push_back((quint8(data[side]) << 1) | (quint8(data[side + 1]) >> 7));
        }
        first = false;
        at += h.length;
    }
    return uses;
}

class LameSettingsTest : public AudioTest {
protected:
    // Encodes `source` as the command line `line` says, through our writer into
    // ours.mp3 (the General tab's 128 kbit/s in the object before the line) and
    // through the lame tool into lame.mp3.
    void encodeBoth(const QString& source, const char* line, QString& ours, QString& theirs)
    {
        MP3LameEncoder settings;
        settings.Bitrate = 128;
        ASSERT_TRUE(settings.ApplyCommandLine(QString::fromLatin1(line))) << settings.LastError().toStdString();
        AudioFileWriter writer;
        ASSERT_TRUE(writer.SetFormatMP3Ex(settings)) << writer.LastError().toStdString();
        ours = path(QStringLiteral("ours.mp3"));
        QFile::remove(ours); // an output never replaces a file: each round starts afresh
        ASSERT_TRUE(transcode(source, writer, ours).ok);

        theirs = path(QStringLiteral("lame.mp3"));
        QStringList arguments = QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts);
        arguments << QStringLiteral("--quiet") << source << theirs;
        ASSERT_EQ(quandor::test::runTool(QStringLiteral("lame"), arguments).exitCode, 0);
    }
};

TEST_F(LameSettingsTest, BitReservoirCanBeSwitchedOff)
{
    const QString source = wav(QStringLiteral("source.wav"), 1.0);
    for (bool reservoir : {true, false}) {
        MP3LameEncoder settings;
        settings.BitReservoir = reservoir;
        AudioFileWriter writer;
        ASSERT_TRUE(writer.SetFormatMP3Ex(settings));
        const QString out = path(QStringLiteral("out.mp3"));
        QFile::remove(out); // an output never replaces a file: each round starts afresh
        ASSERT_TRUE(transcode(source, writer, out).ok);
        const std::vector<int> uses = reservoirUse(out);
        ASSERT_GT(uses.size(), 30u);
        const bool reaches = std::any_of(uses.begin(), uses.end(), [](int u) { return u != 0; });
        EXPECT_EQ(reaches, reservoir);
    }
}

TEST_F(LameSettingsTest, EverySettingShowsInTheStream)
{
    struct Case {
        const char* what;
        std::function<void(MP3LameEncoder&)> set;
        int mode;
        bool crc;
        int emphasis;
        int vbrMethod;       // LAME tag: 1 CBR, 2 ABR, 3 old VBR, 4 new VBR
        int lowpassHundreds; // -1: not checked
    };
    const std::vector<Case> cases{
        {"CBR stereo, CRC, lowpass 15000",
         [](MP3LameEncoder& s) {
             s.ChannelMode = MP3LameEncoder::ModeStereo;
             s.ErrorProtection = true;
             s.LowpassFrequency = 15000;
         },
         0, true, 0, 1, 150},
        {"joint stereo, emphasis 50/15",
         [](MP3LameEncoder& s) {
             s.ChannelMode = MP3LameEncoder::ModeJointStereo;
             s.Emphasis = 1;
         },
         1, false, 1, 1, -1},
        {"dual channels, CCITT emphasis",
         [](MP3LameEncoder& s) {
             s.ChannelMode = MP3LameEncoder::ModeDualChannels;
             s.Emphasis = 2;
         },
         2, false, 3, 1, -1},
        {"mono", [](MP3LameEncoder& s) { s.ChannelCount = 1; }, 3, false, 0, 1, -1},
        {"old VBR",
         [](MP3LameEncoder& s) {
             s.VbrMethod = MP3LameEncoder::VbrOld;
             s.Bitrate = 32;
         },
         1, false, 0, 3, -1},
        {"new VBR, lowpass 16000",
         [](MP3LameEncoder& s) {
             s.VbrMethod = MP3LameEncoder::VbrNew;
             s.Bitrate = 32;
             s.LowpassFrequency = 16000;
         },
         1, false, 0, 4, 160},
        {"ABR 160",
         [](MP3LameEncoder& s) {
             s.VbrMethod = MP3LameEncoder::VbrAbr;
             s.AbrBitrate = 160;
             s.Bitrate = 32;
         },
         1, false, 0, 2, -1},
    };
    const QString source = wav(QStringLiteral("source.wav"), 1.0);
    for (const Case& c : cases) {
        MP3LameEncoder settings;
        c.set(settings);
        AudioFileWriter writer;
        ASSERT_TRUE(writer.SetFormatMP3Ex(settings)) << c.what << ": " << writer.LastError().toStdString();
        const QString out = path(QStringLiteral("out.mp3"));
        QFile::remove(out); // an output never replaces a file: each round starts afresh
        ASSERT_TRUE(transcode(source, writer, out).ok) << c.what;
        const StreamFacts facts = inspect(out);
        ASSERT_TRUE(facts.hasLameTag) << c.what;
        EXPECT_EQ(facts.audioFrame.mode, c.mode) << c.what;
        EXPECT_EQ(facts.audioFrame.crc, c.crc) << c.what;
        EXPECT_EQ(facts.audioFrame.emphasis, c.emphasis) << c.what;
        EXPECT_EQ(facts.vbrMethod, c.vbrMethod) << c.what;
        if (c.lowpassHundreds >= 0) {
            EXPECT_EQ(facts.lowpassHundreds, c.lowpassHundreds) << c.what;
        }
    }
}

TEST_F(LameSettingsTest, CommandLineChannelModesReachTheStream)
{
    // Frame header modes: 0 stereo, 1 joint stereo, 2 dual channel, 3 mono.
    const struct {
        const char* line;
        int mode;
    } cases[] = {{"-m s", 0}, {"-m j", 1}, {"-ms -mj", 1}, {"-m f", 1}, {"-m d", 2}, {"-m m", 3}};
    const QString source = wav(QStringLiteral("source.wav"), 1.0);
    for (const auto& c : cases) {
        MP3LameEncoder settings;
        ASSERT_TRUE(settings.ApplyCommandLine(QString::fromLatin1(c.line))) << c.line;
        AudioFileWriter writer;
        ASSERT_TRUE(writer.SetFormatMP3Ex(settings)) << c.line;
        const QString out = path(QStringLiteral("out.mp3"));
        QFile::remove(out); // an output never replaces a file: each round starts afresh
        ASSERT_TRUE(transcode(source, writer, out).ok) << c.line;
        EXPECT_EQ(inspect(out).audioFrame.mode, c.mode) << c.line;
    }
}

TEST_F(LameSettingsTest, WithoutVbrHeaderTheFirstFrameIsAudio)
{
    MP3LameEncoder settings;
    settings.WriteVbrHeader = false;
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SetFormatMP3Ex(settings));
    const QString out = path(QStringLiteral("out.mp3"));
    QFile::remove(out); // an output never replaces a file: each round starts afresh
    ASSERT_TRUE(transcode(wav(QStringLiteral("source.wav"), 0.5), writer, out).ok);
    EXPECT_FALSE(inspect(out).hasLameTag);
    EXPECT_EQ(probe(out).codec, QStringLiteral("mp3"));
}

TEST(MP3LameEncoderTest, CommandLineSetsTheProperties)
{
    struct Case {
        const char* line;
        std::function<bool(const MP3LameEncoder&)> holds;
    };
    const std::vector<Case> cases{
        {"", [](const MP3LameEncoder& s) { return s.Bitrate == 128 && s.VbrMethod == MP3LameEncoder::VbrNone; }},
        {"-b 192", [](const MP3LameEncoder& s) { return s.Bitrate == 192; }},
        {"-b192 -B 256", [](const MP3LameEncoder& s) { return s.Bitrate == 192 && s.MaxVbrBitrate == 256; }},
        {"-V2", [](const MP3LameEncoder& s) { return s.VbrQuality == 2 && s.VbrMethod == MP3LameEncoder::VbrDefault; }},
        {"--vbr-new -V 0",
         [](const MP3LameEncoder& s) { return s.VbrQuality == 0 && s.VbrMethod == MP3LameEncoder::VbrNew; }},
        {"--vbr-old", [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrOld; }},
        {"--abr 160",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrAbr && s.AbrBitrate == 160; }},
        {"-m m", [](const MP3LameEncoder& s) { return s.ChannelCount == 1; }},
        {"-m s",
         [](const MP3LameEncoder& s) { return s.ChannelCount == 2 && s.ChannelMode == MP3LameEncoder::ModeStereo; }},
        {"-m j",
         [](const MP3LameEncoder& s) {
             return s.ChannelCount == 2 && s.ChannelMode == MP3LameEncoder::ModeJointStereo;
         }},
        {"-m m -m j",
         [](const MP3LameEncoder& s) {
             return s.ChannelCount == 2 && s.ChannelMode == MP3LameEncoder::ModeJointStereo;
         }},
        {"-md",
         [](const MP3LameEncoder& s) {
             return s.ChannelCount == 2 && s.ChannelMode == MP3LameEncoder::ModeDualChannels;
         }},
        {"-m f", [](const MP3LameEncoder& s) { return s.ChannelMode == MP3LameEncoder::ModeForcedJointStereo; }},
        {"-q 0", [](const MP3LameEncoder& s) { return s.EncoderQuality == 0; }},
        {"-h", [](const MP3LameEncoder& s) { return s.EncoderQuality == 2; }},
        {"-f", [](const MP3LameEncoder& s) { return s.EncoderQuality == 7; }},
        {"--resample 22.05", [](const MP3LameEncoder& s) { return s.OutputFrequency == 22050; }},
        {"--resample 32000", [](const MP3LameEncoder& s) { return s.OutputFrequency == 32000; }},
        {"--lowpass 19.5 --lowpass-width 1000",
         [](const MP3LameEncoder& s) { return s.LowpassFrequency == 19500 && s.LowpassWidth == 1000; }},
        {"--highpass 48 --highpass-width 0.05",
         [](const MP3LameEncoder& s) { return s.HighpassFrequency == 48000 && s.HighpassWidth == 50; }},
        {"--lowpass 48000", [](const MP3LameEncoder& s) { return s.LowpassFrequency == 48000; }},
        {"--highpass 0.1", [](const MP3LameEncoder& s) { return s.HighpassFrequency == 100; }},
        {"-p -t -F",
         [](const MP3LameEncoder& s) { return s.ErrorProtection && !s.WriteVbrHeader && s.EnforceMinBitrate; }},
        {"-e c", [](const MP3LameEncoder& s) { return s.Emphasis == 2; }},
        {"-e 5", [](const MP3LameEncoder& s) { return s.Emphasis == 1; }},
        {"--nores --noshort --strictly-enforce-ISO",
         [](const MP3LameEncoder& s) { return !s.BitReservoir && !s.ShortBlocks && s.StrictIso; }},
        {"--athonly", [](const MP3LameEncoder& s) { return s.AthControl == 1; }},
        {"--noath", [](const MP3LameEncoder& s) { return s.AthControl == 2; }},
        {"--athshort", [](const MP3LameEncoder& s) { return s.AthControl == 3; }},
        // Each --preset as `lame --preset help` names it, with the tool's meaning.
        {"--preset medium",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrDefault && s.VbrQuality == 4; }},
        {"--preset fast medium",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrDefault && s.VbrQuality == 4; }},
        {"--preset standard",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrDefault && s.VbrQuality == 2; }},
        {"--preset fast standard",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrDefault && s.VbrQuality == 2; }},
        {"--preset extreme",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrDefault && s.VbrQuality == 0; }},
        {"--preset insane",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrNone && s.Bitrate == 320; }},
        {"--preset cbr 96",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrNone && s.Bitrate == 96; }},
        {"--preset 112",
         [](const MP3LameEncoder& s) { return s.VbrMethod == MP3LameEncoder::VbrAbr && s.AbrBitrate == 112; }},
        {"--preset phone",
         [](const MP3LameEncoder& s) {
             return s.VbrMethod == MP3LameEncoder::VbrAbr && s.AbrBitrate == 16 && s.ChannelCount == 1;
         }},
        {"--preset phon+", [](const MP3LameEncoder& s) { return s.AbrBitrate == 24 && s.ChannelCount == 1; }},
        {"--preset lw", [](const MP3LameEncoder& s) { return s.AbrBitrate == 24 && s.ChannelCount == 1; }},
        {"--preset mw-eu", [](const MP3LameEncoder& s) { return s.AbrBitrate == 24 && s.ChannelCount == 1; }},
        {"--preset sw", [](const MP3LameEncoder& s) { return s.AbrBitrate == 24 && s.ChannelCount == 1; }},
        {"--preset mw-us", [](const MP3LameEncoder& s) { return s.AbrBitrate == 40 && s.ChannelCount == 1; }},
        {"--preset voice", [](const MP3LameEncoder& s) { return s.AbrBitrate == 56 && s.ChannelCount == 1; }},
        {"--preset fm", [](const MP3LameEncoder& s) { return s.AbrBitrate == 112 && s.ChannelCount == 2; }},
        {"--preset radio", [](const MP3LameEncoder& s) { return s.AbrBitrate == 112 && s.ChannelCount == 2; }},
        {"--preset tape", [](const MP3LameEncoder& s) { return s.AbrBitrate == 112 && s.ChannelCount == 2; }},
        {"--preset hifi", [](const MP3LameEncoder& s) { return s.AbrBitrate == 160 && s.ChannelCount == 2; }},
        {"--preset cd", [](const MP3LameEncoder& s) { return s.AbrBitrate == 192 && s.ChannelCount == 2; }},
        {"--preset studio", [](const MP3LameEncoder& s) { return s.AbrBitrate == 256 && s.ChannelCount == 2; }},
        {"--preset phone -m s", [](const MP3LameEncoder& s) { return s.AbrBitrate == 16 && s.ChannelCount == 2; }},
    };
    for (const Case& c : cases) {
        MP3LameEncoder s;
        EXPECT_TRUE(s.ApplyCommandLine(QString::fromLatin1(c.line))) << c.line << ": " << s.LastError().toStdString();
        EXPECT_TRUE(c.holds(s)) << c.line;
    }
}

TEST(MP3LameEncoderTest, WhatTheCommandLineLeavesUnsetIsLamesDefault)
{
    // The object as the General tab leaves it, far from LAME's defaults.
    MP3LameEncoder before;
    before.Bitrate = 160;
    before.MaxVbrBitrate = 224;
    before.ErrorProtection = true;
    before.LowpassFrequency = 12000;
    before.ChannelMode = MP3LameEncoder::ModeDualChannels;
    const MP3LameEncoder lame;
    struct Case {
        const char* line;
        std::function<bool(const MP3LameEncoder&)> holds;
    };
    const std::vector<Case> cases{
        {"--abr 96",
         [](const MP3LameEncoder& s) {
             return s.VbrMethod == MP3LameEncoder::VbrAbr && s.AbrBitrate == 96 && s.Bitrate == 32;
         }},
        {"--preset 96",
         [](const MP3LameEncoder& s) {
             return s.VbrMethod == MP3LameEncoder::VbrAbr && s.AbrBitrate == 96 && s.Bitrate == 32;
         }},
        {"-V 6",
         [](const MP3LameEncoder& s) { return s.VbrQuality == 6 && s.Bitrate == 32 && s.MaxVbrBitrate == 320; }},
        {"--resample 22.05 -V 6", [](const MP3LameEncoder& s) { return s.Bitrate == 8; }}, // MPEG-2 goes down to 8
        {"-V 4 -b 96",
         [](const MP3LameEncoder& s) { return s.Bitrate == 96 && s.VbrMethod == MP3LameEncoder::VbrDefault; }},
        {"-b 96 --abr 160", [](const MP3LameEncoder& s) { return s.Bitrate == 96 && s.AbrBitrate == 160; }},
        {"--cbr", [](const MP3LameEncoder& s) { return s.Bitrate == 128 && s.VbrMethod == MP3LameEncoder::VbrNone; }},
        {"-m m", [](const MP3LameEncoder& s) { return s.Bitrate == 64 && s.ChannelCount == 1; }}, // LAME's own, as mono
        {"--resample 32", [](const MP3LameEncoder& s) { return s.Bitrate == 96 && s.OutputFrequency == 32000; }},
        {"--preset insane",
         [](const MP3LameEncoder& s) { return s.Bitrate == 320 && s.VbrMethod == MP3LameEncoder::VbrNone; }},
        {"--preset standard",
         [](const MP3LameEncoder& s) { return s.Bitrate == 32 && s.VbrMethod == MP3LameEncoder::VbrDefault; }},
        {"-b 96 --preset standard", [](const MP3LameEncoder& s) { return s.Bitrate == 32; }},
    };
    for (const Case& c : cases) {
        MP3LameEncoder s = before;
        ASSERT_TRUE(s.ApplyCommandLine(QString::fromLatin1(c.line))) << c.line << ": " << s.LastError().toStdString();
        EXPECT_TRUE(c.holds(s)) << c.line;
        // Nothing of the earlier choice stays.
        EXPECT_EQ(s.ErrorProtection, lame.ErrorProtection) << c.line;
        EXPECT_EQ(s.LowpassFrequency, lame.LowpassFrequency) << c.line;
        if (QByteArray(c.line) != "--preset insane") {
            EXPECT_EQ(s.MaxVbrBitrate, lame.MaxVbrBitrate) << c.line;
        }
        EXPECT_NE(s.ChannelMode, MP3LameEncoder::ModeDualChannels) << c.line;
    }
}

TEST(MP3LameEncoderTest, BadCommandLinesChangeNothing)
{
    for (const char* line : {"--bogus",
                             "-b",
                             "-b 999",
                             "-V 10",
                             "-m x",
                             "-q nine",
                             "--resample 96",
                             "-b 192 --unknown",
                             "--preset loud",
                             "-e q",
                             "-x",
                             "--preset fast",
                             "--preset fast insane",
                             "--preset fast 128",
                             "--preset cbr",
                             "--preset cbr 7",
                             "--preset cbr 321",
                             "--preset 7",
                             "--preset 321",
                             "--preset MEDIUM"}) {
        MP3LameEncoder s;
        s.Bitrate = 160;
        EXPECT_FALSE(s.ApplyCommandLine(QString::fromLatin1(line))) << line;
        EXPECT_FALSE(s.LastError().isEmpty()) << line;
        EXPECT_EQ(s.Bitrate, 160) << line;
    }
}

TEST(MP3LameEncoderTest, NumbersOutOfRangeAreBadValues)
{
    // Each is refused before it is converted, whatever its size or kind.
    const struct {
        const char* line;
        const char* option;
    } cases[] = {
        {"--resample 1e95", "--resample"},
        {"--resample -44.1", "--resample"},
        {"--resample 48001", "--resample"},
        {"--highpass 1e95", "--highpass"},
        {"--highpass 48.001", "--highpass"},
        {"--lowpass nan", "--lowpass"},
        {"--lowpass inf", "--lowpass"},
        {"--lowpass -inf", "--lowpass"},
        {"--lowpass -1", "--lowpass"},
        {"--lowpass-width 1e308", "--lowpass-width"},
        {"--highpass-width 2147483648", "--highpass-width"},
        {"-b 1e95", "-b"},
        {"-b 4294967424", "-b"},
        {"-B -8", "-B"},
        {"-V 1e95", "-V"},
        {"-V -1", "-V"},
        {"-V nan", "-V"},
        {"-q 99999999999", "-q"},
        {"-q -1", "-q"},
        {"--abr 1e95", "--abr"},
        {"--preset 1e95", "--preset"},
        {"--preset cbr 1e95", "--preset"},
    };
    for (const auto& c : cases) {
        MP3LameEncoder s;
        s.OutputFrequency = 22050;
        s.HighpassFrequency = 120;
        s.LowpassFrequency = 9000;
        EXPECT_FALSE(s.ApplyCommandLine(QString::fromLatin1(c.line))) << c.line;
        EXPECT_TRUE(s.LastError().startsWith(QStringLiteral("Bad value for %1: ").arg(QLatin1String(c.option))))
            << c.line << ": " << s.LastError().toStdString();
        EXPECT_EQ(s.OutputFrequency, 22050) << c.line;
        EXPECT_EQ(s.HighpassFrequency, 120) << c.line;
        EXPECT_EQ(s.LowpassFrequency, 9000) << c.line;
    }
}

/// Average bit rate in kbit/s over the whole file, as ffprobe reckons it.
double averageKbps(const QString& file)
{
    return quandor::test::ffprobe(file)
               .value(QStringLiteral("format"))
               .toObject()
               .value(QStringLiteral("bit_rate"))
               .toString()
               .toDouble()
        / 1000.0;
}

bool haveLame()
{
    return quandor::test::haveTool(QStringLiteral("lame"));
}

TEST_F(LameSettingsTest, CommandLineEncodesAsTheLameToolDoes)
{
    if (!haveLame()) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "lame is not installed";
        GTEST_SKIP() << "lame is not installed";
    }
    const QString source = path(QStringLiteral("music.wav"));
    ASSERT_TRUE(quandor::test::writeMusicWavFile(source, {}, 6.0));
    const char* lines[] = {"--abr 96",
                           "--preset 96",
                           "-V 0",
                           "-V 1",
                           "-V 2",
                           "-V 3",
                           "-V 4",
                           "-V 5",
                           "-V 6",
                           "-V 7",
                           "-V 8",
                           "-V 9",
                           "-b 64",
                           "--abr 160 -b 96",
                           "-V 4 -b 96",
                           "-m m -b 96",
                           "--abr 64",
                           "-V 0 -B 192",
                           "--preset 128 -m m",
                           "",
                           "-h -V 5",
                           "--preset medium",
                           "--preset standard",
                           "--preset fast standard",
                           "--preset extreme",
                           "--preset insane",
                           "--preset cbr 192",
                           "--preset cbr 100",
                           "--preset phone",
                           "--preset sw",
                           "--preset mw-us",
                           "--preset voice",
                           "--preset fm",
                           "--preset hifi",
                           "--preset cd",
                           "--preset studio"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        QString ours, theirs;
        ASSERT_NO_FATAL_FAILURE(encodeBoth(source, line, ours, theirs));
        const double expected = averageKbps(theirs);
        ASSERT_GT(expected, 0.0);
        EXPECT_NEAR(averageKbps(ours), expected, expected * 0.15);
    }
}

TEST_F(LameSettingsTest, CommandLinesThatLeaveTheBitRateToLameGetLamesChoice)
{
    if (!haveLame()) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "lame is not installed";
        GTEST_SKIP() << "lame is not installed";
    }
    const QString source = path(QStringLiteral("music.wav"));
    ASSERT_TRUE(quandor::test::writeMusicWavFile(source, {}, 4.0));
    // LAME picks the constant bit rate from the output rate and the mode.
    for (const char* line : {"--resample 22.05", "--resample 16", "--resample 32", "-m m", "--lowpass 8",
                             "--resample 11.025 -m m", "-m s --resample 48"}) {
        SCOPED_TRACE(line);
        QString ours, theirs;
        ASSERT_NO_FATAL_FAILURE(encodeBoth(source, line, ours, theirs));

        const QJsonObject ourStream = quandor::test::firstAudioStream(quandor::test::ffprobe(ours));
        const QJsonObject theirStream = quandor::test::firstAudioStream(quandor::test::ffprobe(theirs));
        EXPECT_EQ(ourStream.value(QStringLiteral("sample_rate")).toString().toStdString(),
                  theirStream.value(QStringLiteral("sample_rate")).toString().toStdString());
        EXPECT_EQ(ourStream.value(QStringLiteral("channels")).toInt(),
                  theirStream.value(QStringLiteral("channels")).toInt());
        const double expected = averageKbps(theirs);
        ASSERT_GT(expected, 0.0);
        EXPECT_NEAR(averageKbps(ours), expected, expected * 0.05);
    }
}

/// The samples per channel a decoder gives back from `file`, as ffmpeg decodes it.
qint64 decodedFrames(const QString& file)
{
    const quandor::test::ToolResult r = quandor::test::runTool(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file, QStringLiteral("-f"),
         QStringLiteral("s16le"), QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-")});
    return r.exitCode == 0 ? r.out.size() / 2 : -1;
}

TEST_F(LameSettingsTest, SourcesOfAFewSamplesDecodeToTheirOwnLength)
{
    if (!haveLame()) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "lame is not installed";
        GTEST_SKIP() << "lame is not installed";
    }
    // Shorter than one frame, one frame, and just over: the LAME tag says how
    // much of the first and the last frame is the encoder's own delay and
    // padding, with or without the tags around the audio.
    const quandor::audio::TagFieldList tags{{"TITLE", "Short"}, {"DATE", "2006"}, {"TRACKNUMBER", "1"}};
    for (const int frames : {4, 221, 1152, 1500}) {
        const QString source = path(QStringLiteral("short.wav"));
        const quandor::test::PcmFormat format{44100, 2, 16};
        ASSERT_TRUE(
            quandor::test::writeAll(source, quandor::test::makeWav(format, quandor::test::makePcm(format, frames, 3))));
        for (const char* line : {"", "-V 2", "-m m -b 64", "--abr 96 -m m"}) {
            SCOPED_TRACE(std::to_string(frames) + " samples, " + line);
            const QString theirs = path(QStringLiteral("lame.mp3"));
            QStringList arguments = QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts);
            arguments << QStringLiteral("--quiet") << source << theirs;
            ASSERT_EQ(quandor::test::runTool(QStringLiteral("lame"), arguments).exitCode, 0);
            EXPECT_EQ(decodedFrames(theirs), frames);

            MP3LameEncoder settings;
            ASSERT_TRUE(settings.ApplyCommandLine(QString::fromLatin1(line)));
            for (const bool tagged : {false, true}) {
                SCOPED_TRACE(tagged ? "tagged" : "untagged");
                AudioFileWriter writer;
                ASSERT_TRUE(writer.SetFormatMP3Ex(settings));
                writer.SetStreamTags(tagged ? tags : quandor::audio::TagFieldList{});
                const QString ours = path(QStringLiteral("ours.mp3"));
                QFile::remove(ours); // an output never replaces a file: each round writes anew
                ASSERT_TRUE(transcode(source, writer, ours).ok);
                EXPECT_EQ(quandor::test::readAll(ours).right(128).startsWith("TAG"), tagged);
                EXPECT_EQ(decodedFrames(ours), frames);
            }
        }
    }
}

TEST_F(LameSettingsTest, SummaryStatesTheBitRateTheStreamHas)
{
    // LAME moves a pair the MPEG version cannot write to the nearest one it can.
    const struct {
        int rate;
        int kbps;
        int channels;
    } pairs[] = {{48000, 8, 2},  {22050, 320, 2}, {8000, 320, 1},  {44100, 144, 2}, {16000, 8, 1},
                 {32000, 40, 2}, {11025, 192, 2}, {24000, 256, 1}, {44100, 320, 2}};
    const QRegularExpression kbitPerSecond(QStringLiteral("(\\d+) kbit/s"));
    for (const auto& p : pairs) {
        SCOPED_TRACE(testing::Message() << p.rate << " Hz, " << p.kbps << " kbit/s");
        const QString source = wav(QStringLiteral("source.wav"), 1.0, {p.rate, p.channels, 16});
        AudioFileWriter writer;
        ASSERT_TRUE(writer.SetFormatMP3(p.rate, p.kbps, p.channels)) << writer.LastError().toStdString();
        const QRegularExpressionMatch stated = kbitPerSecond.match(writer.FormatString());
        ASSERT_TRUE(stated.hasMatch()) << writer.FormatString().toStdString();
        const QString out = path(QStringLiteral("out.mp3"));
        QFile::remove(out); // an output never replaces a file: each round starts afresh
        ASSERT_TRUE(transcode(source, writer, out).ok);
        const Probed probed = probe(out);
        EXPECT_EQ(probed.sampleRate, p.rate);
        EXPECT_EQ(stated.captured(1).toInt() * 1000, probed.stream.value(QStringLiteral("bit_rate")).toString().toInt())
            << writer.FormatString().toStdString();
    }
}

TEST_F(LameSettingsTest, SummaryOfAnAverageBelowTheMinimumStatesTheMinimum)
{
    // The minimum wins over the target: the stream averages the minimum, and so does the summary.
    const QString source = path(QStringLiteral("music.wav"));
    ASSERT_TRUE(quandor::test::writeMusicWavFile(source, {}, 4.0));
    MP3LameEncoder settings;
    settings.VbrMethod = MP3LameEncoder::VbrAbr;
    settings.AbrBitrate = 96;
    settings.Bitrate = 160;
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SetFormatMP3Ex(settings));
    EXPECT_EQ(writer.FormatString(), QStringLiteral("MP3 44100 Hz, ABR 160 kbit/s, joint stereo"));
    const QString out = path(QStringLiteral("out.mp3"));
    QFile::remove(out); // an output never replaces a file: each round starts afresh
    ASSERT_TRUE(transcode(source, writer, out).ok);
    EXPECT_NEAR(averageKbps(out), 160.0, 160.0 * 0.15);

    settings.VbrMethod = MP3LameEncoder::VbrNew;
    settings.OutputFrequency = 22050;
    settings.Bitrate = 8;
    ASSERT_TRUE(writer.SetFormatMP3Ex(settings));
    EXPECT_EQ(writer.FormatString(), QStringLiteral("MP3 22050 Hz, VBR quality 4 (8-160 kbit/s), joint stereo"));
}

TEST(MP3LameEncoderTest, PresetsAreValidAndDistinct)
{
    AudioFileWriter writer;
    QSet<QString> seen;
    for (int preset = 1; preset <= 11; ++preset) {
        MP3LameEncoder s;
        ASSERT_TRUE(s.ApplyPreset(preset)) << preset;
        EXPECT_TRUE(writer.SetFormatMP3Ex(s)) << preset << ": " << writer.LastError().toStdString();
        seen.insert(writer.FormatString() + QString::number(s.LowpassFrequency));
    }
    EXPECT_EQ(seen.size(), 11);
    for (int preset = 1; preset <= 5; ++preset) {
        MP3LameEncoder s;
        ASSERT_TRUE(s.ApplyAltPreset(preset)) << preset;
        EXPECT_TRUE(writer.SetFormatMP3Ex(s)) << preset;
    }
    MP3LameEncoder s;
    for (int bad : {0, 12, -1})
        EXPECT_FALSE(s.ApplyPreset(bad)) << bad;
    for (int bad : {0, 6})
        EXPECT_FALSE(s.ApplyAltPreset(bad)) << bad;
}

} // namespace
} // namespace quandor::audio::test
