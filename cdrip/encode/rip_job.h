#pragma once
// What a rip works on: an immutable snapshot taken on the user-interface
// thread when the rip starts, so the worker never reads widgets or globals.

#include "cdrip/encode/encoder_settings.h"
#include "cdrip/encode/output_path.h"
#include "cdrip/scsi/msf.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

namespace brenlow {

enum class RipFormat { Wav, Mp3, Ogg };

/// Reads raw 2352-byte CD-DA sectors; called from the rip's worker thread.
class SectorReader {
public:
    virtual ~SectorReader() = default;
    /// Reads `count` sectors from `start` into `buffer` (count × 2352 bytes).
    /// False on any failure.
    virtual bool readCdda(Lba start, int count, uint8_t* buffer) = 0;
};

struct RipTrack {
    int index = 0;  ///< row of the track table
    int number = 1; ///< 1-based track number
    QString title;
    Lba start; ///< first sector
    int64_t lengthSectors = 0;
    bool audio = true; ///< false for a data track (control bit 0x04)
};

struct RipJob {
    RipFormat format = RipFormat::Wav;
    std::shared_ptr<SectorReader> drive;
    QList<RipTrack> tracks; ///< the selected tracks, in table order
    OutputNaming naming;
    QString genre; ///< the genre list's text; empty = no selection
    EncoderSettings encoder;
    QString lameLibraryPath; ///< the MP3 library in the program folder
};

/// Why a rip ended early; the user-interface maps each to its message.
enum class RipProblem {
    LameNotLoaded,    ///< language line 56
    LameEntryMissing, ///< line 57
    LameRefused,      ///< line 58: the MP3 encoder refused its settings
    ReadFailed,       ///< line 60
    VorbisRefused,    ///< the Ogg encoder refused its settings
    FolderFailed,     ///< a folder of the output path cannot be created
    CreateFailed,     ///< the output file cannot be created
    WriteFailed,      ///< writing the output failed (disk full)
    TagFailed,        ///< the ID3v1 tag could not be written
};

struct RipReport {
    RipProblem problem;
    QString path; ///< the file or folder concerned, when there is one
    int trackNumber = 0;
    QString reason; ///< the system's reason for a failed write, when there is one
};

enum class RipOutcome { Completed, Stopped, Failed };

/// What the worker tells the user interface (called on the worker thread).
class RipObserver {
public:
    virtual ~RipObserver() = default;
    virtual void progress(int trackIndex, int percent) = 0;
    /// The track is done (or, in Ogg, stopped): its row is unselected.
    virtual void trackFinished(int trackIndex) = 0;
    virtual void problem(const RipReport& report) = 0;
    /// Asked when a stop was requested: true to stop, false to go on.
    virtual bool confirmStop() = 0;
};

} // namespace brenlow
