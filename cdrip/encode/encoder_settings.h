#pragma once
// The MP3 and Ogg Vorbis encoder settings of Ripper.ini (sections MP3, Ogg and
// COMPRESSION), kept as the texts and switches the settings dialog shows.

#include <QString>
#include <QStringList>

#include <span>
#include <variant>

namespace brenlow {

struct Mp3Settings {
    QString bitrate = QStringLiteral("128");
    QString vbrBitrate = QStringLiteral("128");
    QString channel = QStringLiteral("Joint-Stereo");
    QString preset = QStringLiteral("NORMAL");
    QString frequency = QStringLiteral("44100");
    QString vbrMethod = QStringLiteral("Default");
    QString vbrQuality = QStringLiteral("VBR-7");
    bool crc = false;
    bool vbr = false; ///< extended settings: preset, resample rate, VBR
    bool vbrHeader = false;
    bool copyright = false;
    bool original = false;
    bool privateBit = false;
    bool operator==(const Mp3Settings&) const = default;
};

struct OggSettings {
    QString qualityRate = QStringLiteral("0.50");
    QString frequency = QStringLiteral("44100");
    QString channel = QStringLiteral("Stereo");
    QString bitrate = QStringLiteral("128");
    bool vbr = false;    ///< managed minimum/maximum bit rate
    bool quality = true; ///< encode by quality
    QString minBitrate = QStringLiteral("128");
    QString maxBitrate = QStringLiteral("128");
    bool operator==(const OggSettings&) const = default;
};

struct EncoderSettings {
    Mp3Settings mp3;
    QString compression = QStringLiteral("MP3"); ///< [COMPRESSION] Select
    OggSettings ogg;

    /// True when the compressed rip makes MP3 (the choice begins with "MP3").
    bool compressionIsMp3() const { return compression.startsWith(QLatin1String("MP3")); }
    bool operator==(const EncoderSettings&) const = default;
};

/// One Ripper.ini key and the member it fills: a text, or a switch stored "0"/"1".
/// Its default is that member in a default-built EncoderSettings.
struct EncoderKey {
    using Field = std::variant<QString*, bool*>;
    const char* section;
    const char* key;
    Field (*in)(EncoderSettings& settings);
};

/// Every encoder key once, in the order loading and saving go through them.
std::span<const EncoderKey> encoderKeys();
/// The text `key` stores for `settings`: the member's text, or "0"/"1".
QString encoderKeyText(const EncoderKey& key, const EncoderSettings& settings);

/// Loads every key; an absent key gets its default, written back at once.
EncoderSettings LoadMp3Settings(const QString& iniPath);
/// Writes every key; false when Ripper.ini could not be written.
bool saveEncoderSettings(const QString& iniPath, const EncoderSettings& settings);
/// Writes [COMPRESSION] Select alone.
bool saveCompressionChoice(const QString& iniPath, const QString& choice);

/// The lists the settings dialog offers.
namespace choices {
QStringList bitrates();       ///< "8" .. "320", 17 values
QStringList mp3Channels();    ///< "Mono", "Stereo", "Joint-stereo", "Dual-Channel"
QStringList mp3Presets();     ///< the 24 preset names, "NONE" .. "STUDIO"
QStringList mp3Frequencies(); ///< "32000", "44100", "48000"
QStringList vbrMethods();     ///< "Default", "Old", "New", "MTRH", "ABR"
QStringList vbrQualities();   ///< "VBR-0" .. "VBR-9"
QStringList oggQualities();   ///< "0.00" .. "1.00"
QStringList oggFrequencies(); ///< 8000 .. 48000
QStringList oggChannels();    ///< "Stereo"
/// The approximate bit rate shown for an Ogg quality text ("160 Kbps" for "0.50").
QString oggQualityLabel(const QString& quality);
} // namespace choices

/// Creates "My Music", "CDDB" and its category folders under `startFolder`.
/// False when one could not be created.
bool CreateMusicFolders(const QString& startFolder);

} // namespace brenlow
