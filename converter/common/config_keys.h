#pragma once
// Config.ini: every section and key Tavrel stores, named once. A key with a
// `fallback` has its default written when it is read empty; the others leave
// the empty value to the reader (see each reader for its meaning).

#include <QString>

namespace tavrel {

struct ConfigKey {
    const char* section;
    const char* key;
    const char* fallback = nullptr;

    QString sectionName() const { return QString::fromLatin1(section); }
    QString keyName() const { return QString::fromLatin1(key); }
    QString fallbackText() const { return QString::fromLatin1(fallback); }
};

namespace config_keys {

inline constexpr ConfigKey Language{"LANGUE", "VALUE", "0"};
inline constexpr ConfigKey Launched{"LAUNCH", "VALUE", "True"};
inline constexpr ConfigKey AddFileFolder{"OpenFile", "INITDIR"};
inline constexpr ConfigKey TrackColor{"Track", "COLOR"}; ///< default: config::DefaultTrackColor
inline constexpr ConfigKey WmaSupport{"WMA", "WMASUPPORT", "False"};
inline constexpr ConfigKey WmaProfile{"WMA", "Num"};
inline constexpr ConfigKey OutputPath{"Tavrel", "OutputPath"};
inline constexpr ConfigKey SaveBesideSource{"Tavrel", "Modepath"};
inline constexpr ConfigKey OutputFormat{"Tavrel", "Format"};
inline constexpr ConfigKey ApeLevel{"APE", "Quality", "COMPRESSION_LEVEL_NORMAL"};

/// The encoder sections. [Mp3] keys are "1" to "22" and [OGG] keys "1" to "8",
/// in the order of their option windows' controls.
inline constexpr char Mp3Section[] = "Mp3";
inline constexpr char OggSection[] = "OGG";

inline constexpr ConfigKey AacQuality{"Aac", "Quality"};
inline constexpr ConfigKey AacQualityRate{"Aac", "QualityRate"};
inline constexpr ConfigKey AacBitRate{"Aac", "BitRate"};
inline constexpr ConfigKey AacProfile{"Aac", "Profile"};
inline constexpr ConfigKey AacBandWidth{"Aac", "BandW"};
inline constexpr ConfigKey AacAdts{"Aac", "ADTS"};
inline constexpr ConfigKey AacTns{"Aac", "TNS"};
inline constexpr ConfigKey AacLfe{"Aac", "LFE"};
inline constexpr ConfigKey AacMidSide{"Aac", "MidSide"};

inline constexpr ConfigKey WavFrequency{"Wav", "Frequency"};
inline constexpr ConfigKey WavChannel{"Wav", "Channel"};
inline constexpr ConfigKey WavBits{"Wav", "bits"};

} // namespace config_keys

} // namespace tavrel
