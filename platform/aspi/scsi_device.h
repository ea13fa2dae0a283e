#pragma once
// The one interface every back end implements: run one CDB on one device.

#include <cstdint>
#include <span>
#include <string>

#include "platform/aspi/scsi_types.h"
#include "platform/aspi/sense.h"

namespace quandor::aspi {

struct ScsiCommand {
    std::span<const uint8_t> cdb;
    DataDirection direction = DataDirection::None;
    std::span<uint8_t> data; // in: to be filled; out: to be sent
    int timeoutMs = 0;
};

struct ScsiOutcome {
    enum class Kind {
        Completed,      // the target answered: see targetStatus and sense
        TransportError, // host adapter or driver failure
        TimedOut,       // no answer within the time-out
        NeverCompletes, // the device swallowed the command; the layer's time-out ends it
    };
    Kind kind = Kind::Completed;
    uint8_t targetStatus = 0; // 0 GOOD, 2 CHECK CONDITION, 8 BUSY
    SenseData sense;
    uint32_t transferred = 0;

    static ScsiOutcome good(uint32_t bytes = 0) { return {Kind::Completed, 0, {}, bytes}; }
    static ScsiOutcome checkCondition(SenseData sense) { return {Kind::Completed, 2, sense, 0}; }
    bool succeeded() const { return kind == Kind::Completed && targetStatus == 0; }
};

class ScsiDevice {
public:
    virtual ~ScsiDevice() = default;
    /// Peripheral device type (5 = CD-ROM) as the get-device-type request reports it.
    virtual uint8_t deviceType() const = 0;
    /// Time-out given to each request to this device, in milliseconds.
    virtual int timeoutMs(uint8_t opcode) const = 0;
    /// Whether the layer logs the commands of this device (emulated drives).
    virtual bool logsCommands() const { return false; }
    /// Whether a command with this opcode ends at once, with no wait for the
    /// medium, so the layer may run it on the sending thread.
    virtual bool answersAtOnce(uint8_t /*opcode*/) const { return false; }
    /// Why the device cannot be used, in words for the user (the node it may
    /// not open, ...); empty while nothing stands in the way.
    virtual std::string problem() const { return {}; }
    /// Runs one command; called from one thread per device at a time.
    virtual ScsiOutcome execute(const ScsiCommand& command) = 0;
};

} // namespace quandor::aspi
