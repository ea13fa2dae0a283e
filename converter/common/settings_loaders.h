#pragma once
// The per-format encoder settings kept in Config.ini: each loader reads its
// section into a typed value (writing back what the file must hold), and the
// main window hands the result to the writer or keeps it.

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace tavrel {

// ---- APE -------------------------------------------------------------------

struct ApeSettings {
    std::int32_t level = 2000;                                ///< 1000, 2000, 3000 or 4000
    QString levelText = QStringLiteral("Compression Normal"); ///< the text of the level list
};

/// [APE] Quality; an empty or unknown value gives the normal level. The key is
/// written back with the canonical name of the level taken.
ApeSettings loadApeSettings(const QString& iniFile);

// ---- AAC -------------------------------------------------------------------

/// The AAC bit rate stored as "Auto".
inline constexpr std::int16_t kAacAutoBitRate = 0;

/// The average bit rate handed to the AAC encoder: the stored one, or for
/// "Auto" 64 kbit/s per channel.
int aacEncoderBitRate(std::int16_t bitRate, int channels);

struct AacSettings {
    bool quality = false; ///< quality mode (else average bit rate)
    std::int16_t qualityRate = 100;
    std::int16_t bitRate = 128;               ///< kAacAutoBitRate for "Auto"; kbit/s
    QString profile = QStringLiteral("Main"); ///< "Main" or "Low complexity"
    std::int16_t bandWidth = 16000;           ///< Hz
    QString adts = QStringLiteral("MPEG-2");  ///< "MPEG-2" or "MPEG-4"
    bool tns = false;
    bool lfe = false;
    bool midSide = false;

    /// "AAC - MPEG-2; Average Bitrate=128 kbits/s" or "AAC - MPEG-4; Quality=100".
    QString formatString() const;
};

/// [Aac]: an empty key takes its default, which is written back; a value that
/// does not convert makes every member its default (nothing more is written).
AacSettings loadAacSettings(const QString& iniFile);

// ---- WAV -------------------------------------------------------------------

struct WavSettings {
    std::int32_t frequency = 44100;
    std::int32_t channels = 2;
    std::int32_t bits = 16;
};

/// [Wav] Frequency, Channel, bits: positions in fixed tables (empty: 3, 1, 5;
/// not a number: 0). A position outside its table leaves that value 0.
WavSettings loadWavSettings(const QString& iniFile);

// ---- MP3 -------------------------------------------------------------------

/// The LAME settings stored under [Mp3] "1" to "22". A key that is absent or
/// does not convert stays empty: the settings object keeps its own value.
struct Mp3Settings {
    std::optional<std::int16_t> abrBitrate;        // "1"
    std::optional<std::int16_t> athControl;        // "2"
    std::optional<std::int32_t> bitrate;           // "3"
    std::optional<bool> bitReservoir;              // "4"
    std::optional<bool> blockTypesDiffer;          // "5"
    std::optional<std::int32_t> channelCount;      // "6"
    std::optional<std::int16_t> emphasis;          // "7"
    std::optional<std::int16_t> encoderQuality;    // "8"
    std::optional<bool> errorProtection;           // "9"
    std::optional<std::int32_t> outputFrequency;   // "10"
    std::optional<std::int32_t> highpassFrequency; // "11"
    std::optional<std::int32_t> highpassWidth;     // "12"
    std::optional<std::int32_t> lowpassFrequency;  // "13"
    std::optional<std::int32_t> lowpassWidth;      // "14"
    std::optional<bool> shortBlocks;               // "15"
    std::optional<bool> strictIso;                 // "16"
    std::optional<bool> enforceMinBitrate;         // "17"
    std::optional<std::int32_t> channelMode;       // "18"
    std::optional<std::int32_t> maxVbrBitrate;     // "19"
    std::optional<std::int32_t> vbrMethod;         // "20"
    std::optional<std::int16_t> vbrQuality;        // "21"
    std::optional<bool> writeVbrHeader;            // "22"
};

Mp3Settings loadMp3Settings(const QString& iniFile);

// ---- Ogg Vorbis ----------------------------------------------------------------

/// The arguments of the writer's Ogg Vorbis set-up. A quality of -1 selects
/// the bit-rate values; 128, 0, 0 with a quality value select quality mode.
struct OggFormat {
    std::int32_t frequency = 44100;
    std::int32_t channels = 2;
    std::int32_t nominal = 128;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t quality = 400;

    bool operator==(const OggFormat&) const = default;
};

/// Asks the writer whether a bit-rate set-up (frequency, channels, nominal, minimum, maximum) works.
using OggAvailability = std::function<bool(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t)>;

struct OggLoadResult {
    std::optional<OggFormat> format; ///< empty when a stored value is not a number
    QString error;                   ///< which key failed
};

/// [OGG]: "1" quality mode, "2" managed bit rate, "3" frequency, "4" channels,
/// "5" quality value, "6" nominal bit rate, "7" maximum, "8" minimum (absent: "6").
OggLoadResult loadOggSettings(const QString& iniFile, const OggAvailability& available);

/// The Ogg Vorbis window's choice as stored under [OGG], every value the
/// format in effect may leave unused included (the bit rates in quality mode,
/// the quality value in bit-rate mode). A key that is absent or not a number
/// stays empty. The switches hold 1 (on) or 0.
struct OggStoredChoice {
    std::optional<std::int32_t> qualityMode; // "1"
    std::optional<std::int32_t> managed;     // "2": minimum and maximum apply
    std::optional<std::int32_t> frequency;   // "3", Hz
    std::optional<std::int32_t> channels;    // "4"
    std::optional<std::int32_t> quality;     // "5", quality x 100
    std::optional<std::int32_t> nominal;     // "6", kbit/s
    std::optional<std::int32_t> maximum;     // "7", kbit/s
    std::optional<std::int32_t> minimum;     // "8", kbit/s; absent: "6"
};

/// One [OGG] key: its name, the value it holds, and the key read in its
/// place while it is absent (files written before it existed).
struct OggKey {
    const char* key;
    std::optional<std::int32_t> OggStoredChoice::*member;
    bool isSwitch; ///< any number reads as on only when it is 1
    const char* absentAs = nullptr;
};

/// Every [OGG] key, in the order the window writes them.
inline constexpr OggKey kOggKeys[] = {
    {"1", &OggStoredChoice::qualityMode, true}, {"2", &OggStoredChoice::managed, true},
    {"3", &OggStoredChoice::frequency, false},  {"4", &OggStoredChoice::channels, false},
    {"5", &OggStoredChoice::quality, false},    {"6", &OggStoredChoice::nominal, false},
    {"7", &OggStoredChoice::maximum, false},    {"8", &OggStoredChoice::minimum, false, "6"},
};

OggStoredChoice loadOggStoredChoice(const QString& iniFile);

/// The [OGG] keys and values that store `choice` (every value set) in
/// `iniFile`: a key read in another's place while absent is only added when
/// its value differs from that other key's, so a file keeps the keys it has.
QList<std::pair<QString, QString>> oggKeysToStore(const OggStoredChoice& choice, const QString& iniFile);

} // namespace tavrel
