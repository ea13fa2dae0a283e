#pragma once
// The burner's test of the disc in a drive (READ DVD STRUCTURE, MODE SENSE
// page 2A, READ DISC INFORMATION) as a job: the burner dialog runs it on a
// worker thread, so a drive that takes its time holds up the worker, never
// the window.

#include "cdrip/scsi/burn_speed.h"
#include "cdrip/scsi/scsi_transport.h"
#include "cdrip/scsi/writer_commands.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>

namespace brenlow {

struct DiscTestResult {
    bool dvd = false;                                 ///< answered READ DVD STRUCTURE; nothing else asked
    std::uint16_t maxWriteSpeed = kUnknownWriteSpeed; ///< kB/s, from the capabilities page
    scsi::DiscState state = scsi::DiscState::NoAnswer;
    std::optional<int> capacitySectors; ///< of a blank disc, when the drive says
};

/// Runs the three queries on the calling thread.
DiscTestResult testBurnerDisc(ScsiTransport& transport, const DriveAddress& drive);

class DiscTestJob : public QObject {
    Q_OBJECT
public:
    DiscTestJob(std::shared_ptr<ScsiTransport> transport, DriveAddress drive);
    /// Tests the disc on the calling thread and emits finished.
    DiscTestResult run();

signals:
    void finished(brenlow::DiscTestResult result);

private:
    std::shared_ptr<ScsiTransport> transport_;
    DriveAddress drive_;
};

} // namespace brenlow
