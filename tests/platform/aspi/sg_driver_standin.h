#pragma once
// A stand-in for the Linux sg and sr drivers at their system calls. The real
// SgDevice code opens a node, sends SG_IO and closes it; this answers those
// calls from an emulated drive, filling sg_io_hdr_t as the kernel does, and
// gives the errors a real driver gives (refused opens, a drive unplugged in
// the middle, time-outs, both sense formats, short transfers).
//
// With it, a test builds a sysfs tree and device nodes of its own
// (SgMachine), points the real-drive back end at them (QUANDOR_SG_ROOT) and
// runs the same drives on either back end (loadTestDrives below).

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/aspi/emulated_drive.h"
#include "platform/aspi/sg_device.h"

namespace quandor::aspi::test {

class SgDriverStandIn final : public SgSystem {
public:
    /// How a command that outlived its time-out is reported: host byte
    /// DID_TIME_OUT (current kernels) or driver byte DRIVER_TIMEOUT (older ones).
    enum class TimeoutReport { HostTimeOut, DriverTimeout };

    /// The node at `path` (a file the test made) is answered by `drive`.
    void addNode(const std::string& path, std::shared_ptr<EmulatedDrive> drive);

    /// Every open() of the node fails with `error` (0: opens again).
    void failOpen(const std::string& path, int error);
    /// The node may be opened for reading only: O_RDWR is refused with EACCES,
    /// and SG_IO of a writing command on a read-only descriptor with EPERM.
    void makeReadOnly(const std::string& path);
    /// After `successes` more SG_IO calls on the node, every one fails with
    /// `error` (EIO, ENODEV: the drive was unplugged).
    void failIoctlAfter(const std::string& path, int successes, int error);
    /// Data-in transfers of the node's sector reads stop `bytes` short of what
    /// was asked (resid), once for `times` commands.
    void shortenSectorReads(const std::string& path, uint32_t bytes, int times = 1);
    /// Sense data in descriptor format (0x72) instead of fixed (0x70).
    void useDescriptorSense(bool descriptor) { descriptorSense_ = descriptor; }
    void setTimeoutReport(TimeoutReport report) { timeoutReport_ = report; }
    /// Bits outside the status code (vendor and reserved bits), set in every
    /// status byte the drive returns, as some drives do.
    void setStatusExtraBits(uint8_t bits) { statusExtraBits_ = bits; }

    /// How many SG_IO calls reached the node's drive, and how many descriptors
    /// are open now (all of them must be closed again).
    int commandsSent(const std::string& path) const;
    int openDescriptors() const;

    int open(const char* path, int flags) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    int close(int fd) override;
    std::shared_ptr<EmulatedDrive> driveBehind(const std::string& node) const override;

private:
    struct Node {
        std::shared_ptr<EmulatedDrive> drive;
        int openError = 0;
        bool readOnly = false;
        int ioctlSuccessesLeft = -1; // < 0: no failure planned
        int ioctlError = 0;
        uint32_t shortBy = 0;
        int shortTimes = 0;
        int commands = 0;
    };
    struct Descriptor {
        std::string node;
        bool writable = false;
    };
    int sgIo(Node& node, bool writable, void* argument);

    mutable std::mutex mutex_;
    std::map<std::string, Node> nodes_;
    std::map<int, Descriptor> descriptors_;
    std::atomic<bool> descriptorSense_{false};
    std::atomic<TimeoutReport> timeoutReport_{TimeoutReport::HostTimeOut};
    std::atomic<uint8_t> statusExtraBits_{0};
};

/// A machine's sysfs tree and device nodes under a folder, shaped as the kernel
/// makes them: sys/devices/.../hostH/targetH:C:T/H:C:T:L with type, vendor,
/// model and rev, linked from sys/class/scsi_generic/sgN and sys/block/srN.
class SgMachine {
public:
    explicit SgMachine(std::filesystem::path root) : root_(std::move(root)) {}

    struct Device {
        int host = 0, channel = 0, target = 0, lun = 0;
        std::string type = "5"; // the text of the type file, as written
        std::string vendor = "QUANDOR", model = "EMULATED CD-RW", revision = "1.00";
        bool sgNode = true;
        bool srNode = true; // optical drives only
    };
    /// Adds the device; returns the node the back end is expected to use
    /// (its sr node when it has one).
    std::string add(const Device& device);

    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
    int nextSg_ = 0;
    int nextSr_ = 0;
};

/// True when the tests run on the real-drive back end over the stand-in
/// (QUANDOR_TEST_DRIVE_BACKEND=sg), false on the emulated back end.
bool testsUseSgBackEnd();

/// Loads the drives of an emulated-drive INI file on the back end the tests
/// run on: as emulated drives, or as the same drives behind device nodes of the
/// stand-in, discovered by the real-drive back end from a sysfs tree made in
/// `machineFolder`. False with the reason when the file does not load, or when
/// it asks for what only the emulated layer has (its support status, failing
/// adapter inquiries: *unsupported is set then).
bool loadTestDrives(const std::string& iniPath, const std::filesystem::path& machineFolder, std::string* error,
                    bool* unsupported = nullptr);
/// The sg back end's half of loadTestDrives, whatever the tests run on.
bool loadDrivesBehindStandIn(const std::string& iniPath, const std::filesystem::path& machineFolder, std::string* error,
                             bool* unsupported = nullptr);
/// Removes the drives of loadTestDrives, on both back ends; returns how many
/// descriptors of the stand-in's nodes are still open (every one opened must
/// be closed again with its device: 0).
int unloadTestDrives();
/// The stand-in the drives of loadTestDrives are behind (sg back end only).
std::shared_ptr<SgDriverStandIn> testStandIn();

} // namespace quandor::aspi::test
