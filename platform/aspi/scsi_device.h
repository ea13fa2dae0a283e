#pragma once
// The one interface every back end implements: run one CDB on one device.

#include <cstdint>
#include <optional>
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

/// A drive node the user may not open for reading and writing: what a program
/// needs to tell the user, in its own words, what to change.
struct DeviceAccessProblem {
    std::string node;   ///< the device node, /dev/sr0
    std::string group;  ///< the group that owns the node ("cdrom" when it cannot be told)
    std::string reason; ///< the system's reason ("Permission denied")
    bool operator==(const DeviceAccessProblem&) const = default;
};

/// The English text of an access problem.
std::string accessProblemText(const DeviceAccessProblem& problem);

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
    /// The node the user may not open, while that stands in the device's way.
    virtual std::optional<DeviceAccessProblem> accessProblem() const { return std::nullopt; }
    /// The same in English words; empty while nothing stands in the way.
    std::string problem() const
    {
        const auto access = accessProblem();
        return access ? accessProblemText(*access) : std::string();
    }
    /// Runs one command; called from one thread per device at a time.
    virtual ScsiOutcome execute(const ScsiCommand& command) = 0;
};

} // namespace quandor::aspi
