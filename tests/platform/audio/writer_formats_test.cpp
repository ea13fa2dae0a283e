// Every output format of the writer, at CD rate in stereo and at 22.05 kHz in
// mono, read back by ffprobe.
#include "tests/platform/audio/audio_test_support.h"

#include "platform/audio/mp3_lame_encoder.h"

#include <QFileInfo>

#include <functional>

namespace quandor::audio::test {
namespace {

struct Target {
    int rate;
    int channels;
};

struct FormatCase {
    const char* name;
    const char* extension;
    const char* codec;
    std::function<bool(AudioFileWriter&, Target)> select;
};

const std::vector<FormatCase>& formatCases()
{
    static const std::vector<FormatCase> cases{
        {"pcm8", "wav", "pcm_u8", [](AudioFileWriter& w, Target t) { return w.SetFormatPCM(t.rate, t.channels, 8); }},
        {"pcm16", "wav", "pcm_s16le",
         [](AudioFileWriter& w, Target t) { return w.SetFormatPCM(t.rate, t.channels, 16); }},
        {"pcm24", "wav", "pcm_s24le",
         [](AudioFileWriter& w, Target t) { return w.SetFormatPCM(t.rate, t.channels, 24); }},
        {"pcm32", "wav", "pcm_s32le",
         [](AudioFileWriter& w, Target t) { return w.SetFormatPCM(t.rate, t.channels, 32); }},
        {"mp3cbr", "mp3", "mp3",
         [](AudioFileWriter& w, Target t) { return w.SetFormatMP3(t.rate, t.channels == 1 ? 32 : 128, t.channels); }},
        {"mp3vbr", "mp3", "mp3",
         [](AudioFileWriter& w, Target t) {
             MP3LameEncoder s;
             s.OutputFrequency = t.rate;
             s.ChannelCount = t.channels;
             s.VbrMethod = MP3LameEncoder::VbrNew;
             s.Bitrate = 8;
             s.VbrQuality = 4;
             return w.SetFormatMP3Ex(s);
         }},
        {"oggq", "ogg", "vorbis",
         [](AudioFileWriter& w, Target t) { return w.SetFormatOggVorbis(t.rate, t.channels, 128, 0, 0, 400); }},
        {"oggmanaged", "ogg", "vorbis",
         [](AudioFileWriter& w, Target t) {
             const int nominal = t.channels == 1 ? 48 : 128;
             return w.SetFormatOggVorbis(t.rate, t.channels, nominal, 0, 0, -1);
         }},
        {"wma", "wma", "wmav2",
         [](AudioFileWriter& w, Target t) { return w.SelectWmaProfile(t.channels == 1 ? 9 : 35); }},
    };
    return cases;
}

class WriterFormats : public AudioTest, public ::testing::WithParamInterface<std::tuple<size_t, Target>> {};

TEST_P(WriterFormats, WritesWhatFfprobeReadsBack)
{
    const FormatCase& c = formatCases()[std::get<0>(GetParam())];
    const Target target = std::get<1>(GetParam());
    const QString source = wav(QStringLiteral("source.wav"), 2.0);
    AudioFileWriter writer;
    ASSERT_TRUE(c.select(writer, target)) << writer.LastError().toStdString();
    EXPECT_FALSE(writer.FormatString().isEmpty());

    const QString out = path(QStringLiteral("out.") + QLatin1String(c.extension));
    const CopyResult copy = transcode(source, writer, out);
    ASSERT_TRUE(copy.ok) << copy.error.toStdString();

    const Probed p = probe(out);
    EXPECT_EQ(p.codec, QLatin1String(c.codec));
    EXPECT_EQ(p.sampleRate, target.rate);
    EXPECT_EQ(p.channels, target.channels);
    // ffprobe counts LAME's encoder delay (1105 samples) into an MP3's length.
    const double expected = QLatin1String(c.codec) == QLatin1String("mp3") ? 2.0 + 1105.0 / target.rate : 2.0;
    EXPECT_NEAR(p.duration, expected, 0.060) << c.name;
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<size_t, Target>>& info)
{
    const Target t = std::get<1>(info.param);
    return std::string(formatCases()[std::get<0>(info.param)].name) + "_" + std::to_string(t.rate)
        + (t.channels == 1 ? "_mono" : "_stereo");
}

INSTANTIATE_TEST_SUITE_P(AllFormats, WriterFormats,
                         ::testing::Combine(::testing::Range<size_t>(0, 9),
                                            ::testing::Values(Target{44100, 2}, Target{22050, 1})),
                         caseName);

TEST_F(AudioTest, PcmWriterKeepsSamplesExactlyAtTheSourceFormat)
{
    quandor::test::PcmFormat format{22050, 1, 16};
    const QByteArray pcm = quandor::test::makePcm(format, 22050, 7);
    const QString source = path(QStringLiteral("source.wav"));
    ASSERT_TRUE(quandor::test::writeAll(source, quandor::test::makeWav(format, pcm)));
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SetFormatPCM(22050, 1, 16));
    const QString out = path(QStringLiteral("copy.wav"));
    ASSERT_TRUE(transcode(source, writer, out).ok);
    const QByteArray written = quandor::test::readAll(out);
    ASSERT_EQ(written.size(), 44 + pcm.size());
    EXPECT_EQ(written.mid(44), pcm);
    EXPECT_EQ(written.left(4), QByteArrayLiteral("RIFF"));
}

TEST_F(AudioTest, RefusedFormatsLeaveNoFormatAndOpenFails)
{
    struct Refused {
        const char* what;
        std::function<bool(AudioFileWriter&)> select;
    };
    const std::vector<Refused> cases{
        {"5-bit PCM", [](AudioFileWriter& w) { return w.SetFormatPCM(44100, 2, 5); }},
        {"PCM at 5000 Hz", [](AudioFileWriter& w) { return w.SetFormatPCM(5000, 2, 16); }},
        {"PCM at 192 kHz", [](AudioFileWriter& w) { return w.SetFormatPCM(192000, 2, 16); }},
        {"PCM with 3 channels", [](AudioFileWriter& w) { return w.SetFormatPCM(44100, 3, 16); }},
        {"MP3 at 96 kHz", [](AudioFileWriter& w) { return w.SetFormatMP3(96000, 128, 2); }},
        {"MP3 at 999 kbit/s", [](AudioFileWriter& w) { return w.SetFormatMP3(44100, 999, 2); }},
        {"Ogg quality 2000", [](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 2, 0, 0, 0, 2000); }},
        {"Ogg managed without bit rates",
         [](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 2, 0, 0, 0, -1); }},
        {"Ogg 6 channels", [](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 6, 128, 0, 0, 400); }},
        {"WMA profile 0", [](AudioFileWriter& w) { return w.SelectWmaProfile(0); }},
        {"WMA profile 52", [](AudioFileWriter& w) { return w.SelectWmaProfile(52); }},
    };
    for (const Refused& c : cases) {
        AudioFileWriter writer;
        ASSERT_TRUE(writer.SetFormatMP3(44100, 128, 2));
        EXPECT_FALSE(c.select(writer)) << c.what;
        EXPECT_FALSE(writer.LastError().isEmpty()) << c.what;
        EXPECT_TRUE(writer.FormatString().isEmpty()) << c.what;
        // Never the earlier MP3 format under the new name.
        const QString out = path(QStringLiteral("refused.out"));
        EXPECT_FALSE(writer.Open(out)) << c.what;
        EXPECT_FALSE(QFileInfo::exists(out)) << c.what;
    }
}

