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

namespace {

const OggKey& oggKey(std::optional<std::int32_t> OggStoredChoice::*member)
{
    for (const OggKey& key : kOggKeys)
        if (key.member == member)
            return key;
    return kOggKeys[0];
}

QString oggKeyName(std::optional<std::int32_t> OggStoredChoice::*member)
{
    return QLatin1String(oggKey(member).key);
}

/// The text stored for `key`, or for the key read in its place while it is absent.
QString oggText(const QString& iniFile, const OggKey& key)
{
    const QString section = QLatin1String(config_keys::OggSection);
    const QString text = readString(iniFile, section, QLatin1String(key.key));
    if (text.isEmpty() && key.absentAs)
        return readString(iniFile, section, QLatin1String(key.absentAs));
    return text;
}

std::optional<std::int32_t> oggValue(const OggKey& key, const QString& text)
{
    if (!key.isSwitch)
        return toInt32(text);
    const auto number = parseNumber(text);
    return number ? std::optional<std::int32_t>(*number == 1.0 ? 1 : 0) : std::nullopt;
}

} // namespace

OggLoadResult loadOggSettings(const QString& iniFile, const OggAvailability& available)
{
    using C = OggStoredChoice;
    if (oggText(iniFile, oggKey(&C::qualityMode)).isEmpty())
        return {OggFormat{}, {}};

    const OggStoredChoice stored = loadOggStoredChoice(iniFile);
    OggLoadResult failure;
    // Every key the set-up needs must hold a number; the first that does not is named.
    const auto need = [&](std::optional<std::int32_t> C::*member) {
        if (!(stored.*member) && failure.error.isEmpty())
            failure.error = QStringLiteral("[OGG] %1 = \"%2\" is not a number")
                                .arg(oggKeyName(member), oggText(iniFile, oggKey(member)));
    };
    for (const auto member :
         {&C::qualityMode, &C::managed, &C::frequency, &C::channels, &C::quality, &C::nominal, &C::maximum})
        need(member);
    if (!failure.error.isEmpty())
        return failure;

    const OggFormat qualityFormat{*stored.frequency, *stored.channels, 128, 0, 0, *stored.quality};
    if (*stored.qualityMode == 1)
        return {qualityFormat, {}};

    const bool managed = *stored.managed == 1;
    if (managed) {
        need(&C::minimum);
        if (!failure.error.isEmpty())
            return failure;
    }
    const std::int32_t minimum = managed ? *stored.minimum : 0;
    const std::int32_t maximum = managed ? *stored.maximum : 0;
    if (available && available(*stored.frequency, *stored.channels, *stored.nominal, minimum, maximum))
        return {OggFormat{*stored.frequency, *stored.channels, *stored.nominal, minimum, maximum, -1}, {}};
    return {qualityFormat, {}};
}

OggStoredChoice loadOggStoredChoice(const QString& iniFile)
{
    OggStoredChoice choice;
    for (const OggKey& key : kOggKeys)
        choice.*key.member = oggValue(key, oggText(iniFile, key));
    return choice;
}

QList<std::pair<QString, QString>> oggKeysToStore(const OggStoredChoice& choice, const QString& iniFile)
{
    const QString section = QLatin1String(config_keys::OggSection);
    QList<std::pair<QString, QString>> stored;
    for (const OggKey& key : kOggKeys) {
        const std::optional<std::int32_t> value = choice.*key.member;
        if (!value)
            continue;
        const QString name = QLatin1String(key.key);
        if (key.absentAs && readString(iniFile, section, name).isEmpty()) {
            // Absent, the key reads as the other one: add it only when that would read wrong.
            const OggKey& other = *std::find_if(std::begin(kOggKeys), std::end(kOggKeys), [&](const OggKey& k) {
                return QLatin1String(k.key) == QLatin1String(key.absentAs);
            });
            if (choice.*other.member == value)
                continue;
        }
        stored.append({name, QString::number(*value)});
    }
    return stored;
}

} // namespace tavrel
