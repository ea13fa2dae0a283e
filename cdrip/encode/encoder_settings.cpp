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

} // namespace

EncoderSettings LoadMp3Settings(const QString& ini)
{
    const EncoderSettings d;
    EncoderSettings s;
    const QString mp3 = QStringLiteral("MP3");
    s.mp3.bitrate = loadText(ini, mp3, QStringLiteral("Bitrate"), d.mp3.bitrate);
    s.mp3.vbrBitrate = loadText(ini, mp3, QStringLiteral("VBRBitrate"), d.mp3.vbrBitrate);
    s.mp3.channel = loadText(ini, mp3, QStringLiteral("Channel"), d.mp3.channel);
    s.mp3.preset = loadText(ini, mp3, QStringLiteral("Present"), d.mp3.preset);
    s.mp3.frequency = loadText(ini, mp3, QStringLiteral("Frequency"), d.mp3.frequency);
    s.mp3.vbrMethod = loadText(ini, mp3, QStringLiteral("VBRMETHOD"), d.mp3.vbrMethod);
    s.mp3.vbrQuality = loadText(ini, mp3, QStringLiteral("VBRQUALITY"), d.mp3.vbrQuality);
    s.mp3.crc = loadSwitch(ini, mp3, QStringLiteral("CRC"), d.mp3.crc);
    s.mp3.vbr = loadSwitch(ini, mp3, QStringLiteral("VBR"), d.mp3.vbr);
    s.mp3.vbrHeader = loadSwitch(ini, mp3, QStringLiteral("VBRHEADER"), d.mp3.vbrHeader);
    s.mp3.copyright = loadSwitch(ini, mp3, QStringLiteral("COPYRIGHT"), d.mp3.copyright);
    s.mp3.original = loadSwitch(ini, mp3, QStringLiteral("ORIGINAL"), d.mp3.original);
    s.mp3.privateBit = loadSwitch(ini, mp3, QStringLiteral("PRIVATE"), d.mp3.privateBit);
    s.compression = loadText(ini, QStringLiteral("COMPRESSION"), QStringLiteral("Select"), d.compression);
    const QString ogg = QStringLiteral("Ogg");
    s.ogg.qualityRate = loadText(ini, ogg, QStringLiteral("QUALITYRATE"), d.ogg.qualityRate);
    s.ogg.frequency = loadText(ini, ogg, QStringLiteral("Frequency"), d.ogg.frequency);
    s.ogg.channel = loadText(ini, ogg, QStringLiteral("Channel"), d.ogg.channel);
    s.ogg.bitrate = loadText(ini, ogg, QStringLiteral("Bitrate"), d.ogg.bitrate);
    s.ogg.vbr = loadSwitch(ini, ogg, QStringLiteral("VBR"), d.ogg.vbr);
    s.ogg.quality = loadSwitch(ini, ogg, QStringLiteral("QUALITY"), d.ogg.quality);
    s.ogg.minBitrate = loadText(ini, ogg, QStringLiteral("MinBitrate"), d.ogg.minBitrate);
    s.ogg.maxBitrate = loadText(ini, ogg, QStringLiteral("MaxBitrate"), d.ogg.maxBitrate);
    return s;
}

bool saveEncoderSettings(const QString& ini, const EncoderSettings& s)
{
    using quandor::profile::writeString;
    const QString mp3 = QStringLiteral("MP3");
    const QString ogg = QStringLiteral("Ogg");
    const std::initializer_list<std::tuple<QString, QString, QString>> values{
        {mp3, QStringLiteral("Bitrate"), s.mp3.bitrate},
        {mp3, QStringLiteral("VBRBitrate"), s.mp3.vbrBitrate},
        {mp3, QStringLiteral("Channel"), s.mp3.channel},
        {mp3, QStringLiteral("Present"), s.mp3.preset},
        {mp3, QStringLiteral("Frequency"), s.mp3.frequency},
        {mp3, QStringLiteral("VBRMETHOD"), s.mp3.vbrMethod},
        {mp3, QStringLiteral("VBRQUALITY"), s.mp3.vbrQuality},
        {mp3, QStringLiteral("CRC"), switchText(s.mp3.crc)},
        {mp3, QStringLiteral("VBR"), switchText(s.mp3.vbr)},
        {mp3, QStringLiteral("VBRHEADER"), switchText(s.mp3.vbrHeader)},
        {mp3, QStringLiteral("COPYRIGHT"), switchText(s.mp3.copyright)},
        {mp3, QStringLiteral("ORIGINAL"), switchText(s.mp3.original)},
        {mp3, QStringLiteral("PRIVATE"), switchText(s.mp3.privateBit)},
        {QStringLiteral("COMPRESSION"), QStringLiteral("Select"), s.compression},
        {ogg, QStringLiteral("QUALITYRATE"), s.ogg.qualityRate},
        {ogg, QStringLiteral("Frequency"), s.ogg.frequency},
        {ogg, QStringLiteral("Channel"), s.ogg.channel},
        {ogg, QStringLiteral("Bitrate"), s.ogg.bitrate},
        {ogg, QStringLiteral("VBR"), switchText(s.ogg.vbr)},
        {ogg, QStringLiteral("QUALITY"), switchText(s.ogg.quality)},
        {ogg, QStringLiteral("MinBitrate"), s.ogg.minBitrate},
        {ogg, QStringLiteral("MaxBitrate"), s.ogg.maxBitrate},
    };
    bool ok = true;
    for (const auto& [section, key, value] : values)
        ok = writeString(ini, section, key, value) && ok;
    return ok;
}

bool saveCompressionChoice(const QString& ini, const QString& choice)
{
    return quandor::profile::writeString(ini, QStringLiteral("COMPRESSION"), QStringLiteral("Select"), choice);
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
