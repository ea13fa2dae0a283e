#pragma once
// Real drives through Linux SG_IO on the SCSI generic and optical devices.

#include <memory>
#include <string>
#include <vector>

#include "platform/aspi/scsi_device.h"

namespace quandor::aspi {

class EmulatedDrive;

/// The system calls a real drive is reached through. The machine's own by
/// default; a test puts a stand-in for the sg/sr driver here, so that the code
/// between the layer and the system call is the code users run. Each call
/// returns what the system call returns and sets errno as it does.
class SgSystem {
public:
    virtual ~SgSystem() = default;
    virtual int open(const char* path, int flags) = 0;
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual int close(int fd) = 0;
    /// The emulated drive that answers a node, when a stand-in answers it:
    /// the layer then logs its commands and lets tests reach it as it does an
    /// emulated drive. The machine's nodes have none.
    virtual std::shared_ptr<EmulatedDrive> driveBehind(const std::string& node) const;
};

/// Replaces the system calls of the devices discovered from now on; nullptr
/// restores the machine's.
void setSgSystem(std::shared_ptr<SgSystem> system);
std::shared_ptr<SgSystem> sgSystem();

/// Environment variable naming a folder that stands for the root of the
/// machine when devices are discovered: its sys/ and dev/ are read in place of
/// /sys and /dev (tests build a tree there).
inline constexpr const char* kSgRootVariable = "QUANDOR_SG_ROOT";

/// A SCSI device as Linux names it (host:channel:target:lun) with its node.
struct LinuxScsiDevice {
    int host = 0;
    int channel = 0;
    int target = 0;
    int lun = 0;
    std::string node; // /dev/srN or /dev/sgN
    uint8_t type = 0x1F;
    std::string vendor, model, revision;
};

struct MappedDevice {
    DeviceAddress address;
    LinuxScsiDevice system;
};

/// Gives each host:channel pair its own adapter number, in order, from
/// firstAdapter on; devices whose target or LUN exceed 7 cannot be addressed
/// and are left out.
std::vector<MappedDevice> mapToAspiAddresses(std::vector<LinuxScsiDevice> devices, int firstAdapter);

/// What an SG_IO call reported, reduced to what decides the outcome.
struct SgReply {
    uint8_t scsiStatus = 0;
    uint16_t hostStatus = 0;
    uint16_t driverStatus = 0;
    std::vector<uint8_t> sense;
    uint32_t requested = 0;
    int residual = 0;
};

/// Only GOOD with no host or driver error succeeds; CHECK CONDITION carries
/// the decoded sense; host/driver time-outs are time-outs.
ScsiOutcome interpretSgReply(const SgReply& reply);

struct FoundDevice {
    DeviceAddress address;
    std::shared_ptr<ScsiDevice> device;
    std::shared_ptr<EmulatedDrive> emulated; // the stand-in's drive behind the node, if any
};

/// The machine's SCSI devices from sysfs, mapped to adapter:target:LUN.
std::vector<FoundDevice> discoverSgDevices(int firstAdapter);

/// Time-out for an operation on a real drive: long for the writing commands
/// that finish a disc, the default otherwise.
int realDriveTimeoutMs(uint8_t opcode);

} // namespace quandor::aspi
