#include "tests/platform/aspi/sg_driver_standin.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <scsi/sg.h>
#include <thread>
#include <unistd.h>

#include "platform/aspi/emulated_config.h"
#include "platform/aspi/emulated_drives.h"
#include "platform/aspi/scsi_opcodes.h"

namespace quandor::aspi::test {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Bytes of the host and driver status the kernel reports.
constexpr uint16_t kDidError = 0x07;
constexpr uint16_t kDidTimeOut = 0x03;
constexpr uint16_t kDriverTimeout = 0x06;
constexpr uint16_t kDriverSense = 0x08;
constexpr uint8_t kCheckCondition = 0x02;
constexpr unsigned kDefaultSgTimeoutMs = 60 * 1000; // the block layer's when the header gives 0

std::vector<uint8_t> senseBytes(const SenseData& sense, bool descriptor)
{
    if (descriptor) // response code, key, ASC, ASCQ, three reserved, additional length 0
        return {0x72, sense.key, sense.asc, sense.ascq, 0, 0, 0, 0};
    std::vector<uint8_t> fixed(18, 0);
    encodeSense(sense, fixed);
    return fixed;
}

// Commands the kernel refuses on a descriptor opened without write access.
bool needsWriteAccess(uint8_t opcode)
{
    return op::dataFlowOf(opcode) == op::Flow::Out || opcode == op::Blank || opcode == op::CloseTrackSession
        || opcode == op::SynchronizeCache;
}

bool readsSectors(uint8_t opcode)
{
    return opcode == op::ReadCd || opcode == 0xB9 || opcode == 0x28 || opcode == 0xA8;
}

} // namespace

void SgDriverStandIn::addNode(const std::string& path, std::shared_ptr<EmulatedDrive> drive)
{
    std::lock_guard lock(mutex_);
    nodes_[path].drive = std::move(drive);
}

void SgDriverStandIn::failOpen(const std::string& path, int error)
{
    std::lock_guard lock(mutex_);
    nodes_[path].openError = error;
}

void SgDriverStandIn::makeReadOnly(const std::string& path)
{
    std::lock_guard lock(mutex_);
    nodes_[path].readOnly = true;
}

void SgDriverStandIn::failIoctlAfter(const std::string& path, int successes, int error)
{
    std::lock_guard lock(mutex_);
    nodes_[path].ioctlSuccessesLeft = successes;
    nodes_[path].ioctlError = error;
}

void SgDriverStandIn::shortenSectorReads(const std::string& path, uint32_t bytes, int times)
{
    std::lock_guard lock(mutex_);
    nodes_[path].shortBy = bytes;
    nodes_[path].shortTimes = times;
}

int SgDriverStandIn::commandsSent(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = nodes_.find(path);
    return found == nodes_.end() ? 0 : found->second.commands;
}

int SgDriverStandIn::openDescriptors() const
{
    std::lock_guard lock(mutex_);
    return int(descriptors_.size());
}

std::shared_ptr<EmulatedDrive> SgDriverStandIn::driveBehind(const std::string& node) const
{
    std::lock_guard lock(mutex_);
    const auto found = nodes_.find(node);
    return found == nodes_.end() ? nullptr : found->second.drive;
}

int SgDriverStandIn::open(const char* path, int flags)
{
    std::lock_guard lock(mutex_);
    const auto found = nodes_.find(path);
    const Node* node = found == nodes_.end() ? nullptr : &found->second;
    const bool writable = (flags & O_ACCMODE) != O_RDONLY;
    if (node && (node->openError != 0 || (writable && node->readOnly))) {
        errno = node->openError != 0 ? node->openError : EACCES;
        return -1;
    }
    if (!node || !node->drive) {
        errno = ENXIO; // a node with no device behind it
        return -1;
    }
    // A real descriptor of the node file the test made: its number is unique
    // and a descriptor left open shows as one.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    descriptors_[fd] = {path, writable};
    return fd;
}

int SgDriverStandIn::close(int fd)
{
    {
        std::lock_guard lock(mutex_);
        if (descriptors_.erase(fd) == 0) {
            errno = EBADF;
            return -1;
        }
    }
    return ::close(fd);
}

int SgDriverStandIn::ioctl(int fd, unsigned long request, void* argument)
{
    Node* node = nullptr;
    bool writable = false;
    {
        std::lock_guard lock(mutex_);
        const auto found = descriptors_.find(fd);
        if (found == descriptors_.end()) {
            errno = EBADF;
            return -1;
        }
        if (request != SG_IO) {
            errno = ENOTTY;
            return -1;
        }
        node = &nodes_.at(found->second.node);
        writable = found->second.writable;
        if (node->ioctlSuccessesLeft == 0) {
            errno = node->ioctlError;
            return -1;
        }
        if (node->ioctlSuccessesLeft > 0)
            --node->ioctlSuccessesLeft;
    }
    return sgIo(*node, writable, argument);
}

