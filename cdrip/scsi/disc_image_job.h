#pragma once
// Reading a whole audio disc into a .bin image with its .cue sheet, on a
// worker thread: the job reads only its snapshot, polls an atomic stop flag and
// reports through signals (queued to the window that owns it).

#include "cdrip/scsi/cue_sheet.h"
#include "cdrip/scsi/scsi_transport.h"
#include "cdrip/scsi/track_table.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

namespace brenlow {

struct DiscImageSnapshot {
    std::shared_ptr<ScsiTransport> transport;
    DriveAddress drive;
    TrackTable tracks;
    ImagePaths paths;        ///< from imagePathsFor(the name the user chose)
    int attemptsPerRead = 5; ///< a bad sector ends the job after this many tries
    int retryDelayMs = 20;
};

enum class DiscImageOutcome {
    Completed,
    Cancelled,
    NoTracks,
    DataTrack,    ///< the disc holds a data track: refused before anything is written
    CreateFailed, ///< the .bin or the .cue could not be created
    WriteFailed,  ///< writing the .bin or the .cue failed
    ReadFailed,   ///< a sector stayed unreadable
};

struct DiscImageResult {
    DiscImageOutcome outcome = DiscImageOutcome::Completed;
    QString path;       ///< the file that failed (CreateFailed, WriteFailed)
    QString reason;     ///< the system's reason for that failure
    Lba failedAt;       ///< the first sector of the failed read (ReadFailed)
    ScsiResult command; ///< what the failed read came back with
};

class DiscImageJob : public QObject {
    Q_OBJECT
public:
    explicit DiscImageJob(DiscImageSnapshot snapshot);

    /// The sectors of the image: from LBA 0 to the end of the last track.
    static int sectorCount(const TrackTable& tracks);

    /// Runs the job on the calling thread; emits progress and, last, finished.
    /// Every ending but Completed leaves neither file on disk. Stops before
    /// its next read once `stop` is set.
    DiscImageResult run(const std::atomic<bool>& stop);
    /// The same, stopped through requestStop.
    DiscImageResult run() { return run(stop_); }
    /// Asks the job to stop before its next read (any thread).
    void requestStop() { stop_.store(true); }

signals:
    void progress(int done, int total);
    void finished(brenlow::DiscImageResult result);

private:
    DiscImageResult work(const std::atomic<bool>& stop);
    DiscImageSnapshot snapshot_;
    std::atomic<bool> stop_{false};
};

/// The percentage shown for `done` of `total`, truncated toward zero.
int progressPercent(std::int64_t done, std::int64_t total);

} // namespace brenlow
