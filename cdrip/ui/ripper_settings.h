#pragma once
// Ripper.ini: every key outside the encoder sections with its default, the
// read-with-write-back access pattern, and the typed settings the dialogs
// edit and the jobs copy.
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

// The encoder sections (MP3, Ogg, COMPRESSION) are declared with their members
// in cdrip/encode/encoder_settings.
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