// The block layer's SG_IO: checks the header, runs the command, then fills the
// header's answer fields and copies to the caller only what was transferred.
int SgDriverStandIn::sgIo(Node& node, bool writable, void* argument)
{
    auto& io = *static_cast<sg_io_hdr_t*>(argument);
    if (io.interface_id != 'S' || io.cmd_len < 6 || io.cmd_len > 16 || !io.cmdp) {
        errno = EINVAL;
        return -1;
    }
    const bool in = io.dxfer_direction == SG_DXFER_FROM_DEV;
    const bool out = io.dxfer_direction == SG_DXFER_TO_DEV;
    if (!in && !out && io.dxfer_direction != SG_DXFER_NONE) {
        errno = EINVAL;
        return -1;
    }
    if ((in || out) && io.dxfer_len > 0 && !io.dxferp) {
        errno = EFAULT;
        return -1;
    }
    const std::vector<uint8_t> cdb(io.cmdp, io.cmdp + io.cmd_len);
    if (!writable && needsWriteAccess(cdb[0])) {
        errno = EPERM;
        return -1;
    }
    const uint32_t length = (in || out) ? io.dxfer_len : 0;
    std::vector<uint8_t> data(length, 0);
    if (out)
        std::memcpy(data.data(), io.dxferp, length);

    ScsiCommand command;
    command.cdb = cdb;
    command.direction = in ? DataDirection::In : out ? DataDirection::Out : DataDirection::None;
    command.data = data;
    const unsigned timeoutMs = io.timeout ? io.timeout : kDefaultSgTimeoutMs;
    command.timeoutMs = int(timeoutMs);
    const auto started = Clock::now();
    const auto deadline = started + std::chrono::milliseconds(timeoutMs);
    ScsiOutcome outcome = node.drive->execute(command);
    {
        std::lock_guard lock(mutex_);
        ++node.commands;
    }
    if (outcome.kind == ScsiOutcome::Kind::NeverCompletes) {
        std::this_thread::sleep_until(deadline); // the midlayer aborts it at its time-out
        outcome.kind = ScsiOutcome::Kind::TimedOut;
    } else if (Clock::now() > deadline) {
        outcome.kind = ScsiOutcome::Kind::TimedOut;
    }

    io.status = io.masked_status = io.msg_status = 0;
    io.host_status = io.driver_status = 0;
    io.sb_len_wr = 0;
    io.resid = int(length);
    io.info = 0;
    io.duration = unsigned(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count());
    std::vector<uint8_t> sense;
    switch (outcome.kind) {
    case ScsiOutcome::Kind::Completed: {
        io.status = uint8_t(outcome.targetStatus | statusExtraBits_.load());
        uint32_t transferred = outcome.targetStatus == 0 ? std::min(outcome.transferred, length) : 0;
        if (outcome.targetStatus == 0 && in && readsSectors(cdb[0])) {
            std::lock_guard lock(mutex_);
            if (node.shortTimes > 0) {
                --node.shortTimes;
                transferred -= std::min(transferred, node.shortBy);
            }
        }
        if (in)
            std::memcpy(io.dxferp, data.data(), transferred);
        io.resid = int(length - transferred);
        if (outcome.targetStatus == kCheckCondition && outcome.sense.any())
            sense = senseBytes(outcome.sense, descriptorSense_);
        break;
    }
    case ScsiOutcome::Kind::TransportError:
        io.host_status = kDidError;
        break;
    case ScsiOutcome::Kind::TimedOut:
    case ScsiOutcome::Kind::NeverCompletes:
        if (timeoutReport_ == TimeoutReport::HostTimeOut)
            io.host_status = kDidTimeOut;
        else
            io.driver_status = kDriverTimeout;
        break;
    }
    io.masked_status = uint8_t((io.status >> 1) & 0x7F);
    if (!sense.empty()) {
        io.driver_status |= kDriverSense;
        if (io.sbp) {
            io.sb_len_wr = uint8_t(std::min<size_t>(io.mx_sb_len, sense.size()));
            std::memcpy(io.sbp, sense.data(), io.sb_len_wr);
        }
    }
    if (io.masked_status || io.host_status || io.driver_status)
        io.info |= SG_INFO_CHECK;
    return 0;
}

// --- the sysfs tree ------------------------------------------------------------

