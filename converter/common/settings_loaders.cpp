#include "converter/common/settings_loaders.h"

#include "converter/common/config_keys.h"
#include "converter/common/conversion_numbers.h"
#include "platform/profile/profile_file.h"

#include <algorithm>
#include <array>

namespace tavrel {

using quandor::profile::readString;
using quandor::profile::writeDefault;

// ---- APE -------------------------------------------------------------------

namespace {

struct ApeLevelRow {
    const char* stored;
    std::int32_t level;
    const char* text;
};

constexpr std::array<ApeLevelRow, 4> apeLevels{{
    {"COMPRESSION_LEVEL_FAST", 1000, "Compression Fast"},
    {"COMPRESSION_LEVEL_NORMAL", 2000, "Compression Normal"},
    {"COMPRESSION_LEVEL_HIGH", 3000, "Compression High"},
    {"COMPRESSION_LEVEL_EXTRA_HIGH", 4000, "Compression Very High (Insane)"},
}};

constexpr std::size_t normalApeRow = 1;

} // namespace

ApeSettings loadApeSettings(const QString& iniFile)
{
    const QString stored = readString(iniFile, config_keys::ApeLevel.sectionName(), config_keys::ApeLevel.keyName());
    const ApeLevelRow* row = &apeLevels[normalApeRow];
    for (const ApeLevelRow& candidate : apeLevels) {
        if (stored == QLatin1String(candidate.stored))
            row = &candidate;
    }
    writeDefault(iniFile, config_keys::ApeLevel.sectionName(), config_keys::ApeLevel.keyName(),
                 QLatin1String(row->stored));
    return ApeSettings{row->level, QLatin1String(row->text)};
}

// ---- AAC -------------------------------------------------------------------

QString AacSettings::formatString() const
{
    QString text = QStringLiteral("AAC - ") + adts + QStringLiteral("; ");
    if (quality)
        return text + QStringLiteral("Quality=") + QString::number(qualityRate);
    const QString rate = bitRate == kAacAutoBitRate ? QStringLiteral("Auto") : QString::number(bitRate);
    return text + QStringLiteral("Average Bitrate=") + rate + QStringLiteral(" kbits/s");
}

int aacEncoderBitRate(std::int16_t bitRate, int channels)
{
    return bitRate == kAacAutoBitRate ? 64 * std::max(channels, 1) : bitRate;
}

namespace {

// Only the exact text "False" is False: a switch stored in another spelling counts as on.
bool aacSwitch(const QString& value)
{
    return value != QLatin1String("False");
}

} // namespace

AacSettings loadAacSettings(const QString& iniFile)
{
    AacSettings settings;
    bool failed = false;

    // Reads one key; an empty one is given its default text, which is stored.
    auto read = [&](const ConfigKey& key, const QString& fallback) -> std::optional<QString> {
        const QString value = readString(iniFile, key.sectionName(), key.keyName());
        if (value.isEmpty()) {
            writeDefault(iniFile, key.sectionName(), key.keyName(), fallback);
            return std::nullopt;
        }
        return value;
    };
    auto readInt16 = [&](const ConfigKey& key, std::int16_t& member) {
        const std::optional<QString> value = read(key, QString::number(member));
        if (!value)
            return;
        if (const std::optional<std::int16_t> number = toInt16(*value))
            member = *number;
        else
            failed = true;
    };
    auto readSwitch = [&](const ConfigKey& key, bool& member) {
        if (const std::optional<QString> value = read(key, QStringLiteral("False")))
            member = aacSwitch(*value);
    };
    auto readText = [&](const ConfigKey& key, QString& member) {
        if (const std::optional<QString> value = read(key, member))
            member = *value;
    };

    readSwitch(config_keys::AacQuality, settings.quality);
    if (!failed)
        readInt16(config_keys::AacQualityRate, settings.qualityRate);
    if (!failed) {
        // "Auto" is an item of the window's bit-rate list: the encoder picks by channel count.
        if (readString(iniFile, config_keys::AacBitRate.sectionName(), config_keys::AacBitRate.keyName())
            == QLatin1String("Auto"))
            settings.bitRate = kAacAutoBitRate;
        else
            readInt16(config_keys::AacBitRate, settings.bitRate);
    }
    if (!failed)
        readText(config_keys::AacProfile, settings.profile);
    if (!failed)
        readInt16(config_keys::AacBandWidth, settings.bandWidth);
    if (!failed)
        readText(config_keys::AacAdts, settings.adts);
    if (!failed)
        readSwitch(config_keys::AacTns, settings.tns);
    if (!failed)
        readSwitch(config_keys::AacLfe, settings.lfe);
    if (!failed)
        readSwitch(config_keys::AacMidSide, settings.midSide);

    return failed ? AacSettings{} : settings;
}

// ---- WAV -------------------------------------------------------------------

namespace {

constexpr std::array<std::int32_t, 12> wavFrequencies{96000, 88200, 48000, 44100, 32000, 24000,
                                                      22050, 16000, 12000, 11025, 8000,  6000};
constexpr std::array<std::int32_t, 2> wavChannels{1, 2};
constexpr std::array<std::int32_t, 8> wavBits{2, 3, 4, 5, 8, 16, 24, 32};

// Empty: the default position; not a number: position 0.
std::int32_t wavPosition(const QString& value, std::int32_t emptyPosition)
{
    if (value.isEmpty())
        return emptyPosition;
    return toInt16(value).value_or(0);
}

template <std::size_t N>
std::int32_t wavTableValue(const std::array<std::int32_t, N>& table, std::int32_t position)
{
    if (position < 0 || static_cast<std::size_t>(position) >= N)
        return 0;
    return table[static_cast<std::size_t>(position)];
}

} // namespace

WavSettings loadWavSettings(const QString& iniFile)
{
    const auto position = [&](const ConfigKey& key, std::int32_t emptyPosition) {
        return wavPosition(readString(iniFile, key.sectionName(), key.keyName()), emptyPosition);
    };
    return WavSettings{wavTableValue(wavFrequencies, position(config_keys::WavFrequency, 3)),
                       wavTableValue(wavChannels, position(config_keys::WavChannel, 1)),
                       wavTableValue(wavBits, position(config_keys::WavBits, 5))};
}

// ---- MP3 -------------------------------------------------------------------

Mp3Settings loadMp3Settings(const QString& iniFile)
{
    const QString section = QLatin1String(config_keys::Mp3Section);
    const auto value = [&](int key) { return readString(iniFile, section, QString::number(key)); };

    Mp3Settings s;
    s.abrBitrate = toInt16(value(1));
    s.athControl = toInt16(value(2));
    s.bitrate = toInt32(value(3));
    s.bitReservoir = toBoolean(value(4));
    s.blockTypesDiffer = toBoolean(value(5));
    s.channelCount = toInt32(value(6));
    s.emphasis = toInt16(value(7));
    s.encoderQuality = toInt16(value(8));
    s.errorProtection = toBoolean(value(9));
    s.outputFrequency = toInt32(value(10));
    s.highpassFrequency = toInt32(value(11));
    s.highpassWidth = toInt32(value(12));
    s.lowpassFrequency = toInt32(value(13));
    s.lowpassWidth = toInt32(value(14));
    s.shortBlocks = toBoolean(value(15));
    s.strictIso = toBoolean(value(16));
    s.enforceMinBitrate = toBoolean(value(17));
    s.channelMode = toInt32(value(18));
    s.maxVbrBitrate = toInt32(value(19));
    s.vbrMethod = toInt32(value(20));
    s.vbrQuality = toInt16(value(21));
    s.writeVbrHeader = toBoolean(value(22));
    return s;
}

// ---- Ogg Vorbis ----------------------------------------------------------------

OggLoadResult loadOggSettings(const QString& iniFile, const OggAvailability& available)
{
    const QString section = QLatin1String(config_keys::OggSection);
    const auto value = [&](const char* key) { return readString(iniFile, section, QLatin1String(key)); };

    const QString modeText = value("1");
    if (modeText.isEmpty())
        return {OggFormat{}, {}};

    OggLoadResult failure;
    const auto number = [&](const char* key, const QString& text) -> std::optional<std::int32_t> {
        const std::optional<std::int32_t> result = toInt32(text);
        if (!result && failure.error.isEmpty())
            failure.error = QStringLiteral("[OGG] %1 = \"%2\" is not a number").arg(QLatin1String(key), text);
        return result;
    };

    const auto mode = parseNumber(modeText);
    if (!mode)
        number("1", modeText);
    const auto managedNumber = parseNumber(value("2"));
    if (!managedNumber)
        number("2", value("2"));
    const auto frequency = number("3", value("3"));
    const auto channels = number("4", value("4"));
    const auto quality = number("5", value("5"));
    const auto nominal = number("6", value("6"));
    const auto maximum = number("7", value("7"));
    if (!failure.error.isEmpty())
        return failure;

    const bool qualityMode = *mode == 1.0;
    const bool managed = *managedNumber == 1.0;
    const OggFormat qualityFormat{*frequency, *channels, 128, 0, 0, *quality};
    if (qualityMode)
        return {qualityFormat, {}};

    std::int32_t minimum = 0;
    if (managed) {
        // The minimum has its own key; files written before it existed kept it in "6".
        const QString minimumText = value("8");
        const auto stored = number("8", minimumText.isEmpty() ? value("6") : minimumText);
        if (!stored)
            return failure;
        minimum = *stored;
    }
    const std::int32_t bitRateMaximum = managed ? *maximum : 0;
    if (available && available(*frequency, *channels, *nominal, minimum, bitRateMaximum))
        return {OggFormat{*frequency, *channels, *nominal, minimum, bitRateMaximum, -1}, {}};
    return {qualityFormat, {}};
}

OggStoredChoice loadOggStoredChoice(const QString& iniFile)
{
    const QString section = QLatin1String(config_keys::OggSection);
    const auto value = [&](const char* key) { return readString(iniFile, section, QLatin1String(key)); };
    const auto isOne = [](const QString& text) -> std::optional<bool> {
        const auto number = parseNumber(text);
        return number ? std::optional<bool>(*number == 1.0) : std::nullopt;
    };
    const QString minimumText = value("8");
    return {isOne(value("1")),   isOne(value("2")),   toInt32(value("5")),
            toInt32(value("6")), toInt32(value("7")), toInt32(minimumText.isEmpty() ? value("6") : minimumText)};
}

} // namespace tavrel
