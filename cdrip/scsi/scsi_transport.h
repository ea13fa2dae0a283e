#pragma once
// One SCSI command sent to one device, and the interface that carries it. The
// program's transport is the ASPI layer (aspi_layer.h); the command functions
// (scsi_commands.h) only build CDBs and read answers, so they are the same
// over any transport.

#include "cdrip/scsi/drive_table.h"
#include "cdrip/scsi/scsi_result.h"

#include <array>
#include <cstdint>
#include <span>

namespace brenlow {

enum class DataDirection { None, In, Out };

struct ScsiCommand {
    std::array<std::uint8_t, 16> cdb{};
    std::uint8_t cdbLength = 0;
    DataDirection direction = DataDirection::None;
    /// Wait on a completion event (else poll the status byte): the INQUIRY of
    /// the scan and the eject are polled, every other command waits on an event.
    bool postEvent = true;
};

class ScsiTransport {
public:
    virtual ~ScsiTransport() = default;
    /// Sends `command` to the device at `address` and waits until it ends.
    /// `data` is the buffer read into or written from (empty for no data).
    /// Safe to call from several threads at once.
    virtual ScsiResult execute(const DriveAddress& address, const ScsiCommand& command,
                               std::span<std::uint8_t> data) = 0;
};

} // namespace brenlow
