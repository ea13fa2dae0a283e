#pragma once
// Writing a bin image to a blank CD-R or CD-RW in one session (session at
// once), on a worker thread: the job reads only its snapshot, polls an atomic
// stop flag, and reports its log rows, progress and end through signals.

#include "cdrip/scsi/cue_sheet.h"
#include "cdrip/scsi/scsi_transport.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace brenlow {

/// Sets the drive's write parameters from an options byte (write type in the
/// low four bits, test write 0x10, buffer-underrun protection 0x40); 1 when
/// the drive took them.
using SetWriteParameters = std::function<int(const DriveAddress& drive, std::uint8_t options)>;

/// Options byte of the second write-parameters call (session at once).
std::uint8_t burnOptions(bool burnProof, bool testWrite);

struct BurnSnapshot {
    std::shared_ptr<ScsiTransport> transport;
    DriveAddress drive;
    QString imagePath;
    std::int64_t imageSize = 0; ///< as the cue sheet load found it
    std::vector<BurnTrack> tracks;
    std::uint16_t speedKbs = 0xFFFF;
    bool burnProof = true;
    bool testWrite = false;
    SetWriteParameters setWriteParameters;
    /// How long a WRITE may be answered "long write in progress" before it fails.
    std::chrono::milliseconds busyWriteLimit{10000};
};

/// The log list's icons.
enum class BurnIcon { Error = 0, CanWrite = 1, Done = 2, Stopped = 3 };

/// One log row: `prefix` followed by the text of language line `line` (line
/// 0: the prefix alone). A line added after the original ones carries its
/// English text, shown when a language file lacks the line, and the value
/// that fills its "%1", if any.
struct BurnRow {
    int line = 0;
    BurnIcon icon = BurnIcon::Done;
    QString prefix;
    QString english;
    QString argument;
};

/// A log line added after the original ones, with its English text.
struct BurnLogLine {
    int line;
    const char* english;
};

enum class BurnOutcome {
    Written,           ///< rows 111 and 115
    Cancelled,         ///< row 113 where 111 would stand
    WriteFailed,       ///< row 114 where 111 would stand, or a session that was not closed; the disc ejected
    PreparationFailed, ///< its row given; nothing written, the disc left in the drive
};

class BurnJob : public QObject {
    Q_OBJECT
public:
    explicit BurnJob(BurnSnapshot snapshot);

    /// Runs the job on the calling thread; emits its rows and progress and,
    /// last, finished. Stops between writes once `stop` is set.
    BurnOutcome run(const std::atomic<bool>& stop);
    /// The same, stopped through requestStop.
    BurnOutcome run() { return run(stop_); }
    void requestStop() { stop_.store(true); }

signals:
    void row(brenlow::BurnRow row);
    /// `sector` of `total` written (shown as line 110, sector, " / ", total).
    void progress(int sector, int total);
    void finished(brenlow::BurnOutcome outcome);

private:
    BurnOutcome work(const std::atomic<bool>& stop);
    bool prepare();
    /// SYNCHRONIZE CACHE and CLOSE TRACK/SESSION, each with its row when it
    /// fails; true when the session was closed.
    bool closeSession();
    bool writeSectors(Lba address, std::uint8_t count, std::span<const std::uint8_t> data);
    void addRow(int line, BurnIcon icon, const QString& prefix = {});
    void addRow(const BurnLogLine& line, BurnIcon icon, const QString& argument);

    BurnSnapshot snapshot_;
    std::atomic<bool> stop_{false};
};

} // namespace brenlow
