#pragma once
// Ripper.ini: every key with its default, the read-with-write-back access
// pattern, and the typed settings the dialogs edit and the jobs copy.
//
// Every read asks for the key with the sentinel "023Error"; an absent key gets
// its default written back at once and the default is used. Values are read
// and written one key at a time, never the file as a whole.

#include "quandor_version.h"

#include <QString>

namespace brenlow {

class LanguageTable;

/// The text a read returns for an absent key.
inline constexpr char kAbsentValue[] = "023Error";

/// One key of Ripper.ini. `fallback` is the default; the output folder's
/// default depends on the start folder and is computed (fallback == nullptr).
/// A key whose empty value means nothing (`emptyIsAbsent`) reads an empty
/// value as absent.
struct RipperKey {
    const char* section;
    const char* key;
    const char* fallback;
    bool emptyIsAbsent = false;
};

namespace ripper_keys {
inline constexpr RipperKey OutputFolder{"SAUVEGARDE", "Chemin", nullptr, true};
inline constexpr RipperKey FileNamePattern{"Output", "Nom", "%N - %T"};
inline constexpr RipperKey SaveInArtistAlbum{"Output", "Rep", "true"};
inline constexpr RipperKey CddbServer{"CDDB", "Serveur", "http://gnudb.gnudb.org"};
inline constexpr RipperKey CddbQuery{"CDDB", "Query", "~cddb/cddb.cgi"};
inline constexpr RipperKey CddbUser{"CDDB", "user", "brenlow"};
inline constexpr RipperKey CddbSite{"CDDB", "site", "quandor.example.org"};
inline constexpr RipperKey CddbClientName{"CDDB", "nom", "Brenlow"};
inline constexpr RipperKey CddbClientVersion{"CDDB", "version", QUANDOR_VERSION_TEXT};
inline constexpr RipperKey CddbAuto{"CDDB", "Auto", "false"};
inline constexpr RipperKey Compression{"COMPRESSION", "Select", "MP3"};
inline constexpr RipperKey Mp3Bitrate{"MP3", "Bitrate", "128"};
inline constexpr RipperKey Mp3VbrBitrate{"MP3", "VBRBitrate", "128"};
inline constexpr RipperKey Mp3Channel{"MP3", "Channel", "Joint-Stereo"};
inline constexpr RipperKey Mp3Preset{"MP3", "Present", "NORMAL"};
inline constexpr RipperKey Mp3Frequency{"MP3", "Frequency", "44100"};
inline constexpr RipperKey Mp3VbrMethod{"MP3", "VBRMETHOD", "Default"};
inline constexpr RipperKey Mp3VbrQuality{"MP3", "VBRQUALITY", "VBR-7"};
inline constexpr RipperKey Mp3Crc{"MP3", "CRC", "0"};
inline constexpr RipperKey Mp3Vbr{"MP3", "VBR", "0"};
inline constexpr RipperKey Mp3VbrHeader{"MP3", "VBRHEADER", "0"};
inline constexpr RipperKey Mp3Copyright{"MP3", "COPYRIGHT", "0"};
inline constexpr RipperKey Mp3Original{"MP3", "ORIGINAL", "0"};
inline constexpr RipperKey Mp3Private{"MP3", "PRIVATE", "0"};
inline constexpr RipperKey OggQualityRate{"Ogg", "QUALITYRATE", "0.50"};
inline constexpr RipperKey OggFrequency{"Ogg", "Frequency", "44100"};
inline constexpr RipperKey OggChannel{"Ogg", "Channel", "Stereo"};
inline constexpr RipperKey OggBitrate{"Ogg", "Bitrate", "128"};
inline constexpr RipperKey OggVbr{"Ogg", "VBR", "0"};
inline constexpr RipperKey OggQuality{"Ogg", "QUALITY", "1"};
inline constexpr RipperKey OggMinBitrate{"Ogg", "MinBitrate", "128"};
inline constexpr RipperKey OggMaxBitrate{"Ogg", "MaxBitrate", "128"};
} // namespace ripper_keys

/// The file-name pattern keeps at most this many characters when edited in
/// the configuration dialog.
inline constexpr int kFileNamePatternLimit = 59;

/// Access to `<startFolder>/Ripper.ini` with the absent-value write-back.
class RipperIni {
public:
    explicit RipperIni(QString startFolder);

    const QString& startFolder() const { return startFolder_; }
    QString file() const;

    /// The default of `key` ("<start folder>/My Music" for the output folder).
    QString defaultOf(const RipperKey& key) const;

    /// The stored text; when absent (or empty, for a key whose empty value
    /// means nothing), the default is written back and returned.
    QString text(const RipperKey& key) const;
    /// Output and CDDB switches: "true" is on, any other text off.
    bool outputFlag(const RipperKey& key) const;

    /// Writes one key; false when the file could not be written.
    [[nodiscard]] bool write(const RipperKey& key, const QString& value) const;
    [[nodiscard]] bool writeOutputFlag(const RipperKey& key, bool on) const; ///< "true"/"false"

private:
    QString startFolder_;
};

/// The text that tells the user the settings could not be saved to `file`
/// (no language file has this line, so it stays English).
QString settingsSaveFailedText(const QString& file, const LanguageTable& language);

/// [SAUVEGARDE] and [Output].
struct OutputSettings {
    QString folder;
    QString fileNamePattern = QStringLiteral("%N - %T");
    bool saveInArtistAlbum = true;
};

/// [CDDB]. `clientName` and `clientVersion` are shown only.
struct CddbSettings {
    QString server = QString::fromLatin1(ripper_keys::CddbServer.fallback);
    QString queryPath = QString::fromLatin1(ripper_keys::CddbQuery.fallback);
    QString user = QString::fromLatin1(ripper_keys::CddbUser.fallback);
    QString site = QString::fromLatin1(ripper_keys::CddbSite.fallback);
    QString clientName = QString::fromLatin1(ripper_keys::CddbClientName.fallback);
    QString clientVersion = QString::fromLatin1(ripper_keys::CddbClientVersion.fallback);
    bool autoLookup = false;
};

/// The values of Ripper.ini the main dialog and its own dialogs keep. The
/// main dialog holds the program-wide copy on the window thread; a job copies
/// what it needs into its snapshot before it starts. (The encoder sections are
/// read by the encoder settings.)
struct RipperSettings {
    QString startFolder;
    OutputSettings output;
    CddbSettings cddb;
    QString compression = QStringLiteral("MP3"); ///< [COMPRESSION] Select

    /// MP3 exactly when the choice starts with "MP3"; anything else is Ogg Vorbis.
    bool compressionIsMp3() const { return compression.startsWith(QStringLiteral("MP3")); }
};

/// The [CDDB] group (absent keys are written back).
CddbSettings readCddbSettings(const RipperIni& ini);

} // namespace brenlow
