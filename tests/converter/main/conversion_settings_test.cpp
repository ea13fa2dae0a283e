// The per-format settings read from Config.ini: values, defaults written back,
// and what a bad value does.

#include "converter/common/settings_loaders.h"
#include "platform/profile/profile_file.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavrel;
using quandor::profile::readString;
using quandor::profile::writeString;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini() const { return dir.filePath(QStringLiteral("Config.ini")); }
    void put(const char* section, const char* key, const QString& value)
    {
        ASSERT_TRUE(writeString(ini(), QLatin1String(section), QLatin1String(key), value));
    }
    QString get(const char* section, const char* key) const
    {
        return readString(ini(), QLatin1String(section), QLatin1String(key), QStringLiteral("<absent>"));
    }
};

TEST_F(SettingsTest, AacWithoutConfigWritesEveryDefault)
{
    const AacSettings aac = loadAacSettings(ini());
    EXPECT_EQ(aac.formatString(), QStringLiteral("AAC - MPEG-2; Average Bitrate=128 kbits/s"));
    const std::pair<const char*, const char*> written[] = {
        {"Quality", "False"}, {"QualityRate", "100"}, {"BitRate", "128"}, {"Profile", "Main"}, {"BandW", "16000"},
        {"ADTS", "MPEG-2"},   {"TNS", "False"},       {"LFE", "False"},   {"MidSide", "False"}};
    for (const auto& [key, value] : written)
        EXPECT_EQ(get("Aac", key), QLatin1String(value)) << key;
}

TEST_F(SettingsTest, AacReadsStoredValuesAndOnlyExactFalseIsOff)
{
    put("Aac", "Quality", QStringLiteral("false")); // not the exact "False": on
    put("Aac", "QualityRate", QStringLiteral("150"));
    put("Aac", "ADTS", QStringLiteral("MPEG-4"));
    put("Aac", "Profile", QStringLiteral("Low complexity"));
    put("Aac", "TNS", QStringLiteral("True"));
    put("Aac", "LFE", QStringLiteral("False"));
    const AacSettings aac = loadAacSettings(ini());
    EXPECT_TRUE(aac.quality);
    EXPECT_EQ(aac.qualityRate, 150);
    EXPECT_EQ(aac.profile, QStringLiteral("Low complexity"));
    EXPECT_TRUE(aac.tns);
    EXPECT_FALSE(aac.lfe);
    EXPECT_EQ(aac.formatString(), QStringLiteral("AAC - MPEG-4; Quality=150"));
}

TEST_F(SettingsTest, AacBadNumberGivesAllDefaultsAndStopsWriting)
{
    put("Aac", "Quality", QStringLiteral("True"));
    put("Aac", "BitRate", QStringLiteral("99999")); // too large for 16 bits
    const AacSettings aac = loadAacSettings(ini());
    EXPECT_FALSE(aac.quality);
    EXPECT_EQ(aac.bitRate, 128);
    EXPECT_EQ(aac.formatString(), QStringLiteral("AAC - MPEG-2; Average Bitrate=128 kbits/s"));
    EXPECT_EQ(get("Aac", "QualityRate"), QStringLiteral("100"));  // written before the failing key
    EXPECT_EQ(get("Aac", "Profile"), QStringLiteral("<absent>")); // nothing after it
}

TEST_F(SettingsTest, AacAutoBitRateKeepsTheOtherValues)
{
    // "Auto" is an item of the options window's list, not a broken value.
    put("Aac", "BitRate", QStringLiteral("Auto"));
    put("Aac", "Profile", QStringLiteral("Low complexity"));
    put("Aac", "ADTS", QStringLiteral("MPEG-4"));
    const AacSettings aac = loadAacSettings(ini());
    EXPECT_EQ(aac.bitRate, kAacAutoBitRate);
    EXPECT_EQ(aac.profile, QStringLiteral("Low complexity"));
    EXPECT_EQ(aac.formatString(), QStringLiteral("AAC - MPEG-4; Average Bitrate=Auto kbits/s"));
    EXPECT_EQ(get("Aac", "BitRate"), QStringLiteral("Auto"));
    EXPECT_EQ(aacEncoderBitRate(kAacAutoBitRate, 2), 128);
    EXPECT_EQ(aacEncoderBitRate(kAacAutoBitRate, 1), 64);
    EXPECT_EQ(aacEncoderBitRate(96, 2), 96);
}