namespace {

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

std::string SgMachine::add(const Device& device)
{
    const std::string hctl = std::to_string(device.host) + ":" + std::to_string(device.channel) + ":"
        + std::to_string(device.target) + ":" + std::to_string(device.lun);
    const fs::path folder = root_ / "sys/devices/pci0000:00/0000:00:1f.2/ata2" / ("host" + std::to_string(device.host))
        / ("target" + std::to_string(device.host) + ":" + std::to_string(device.channel) + ":"
           + std::to_string(device.target))
        / hctl;
    writeFile(folder / "type", device.type + "\n");
    writeFile(folder / "vendor", device.vendor + "\n");
    writeFile(folder / "model", device.model + "\n");
    writeFile(folder / "rev", device.revision + "\n");
    std::string used;
    if (device.sgNode) {
        const std::string name = "sg" + std::to_string(nextSg_++);
        fs::create_directories(root_ / "sys/class/scsi_generic" / name);
        fs::create_directory_symlink(folder, root_ / "sys/class/scsi_generic" / name / "device");
        fs::create_directories(folder / "scsi_generic" / name);
        writeFile(root_ / "dev" / name, "");
        used = (root_ / "dev" / name).string();
    }
    if (device.srNode) {
        const std::string name = "sr" + std::to_string(nextSr_++);
        fs::create_directories(root_ / "sys/block" / name);
        fs::create_directory_symlink(folder, root_ / "sys/block" / name / "device");
        fs::create_directories(folder / "block" / name);
        writeFile(root_ / "dev" / name, "");
        used = (root_ / "dev" / name).string();
    }
    return used;
}

// --- one set of drives on either back end ------------------------------------------

namespace {

std::mutex standInMutex;
std::shared_ptr<SgDriverStandIn> currentStandIn;

} // namespace

bool testsUseSgBackEnd()
{
    const char* backEnd = std::getenv("QUANDOR_TEST_DRIVE_BACKEND");
    return backEnd && std::string(backEnd) == "sg";
}

std::shared_ptr<SgDriverStandIn> testStandIn()
{
    std::lock_guard lock(standInMutex);
    return currentStandIn;
}

bool loadTestDrives(const std::string& iniPath, const fs::path& machineFolder, std::string* error, bool* unsupported)
{
    if (unsupported)
        *unsupported = false;
    if (!testsUseSgBackEnd())
        return loadEmulatedDrives(iniPath, error);
    return loadDrivesBehindStandIn(iniPath, machineFolder, error, unsupported);
}

bool loadDrivesBehindStandIn(const std::string& iniPath, const fs::path& machineFolder, std::string* error,
                             bool* unsupported)
{
    if (unsupported)
        *unsupported = false;
    auto config = parseEmulatedConfig(iniPath, error);
    if (!config)
        return false;
    if (config->supportStatus != 0x01 || !config->failingAdapterInquiries.empty() || config->realDrives) {
        if (error)
            *error = "the drives need the emulated layer itself (support status, adapter inquiries)";
        if (unsupported)
            *unsupported = true;
        return false;
    }
    const fs::path root = machineFolder / "machine";
    std::error_code ignored;
    fs::remove_all(root, ignored);
    SgMachine machine(root);
    auto standIn = std::make_shared<SgDriverStandIn>();
    int adapters = config->adapterCount;
    for (const EmulatedDriveConfig& drive : config->drives)
        adapters = std::max(adapters, drive.address.adapter + 1);
    for (int adapter = 0; adapter < adapters; ++adapter) {
        const bool used = std::any_of(config->drives.begin(), config->drives.end(),
                                      [adapter](const auto& drive) { return drive.address.adapter == adapter; });
        // Adapters come in the order of the hosts that have devices: a disk
        // keeps an adapter without drives in its place, as on most machines.
        if (!used)
            machine.add({adapter, 0, 0, 0, "0", "ATA", "QUANDOR DISK", "1.0", true, false});
    }
    for (const EmulatedDriveConfig& drive : config->drives) {
        SgMachine::Device device{drive.address.adapter,
                                 0,
                                 drive.address.target,
                                 drive.address.lun,
                                 std::to_string(drive.deviceType),
                                 drive.vendor,
                                 drive.product,
                                 drive.revision,
                                 true,
                                 drive.deviceType == 5};
        const std::string node = machine.add(device);
        std::shared_ptr<EmulatedDrive> emulated = EmulatedDrive::create(drive, error);
        if (!emulated)
            return false;
        standIn->addNode(node, std::move(emulated));
    }
    {
        std::lock_guard lock(standInMutex);
        currentStandIn = standIn;
    }
    setSgSystem(standIn);
    ::setenv(kSgRootVariable, root.c_str(), 1);
    unloadEmulatedDrives(); // the layer discovers the machine: the tree above
    return true;
}

int unloadTestDrives()
{
    ::unsetenv(kSgRootVariable);
    setSgSystem(nullptr);
    unloadEmulatedDrives();
    std::shared_ptr<SgDriverStandIn> standIn;
    {
        std::lock_guard lock(standInMutex);
        standIn = std::move(currentStandIn);
    }
    return standIn ? standIn->openDescriptors() : 0;
}

} // namespace quandor::aspi::test
