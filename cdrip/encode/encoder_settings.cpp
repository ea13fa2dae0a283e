#include "cdrip/encode/encoder_settings.h"

#include "platform/profile/profile_file.h"

#include <QDir>
#include <QFileInfo>

namespace brenlow {
namespace {

const QString kAbsent = QStringLiteral("023Error");

/// Reads one key; an absent key gets `fallback`, written back.
QString loadText(const QString& ini, const QString& section, const QString& key, const QString& fallback)
{
    const QString value = quandor::profile::readString(ini, section, key, kAbsent);
    if (value != kAbsent)
        return value;
    quandor::profile::writeDefault(ini, section, key, fallback);
    return fallback;
}

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

bool loadSwitch(const QString& ini, const QString& section, const QString& key, bool fallback)
{
    const QString value = loadText(ini, section, key, fallback ? QStringLiteral("1") : QStringLiteral("0"));
    if (value.isEmpty()) {
        // "CRC=" has no first character to test: treat it as absent.
        quandor::profile::writeDefault(ini, section, key, switchText(fallback));
        return fallback;
    }
    return !value.startsWith(QLatin1Char('0'));
}

// The member of a row, as a function the table can hold: `Member` of `Part`.
template <auto Part, auto Member>
EncoderKey::Field fieldIn(EncoderSettings& settings)
{
    return &(settings.*Part.*Member);
}
template <auto Member>
constexpr auto mp3 = &fieldIn<&EncoderSettings::mp3, Member>;
template <auto Member>
constexpr auto ogg = &fieldIn<&EncoderSettings::ogg, Member>;

EncoderKey::Field compressionIn(EncoderSettings& settings)
{
    return &settings.compression;
}

constexpr EncoderKey kCompression{"COMPRESSION", "Select", &compressionIn};

constexpr EncoderKey kKeys[] = {
    {"MP3", "Bitrate", mp3<&Mp3Settings::bitrate>},
    {"MP3", "VBRBitrate", mp3<&Mp3Settings::vbrBitrate>},
    {"MP3", "Channel", mp3<&Mp3Settings::channel>},
    {"MP3", "Present", mp3<&Mp3Settings::preset>},
    {"MP3", "Frequency", mp3<&Mp3Settings::frequency>},
    {"MP3", "VBRMETHOD", mp3<&Mp3Settings::vbrMethod>},
    {"MP3", "VBRQUALITY", mp3<&Mp3Settings::vbrQuality>},
    {"MP3", "CRC", mp3<&Mp3Settings::crc>},
    {"MP3", "VBR", mp3<&Mp3Settings::vbr>},
    {"MP3", "VBRHEADER", mp3<&Mp3Settings::vbrHeader>},
    {"MP3", "COPYRIGHT", mp3<&Mp3Settings::copyright>},
    {"MP3", "ORIGINAL", mp3<&Mp3Settings::original>},
    {"MP3", "PRIVATE", mp3<&Mp3Settings::privateBit>},
    kCompression,
    {"Ogg", "QUALITYRATE", ogg<&OggSettings::qualityRate>},
    {"Ogg", "Frequency", ogg<&OggSettings::frequency>},
    {"Ogg", "Channel", ogg<&OggSettings::channel>},
    {"Ogg", "Bitrate", ogg<&OggSettings::bitrate>},
    {"Ogg", "VBR", ogg<&OggSettings::vbr>},
    {"Ogg", "QUALITY", ogg<&OggSettings::quality>},
    {"Ogg", "MinBitrate", ogg<&OggSettings::minBitrate>},
    {"Ogg", "MaxBitrate", ogg<&OggSettings::maxBitrate>},
};

QString sectionOf(const EncoderKey& key)
{
    return QString::fromLatin1(key.section);
}

QString nameOf(const EncoderKey& key)
{
    return QString::fromLatin1(key.key);
}

} // namespace

std::span<const EncoderKey> encoderKeys()
{
    return kKeys;
}

EncoderSettings LoadMp3Settings(const QString& ini)
{
    // Starts from the defaults: each member holds its own fallback until read.
    EncoderSettings s;
    for (const EncoderKey& key : kKeys) {
        const EncoderKey::Field field = key.in(s);
        if (QString* const* text = std::get_if<QString*>(&field))
            **text = loadText(ini, sectionOf(key), nameOf(key), **text);
        else if (bool* const* on = std::get_if<bool*>(&field))
            **on = loadSwitch(ini, sectionOf(key), nameOf(key), **on);
    }
    return s;
}

QString encoderKeyText(const EncoderKey& key, const EncoderSettings& settings)
{
    EncoderSettings s = settings; // the table reaches members through a mutable settings
    const EncoderKey::Field field = key.in(s);
    const QString* const* text = std::get_if<QString*>(&field);
    return text ? **text : switchText(*std::get<bool*>(field));
}

bool saveEncoderSettings(const QString& ini, const EncoderSettings& settings)
{
    bool ok = true;
    for (const EncoderKey& key : kKeys)
        ok = quandor::profile::writeString(ini, sectionOf(key), nameOf(key), encoderKeyText(key, settings)) && ok;
    return ok;
}

bool saveCompressionChoice(const QString& ini, const QString& choice)
{
    return quandor::profile::writeString(ini, sectionOf(kCompression), nameOf(kCompression), choice);
}

namespace choices {

QStringList bitrates()
{
    QStringList list;
    for (int kbps : {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320})
        list << QString::number(kbps);
    return list;
}

QStringList mp3Channels()
{
    return {QStringLiteral("Mono"), QStringLiteral("Stereo"), QStringLiteral("Joint-stereo"),
            QStringLiteral("Dual-Channel")};
}

QStringList mp3Presets()
{
    return {QStringLiteral("NONE"),      QStringLiteral("NORMAL"),       QStringLiteral("LOW"),
            QStringLiteral("HIGH"),      QStringLiteral("Q_VOICE"),      QStringLiteral("R3MIX"),
            QStringLiteral("VERY HIGH"), QStringLiteral("STANDARD"),     QStringLiteral("FAST STANDARD"),
            QStringLiteral("EXTREME"),   QStringLiteral("FAST EXTREME"), QStringLiteral("INSANE"),
            QStringLiteral("ABR"),       QStringLiteral("CBR"),          QStringLiteral("PHONE"),
            QStringLiteral("SW"),        QStringLiteral("AM"),           QStringLiteral("FM"),
            QStringLiteral("VOICE"),     QStringLiteral("RADIO"),        QStringLiteral("TAPE"),
            QStringLiteral("HIFI"),      QStringLiteral("CD"),           QStringLiteral("STUDIO")};
}

QStringList mp3Frequencies()
{
    return {QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000")};
}

QStringList vbrMethods()
{
    return {QStringLiteral("Default"), QStringLiteral("Old"), QStringLiteral("New"), QStringLiteral("MTRH"),
            QStringLiteral("ABR")};
}

QStringList vbrQualities()
{
    QStringList list;
    for (int q = 0; q <= 9; ++q)
        list << QStringLiteral("VBR-%1").arg(q);
    return list;
}

QStringList oggQualities()
{
    QStringList list;
    for (int q = 0; q <= 10; ++q)
        list << QStringLiteral("%1.%2").arg(q / 10).arg(q % 10 * 10, 2, 10, QLatin1Char('0'));
    return list;
}

QStringList oggFrequencies()
{
    QStringList list;
    for (int hz : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000})
        list << QString::number(hz);
    return list;
}

QStringList oggChannels()
{
    return {QStringLiteral("Stereo")};
}

QString oggQualityLabel(const QString& quality)
{
    static const int kbps[] = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 500};
    const qsizetype index = oggQualities().indexOf(quality);
    return index < 0 ? QString() : QStringLiteral("%1 Kbps").arg(kbps[index]);
}

} // namespace choices

bool CreateMusicFolders(const QString& startFolder)
{
    const QDir start(startFolder);
    const auto make = [](const QString& path) { return QFileInfo(path).isDir() || QDir().mkdir(path); };
    bool ok = make(start.filePath(QStringLiteral("My Music")));
    const QString cddb = start.filePath(QStringLiteral("CDDB"));
    if (!make(cddb))
        return false;
    for (const char* category : {"blues", "classical", "country", "data", "folk", "jazz", "misc", "newage", "reggae",
                                 "rock", "soundtrack", "Custom"}) {
        if (!make(QDir(cddb).filePath(QLatin1String(category))))
            return false;
    }
    return ok;
}

} // namespace brenlow