TEST_F(SettingsTest, ApeLevelTableAndCanonicalWriteBack)
{
    struct Case {
        const char* stored;
        int level;
        const char* text;
        const char* rewritten;
    };
    const Case cases[] = {
        {"COMPRESSION_LEVEL_FAST", 1000, "Compression Fast", "COMPRESSION_LEVEL_FAST"},
        {"COMPRESSION_LEVEL_NORMAL", 2000, "Compression Normal", "COMPRESSION_LEVEL_NORMAL"},
        {"COMPRESSION_LEVEL_HIGH", 3000, "Compression High", "COMPRESSION_LEVEL_HIGH"},
        {"COMPRESSION_LEVEL_EXTRA_HIGH", 4000, "Compression Very High (Insane)", "COMPRESSION_LEVEL_EXTRA_HIGH"},
        {"", 2000, "Compression Normal", "COMPRESSION_LEVEL_NORMAL"},
        {"junk", 2000, "Compression Normal", "COMPRESSION_LEVEL_NORMAL"},
        {"compression_level_high", 2000, "Compression Normal", "COMPRESSION_LEVEL_NORMAL"},
    };
    for (const Case& c : cases) {
        put("APE", "Quality", QLatin1String(c.stored));
        const ApeSettings ape = loadApeSettings(ini());
        EXPECT_EQ(ape.level, c.level) << c.stored;
        EXPECT_EQ(ape.levelText, QLatin1String(c.text)) << c.stored;
        EXPECT_EQ(get("APE", "Quality"), QLatin1String(c.rewritten)) << c.stored;
    }
}

TEST_F(SettingsTest, WavPositionsMapThroughTheirTables)
{
    struct Case {
        const char* frequency;
        const char* channel;
        const char* bits;
        WavSettings expected;
    };
    const Case cases[] = {
        {"", "", "", {44100, 2, 16}},    {"9", "0", "3", {11025, 1, 5}},   {"0", "1", "7", {96000, 2, 32}},
        {"11", "1", "6", {6000, 2, 24}}, {"12", "2", "8", {0, 0, 0}},      // outside the tables
        {"-1", "1", "5", {0, 2, 16}},    {"abc", "x", "?", {96000, 1, 2}}, // not a number: position 0
    };
    for (const Case& c : cases) {
        put("Wav", "Frequency", QLatin1String(c.frequency));
        put("Wav", "Channel", QLatin1String(c.channel));
        put("Wav", "bits", QLatin1String(c.bits));
        const WavSettings wav = loadWavSettings(ini());
        EXPECT_EQ(wav.frequency, c.expected.frequency) << c.frequency;
        EXPECT_EQ(wav.channels, c.expected.channels) << c.channel;
        EXPECT_EQ(wav.bits, c.expected.bits) << c.bits;
    }
}

TEST_F(SettingsTest, Mp3KeysConvertOrStayUnset)
{
    put("Mp3", "1", QStringLiteral("192"));
    put("Mp3", "3", QStringLiteral("256"));
    put("Mp3", "4", QStringLiteral("False"));
    put("Mp3", "7", QStringLiteral("70000")); // beyond 16 bits: left unset
    put("Mp3", "8", QStringLiteral("2.5"));   // halves to even
    put("Mp3", "9", QStringLiteral("maybe")); // not a Boolean
    put("Mp3", "22", QStringLiteral("True"));
    const Mp3Settings mp3 = loadMp3Settings(ini());
    EXPECT_EQ(mp3.abrBitrate, std::optional<std::int16_t>(192));
    EXPECT_EQ(mp3.bitrate, std::optional<std::int32_t>(256));
    EXPECT_EQ(mp3.bitReservoir, std::optional<bool>(false));
    EXPECT_FALSE(mp3.emphasis.has_value());
    EXPECT_EQ(mp3.encoderQuality, std::optional<std::int16_t>(2));
    EXPECT_FALSE(mp3.errorProtection.has_value());
    EXPECT_FALSE(mp3.athControl.has_value()); // absent
    EXPECT_EQ(mp3.writeVbrHeader, std::optional<bool>(true));
}

