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
/// table of contents marks pre-emphasis, INDEX 00 and INDEX 01 at the track's
/// address. INDEX 00 of a later track lies two seconds before its INDEX 01
/// (only where that falls after the previous track's start); track 1 has one,
/// at 00:00:00, only when the image holds audio before its INDEX 01.
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

/// What in a refused sheet is wrong, so the user can be told which line or
/// track to mend.
enum class CueFault {
    None,
    CannotRead,   ///< the sheet cannot be opened
    NotACueSheet, ///< empty, too large, or binary
    BadFileLine,  ///< place.line: not one FILE "name" BINARY (or a TRACK before it)
    NoFile,
    BadTrackLine, ///< place.line: not TRACK n type, or a 100th track
    NotAudio,     ///< place.line: a TRACK whose type is not AUDIO
    BadIndexLine, ///< place.line: not INDEX nn MM:SS:FF, or a second INDEX 01
    GapLine,      ///< place.line: PREGAP or POSTGAP
    NoTrack,
    NoIndex01,  ///< the track of the TRACK at place.line has no INDEX 01
    OutOfOrder, ///< the INDEX 01 at place.line (place.at) is not after the previous track's (place.limit) and its pregap
    BeyondImage, ///< the INDEX 01 at place.line (place.at) is at or past the image's end (place.limit sectors)
};

/// Where a refused sheet goes wrong; image offsets in frames.
struct CuePlace {
    int line = 0;  ///< 1-based
    int track = 0; ///< 1-based, in sheet order
    int at = 0;
    int limit = 0;
};

struct CueSheetLoad {
    CueLoadError error = CueLoadError::None;
    CueFault fault = CueFault::None; ///< for Unreadable and NotAudio
    CuePlace place;
    QString reason;             ///< what is wrong, in English, for logs and tests
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