TEST_F(AudioTest, FormatStringsDescribeTheFormat)
{
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SetFormatMP3(44100, 128, 2));
    EXPECT_EQ(writer.FormatString(), QStringLiteral("MP3 44100 Hz, 128 kbit/s, joint stereo"));
    ASSERT_TRUE(writer.SetFormatPCM(22050, 1, 8));
    EXPECT_EQ(writer.FormatString(), QStringLiteral("PCM 22050 Hz, 8 bits, mono"));
    ASSERT_TRUE(writer.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400));
    EXPECT_EQ(writer.FormatString(), QStringLiteral("Ogg Vorbis 44100 Hz, quality 4, stereo"));
    ASSERT_TRUE(writer.SetFormatOggVorbis(44100, 2, 160, 0, 0, -1));
    EXPECT_EQ(writer.FormatString(), QStringLiteral("Ogg Vorbis 44100 Hz, 160 kbit/s, stereo"));
    ASSERT_TRUE(writer.SelectWmaProfile(35));
    EXPECT_EQ(writer.FormatString(), QStringLiteral("WMA 44100 Hz, 128 kbit/s, stereo"));
}

TEST_F(AudioTest, OggAvailabilityFollowsWhatLibvorbisCanSetUp)
{
    AudioFileWriter writer;
    EXPECT_TRUE(writer.IsFormatOggVorbisAvailable(44100, 2, 128, 0, 0));
    EXPECT_TRUE(writer.IsFormatOggVorbisAvailable(44100, 2, 128, 64, 192));
    EXPECT_FALSE(writer.IsFormatOggVorbisAvailable(44100, 2, 0, 0, 0));
    EXPECT_FALSE(writer.IsFormatOggVorbisAvailable(8000, 2, 320, 0, 0));
    EXPECT_FALSE(writer.IsFormatOggVorbisAvailable(44100, 0, 128, 0, 0));
}

class WmaProfiles : public AudioTest, public ::testing::WithParamInterface<int> {};

TEST_P(WmaProfiles, EncodesAtTheProfilesRateAndChannels)
{
    const int profile = GetParam();
    AudioFileWriter writer;
    ASSERT_TRUE(writer.SelectWmaProfile(profile));
    const QString out = path(QStringLiteral("p.wma"));
    const CopyResult copy = transcode(wav(QStringLiteral("source.wav"), 0.5), writer, out);
    ASSERT_TRUE(copy.ok) << copy.error.toStdString();
    // "WMA 44100 Hz, 128 kbit/s, stereo"
    const QStringList words = writer.FormatString().split(QLatin1Char(' '));
    const Probed p = probe(out);
    EXPECT_EQ(p.codec, QStringLiteral("wmav2"));
    EXPECT_EQ(p.sampleRate, words[1].toInt());
    EXPECT_EQ(p.channels, words[5] == QLatin1String("mono") ? 1 : 2);
    EXPECT_EQ(p.stream.value(QStringLiteral("bit_rate")).toString().toInt(), words[3].toInt() * 1000);
}

INSTANTIATE_TEST_SUITE_P(All, WmaProfiles, ::testing::Range(1, 52));

TEST(WmaProfileTable, HasFiftyOneDistinctProfiles)
{
    ASSERT_EQ(AudioFileWriter::WmaProfileCount(), 51);
    QSet<QString> descriptions;
    for (int profile = 1; profile <= 51; ++profile)
        descriptions.insert(AudioFileWriter::WmaProfileDescription(profile));
    EXPECT_EQ(descriptions.size(), 51);
    EXPECT_TRUE(AudioFileWriter::WmaProfileDescription(0).isEmpty());
    EXPECT_TRUE(AudioFileWriter::WmaProfileDescription(52).isEmpty());
}

} // namespace
} // namespace quandor::audio::test