TEST_F(SettingsTest, OggChoosesQualityOrBitRateSetUp)
{
    struct Call {
        int f, c, n, min, max;
    };
    std::vector<Call> asked;
    bool answer = true;
    const OggAvailability available = [&](int f, int c, int n, int min, int max) {
        asked.push_back({f, c, n, min, max});
        return answer;
    };

    // No key "1": the default quality set-up.
    EXPECT_EQ(*loadOggSettings(ini(), available).format, (OggFormat{44100, 2, 128, 0, 0, 400}));
    EXPECT_TRUE(asked.empty());

    put("OGG", "1", QStringLiteral("1"));
    put("OGG", "2", QStringLiteral("0"));
    put("OGG", "3", QStringLiteral("48000"));
    put("OGG", "4", QStringLiteral("1"));
    put("OGG", "5", QStringLiteral("600"));
    put("OGG", "6", QStringLiteral("160"));
    put("OGG", "7", QStringLiteral("256"));
    EXPECT_EQ(*loadOggSettings(ini(), available).format, (OggFormat{48000, 1, 128, 0, 0, 600}));

    // Plain bit rate: nominal only.
    put("OGG", "1", QStringLiteral("0"));
    EXPECT_EQ(*loadOggSettings(ini(), available).format, (OggFormat{48000, 1, 160, 0, 0, -1}));

    // Managed: minimum from "8", the nominal stays what "6" holds.
    put("OGG", "2", QStringLiteral("1"));
    put("OGG", "8", QStringLiteral("96"));
    EXPECT_EQ(*loadOggSettings(ini(), available).format, (OggFormat{48000, 1, 160, 96, 256, -1}));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().min, 96);

    // A set-up the encoder refuses falls back to the quality value.
    answer = false;
    EXPECT_EQ(*loadOggSettings(ini(), available).format, (OggFormat{48000, 1, 128, 0, 0, 600}));
}

TEST_F(SettingsTest, OggMinimumFallsBackToKeySixAndBadNumbersAreReported)
{
    const OggAvailability yes = [](int, int, int, int, int) { return true; };
    put("OGG", "1", QStringLiteral("0"));
    put("OGG", "2", QStringLiteral("1"));
    put("OGG", "3", QStringLiteral("44100"));
    put("OGG", "4", QStringLiteral("2"));
    put("OGG", "5", QStringLiteral("400"));
    put("OGG", "6", QStringLiteral("112"));
    put("OGG", "7", QStringLiteral("160"));
    EXPECT_EQ(*loadOggSettings(ini(), yes).format, (OggFormat{44100, 2, 112, 112, 160, -1}));
    // The options window reads the stored choice the same way, the minimum included.
    const OggStoredChoice choice = loadOggStoredChoice(ini());
    EXPECT_EQ(choice.qualityMode, std::optional<std::int32_t>(0));
    EXPECT_EQ(choice.managed, std::optional<std::int32_t>(1));
    EXPECT_EQ(choice.quality, std::optional<std::int32_t>(400));
    EXPECT_EQ(choice.nominal, std::optional<std::int32_t>(112));
    EXPECT_EQ(choice.minimum, std::optional<std::int32_t>(112));
    EXPECT_EQ(choice.maximum, std::optional<std::int32_t>(160));

    put("OGG", "3", QStringLiteral("fast"));
    const OggLoadResult bad = loadOggSettings(ini(), yes);
    EXPECT_FALSE(bad.format.has_value());
    EXPECT_TRUE(bad.error.contains(QStringLiteral("fast")));
    put("OGG", "7", QStringLiteral("lots"));
    EXPECT_FALSE(loadOggStoredChoice(ini()).maximum.has_value());
    EXPECT_EQ(loadOggStoredChoice(ini()).nominal, std::optional<std::int32_t>(112));
}

} // namespace
