#pragma once
// The cue sheet of a bin/cue image: written beside the image read from a disc,
// and read back by the image burner. Lines end with CR LF; times are MM:SS:FF
// frame offsets into the .bin, which holds the disc from LBA 0 on
// (Lba::ofImageSector).

#include "cdrip/scsi/msf.h"
#include "cdrip/scsi/track_table.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace brenlow {

/// "MM:SS:FF" of a frame count (each field at least two digits).
QString cueTimeText(int frames);

/// The cue sheet text of a disc imaged into the file named `binName` (no
/// folder): one FILE line, then per track its TRACK line, "FLAGS PRE" when the
/// table of contents marks pre-emphasis, INDEX 00 two seconds before INDEX 01
/// (for tracks after the first, and only where it falls after the previous
/// track's start) and INDEX 01 at the track's address.
QByteArray cueSheetText(const TrackTable& tracks, const QString& binName);

/// The .bin and .cue paths of an image saved under `chosenPath`: the name's
/// extension (text after its last dot) is replaced, or appended when none.
struct ImagePaths {
    QString binPath;
    QString cuePath;
    QString binName; ///< file name of binPath, for the FILE line
};
ImagePaths imagePathsFor(const QString& chosenPath);

/// CTL bits of a track, as its cue sheet's FLAGS line names them.
enum TrackControl : std::uint8_t {
    kControlPreEmphasis = 0x1,   ///< PRE
    kControlCopyPermitted = 0x2, ///< DCP
    kControlFourChannel = 0x8,   ///< 4CH
};

/// One track of an image to burn, in absolute disc times: the pregap
/// (INDEX 00) of track 1 starts at the disc's start (00:00:00), that of every
/// later track two seconds before its INDEX 01.
struct BurnTrack {
    int number = 0;
    Msf pregap;
    Msf start;
    std::uint8_t control = 0; ///< TrackControl bits from FLAGS
};

/// Why a cue sheet could not be used. Each has its log row in the burner
/// dialog; all but Loaded are followed by the general "cannot load" row.
enum class CueLoadError {
    None,
    NoPath,       ///< nothing chosen
    Unreadable,   ///< missing, empty, too large, or not a cue sheet we accept
    ImageMissing, ///< the FILE names an image that does not exist
    ImageEmpty,   ///< the image holds no whole sector
    NotAudio,     ///< a TRACK whose type is not AUDIO
};

struct CueSheetLoad {
    CueLoadError error = CueLoadError::None;
    QString reason;             ///< for Unreadable: what is wrong, for logs and tests
    QString imagePath;          ///< the FILE, beside the cue sheet unless absolute
    std::int64_t imageSize = 0; ///< bytes
    std::vector<BurnTrack> tracks;

    bool ok() const { return error == CueLoadError::None; }
    std::int64_t sectorCount() const { return imageSize / kSectorBytes; }
};

/// Cue sheets larger than this are refused unread (a .bin picked by mistake).
inline constexpr std::int64_t kMaxCueSheetBytes = 256 * 1024;

/// Reads the cue sheet at `cuePath` and checks the image it names. Accepts one
/// FILE "name" BINARY (quoted or not), up to 99 TRACK n AUDIO entries each
/// with an INDEX 01 (rising, inside the image) and FLAGS (PRE, DCP, 4CH);
/// INDEX 00, REM, TITLE, PERFORMER and other lines are ignored. Track 1
/// starts where its INDEX 01 says; the image before it is its pregap. Keywords count
/// only as the first word of a line. The text is UTF-8 when it is valid UTF-8,
/// else Windows-1252.
CueSheetLoad readCueSheet(const QString& cuePath);

/// The same, over text already read (`cueFolder` resolves a relative FILE).
CueSheetLoad parseCueSheet(const QByteArray& text, const QString& cueFolder);

} // namespace brenlow
