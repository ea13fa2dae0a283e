#pragma once
// Disc geometry as value types. A frame (sector) is 1/75 s of audio, 2352
// bytes. Two scales exist: the MSF scale the table of contents reports, where
// the disc starts at 00:02:00, and logical block addresses, where LBA 0 is
// 00:02:00. A disc image holds the disc from LBA 0 on. Every conversion between
// image sectors, MSF times and LBAs is here: code never adds or subtracts the
// 150-frame offset by hand.

#include <QString>
#include <compare>
#include <cstdint>

namespace brenlow {

inline constexpr int kFramesPerSecond = 75;
inline constexpr int kFramesPerMinute = 60 * kFramesPerSecond;
inline constexpr int kLeadInFrames = 150; ///< MSF 00:02:00 is LBA 0
inline constexpr int kSectorBytes = 2352; ///< one CD-DA frame

/// Minutes, seconds and frames. As an address it is on the MSF scale; as a
/// duration it is a plain frame count split into its parts.
struct Msf {
    int minute = 0;
    int second = 0;
    int frame = 0;

    static constexpr Msf fromFrames(int frames)
    {
        return Msf{frames / kFramesPerMinute, (frames % kFramesPerMinute) / kFramesPerSecond,
                   frames % kFramesPerSecond};
    }
    constexpr int frames() const { return minute * kFramesPerMinute + second * kFramesPerSecond + frame; }
    /// True when seconds and frames are in range (a drive's answer may not be).
    constexpr bool valid() const
    {
        return minute >= 0 && second >= 0 && second < 60 && frame >= 0 && frame < kFramesPerSecond;
    }
    /// "mm:ss.ff", the form of track lengths and the disc length.
    QString text() const;
    constexpr bool operator==(const Msf&) const = default;
};

/// A logical block address as the SCSI commands take it (may be negative
/// before the first track, e.g. a session-at-once write starts at -150).
struct Lba {
    std::int32_t value = 0;

    /// The address of a frame count on the MSF scale.
    static constexpr Lba fromMsfFrames(int msfFrames) { return Lba{msfFrames - kLeadInFrames}; }
    /// The address of an MSF time.
    static constexpr Lba fromMsf(const Msf& msf) { return fromMsfFrames(msf.frames()); }
    /// The address of sector `sector` of a disc image, which holds the disc
    /// from LBA 0 on (the frame offsets of its cue sheet are these addresses).
    static constexpr Lba ofImageSector(int sector) { return Lba{sector}; }
    /// The first address a session-at-once write takes: 00:00:00, the start of
    /// track 1's pregap.
    static constexpr Lba discStart() { return fromMsfFrames(0); }

    constexpr int msfFrames() const { return value + kLeadInFrames; }
    /// This address as an MSF time.
    constexpr Msf msf() const { return Msf::fromFrames(msfFrames()); }
    /// The image sector that holds this address (negative before LBA 0).
    constexpr int imageSector() const { return value; }
    constexpr Lba operator+(int frames) const { return Lba{value + frames}; }
    constexpr Lba operator-(int frames) const { return Lba{value - frames}; }
    /// The frames from `earlier` up to this address.
    constexpr int operator-(const Lba& earlier) const { return value - earlier.value; }
    constexpr auto operator<=>(const Lba&) const = default;
};

/// The pregap a track gets before its INDEX 01 when nothing says otherwise.
inline constexpr int kPregapFrames = 2 * kFramesPerSecond;

} // namespace brenlow
