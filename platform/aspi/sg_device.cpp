#include "platform/aspi/sg_device.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/aspi/aspi.h"
#include "platform/aspi/emulated_drive.h"
#include "platform/aspi/scsi_opcodes.h"

namespace quandor::aspi {

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kHostTimeOut = 0x03;   // DID_TIME_OUT
constexpr uint16_t kDriverTimeout = 0x06; // DRIVER_TIMEOUT
constexpr uint16_t kDriverSense = 0x08;   // DRIVER_SENSE: sense data is valid

std::string readSysfs(const fs::path& path)
{
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n'))
        text.pop_back();
    return text;
}

bool parseHctl(const std::string& name, LinuxScsiDevice& device)
{
    char c1 = 0, c2 = 0, c3 = 0;
    std::istringstream in(name);
    return bool(in >> device.host >> c1 >> device.channel >> c2 >> device.target >> c3 >> device.lun) && c1 == ':'
        && c2 == ':' && c3 == ':';
}

// The peripheral device type as sysfs writes it: a decimal number 0..31.
std::optional<uint8_t> parseType(const std::string& text)
{
    if (text.empty() || text.size() > 2
        || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(text);
    return value <= 0x1F ? std::optional<uint8_t>(uint8_t(value)) : std::nullopt;
}

// Reads type, identification and node of one sysfs device folder.
std::optional<LinuxScsiDevice> describe(const fs::path& deviceFolder, const std::string& node, const std::string& dev)
{
    LinuxScsiDevice device;
    std::error_code ec;
    const fs::path real = fs::canonical(deviceFolder, ec);
    if (ec || !parseHctl(real.filename().string(), device))
        return std::nullopt;
    const std::optional<uint8_t> type = parseType(readSysfs(deviceFolder / "type"));
    if (!type)
        return std::nullopt; // not a device we can tell anything about
    device.type = *type;
    device.vendor = readSysfs(deviceFolder / "vendor");
    device.model = readSysfs(deviceFolder / "model");
    device.revision = readSysfs(deviceFolder / "rev");
    device.node = node;
    // Optical drives are used through their sr node when there is one: it is
    // the node desktop users are given access to.
    for (const auto& entry : fs::directory_iterator(deviceFolder / "block", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("sr", 0) == 0)
            device.node = dev + name;
    }
    return device;
}

// The machine's own system calls.
class MachineSgSystem final : public SgSystem {
public:
    int open(const char* path, int flags) override { return ::open(path, flags); }
    int ioctl(int fd, unsigned long request, void* argument) override { return ::ioctl(fd, request, argument); }
    int close(int fd) override { return ::close(fd); }
};

std::mutex systemMutex;

std::shared_ptr<SgSystem>& currentSystem()
{
    static std::shared_ptr<SgSystem> system = std::make_shared<MachineSgSystem>();
    return system;
}

// Whether the command reads the medium's sectors, and asks for at least one:
// a short transfer then leaves sectors missing, where other answers (a table of
// contents, an inquiry) are simply shorter than the space given for them.
bool readsSectors(std::span<const uint8_t> cdb)
{
    auto count = [&cdb](size_t from, size_t bytes) {
        uint32_t value = 0;
        for (size_t i = from; i < from + bytes && i < cdb.size(); ++i)
            value = value << 8 | cdb[i];
        return value;
    };
    switch (cdb[0]) {
    case op::ReadCd:
        return count(6, 3) > 0;
    case 0x28: // READ(10)
        return count(7, 2) > 0;
    case 0xA8: // READ(12)
        return count(6, 4) > 0;
    default:
        return false;
    }
}

DeviceAccessProblem accessProblemOf(const std::string& node, int error)
{
    DeviceAccessProblem problem{node, "cdrom", std::strerror(error)};
    struct stat status {};
    if (::stat(node.c_str(), &status) == 0 && status.st_gid != 0) {
        if (const struct group* owner = ::getgrgid(status.st_gid))
            problem.group = owner->gr_name;
    }
    return problem;
}

// The command block at its group's length: bytes beyond the caller's length are 0.
std::vector<uint8_t> paddedCdb(const ScsiCommand& command)
{
    std::vector<uint8_t> cdb(command.cdb.begin(), command.cdb.end());
    const size_t groupLength = size_t(op::cdbLengthOf(command.cdb[0]));
    if (cdb.size() < groupLength)
        cdb.resize(groupLength, 0);
    return cdb;
}

// A known command moves its data its own way, whatever the caller said; an
// unknown one keeps the caller's direction.
DataDirection directionOf(const ScsiCommand& command)
{
    const uint8_t opcode = command.cdb[0];
    if (op::name(opcode) == std::string("UNKNOWN"))
        return command.direction;
    const op::Flow flow = op::dataFlowOf(opcode);
    return flow == op::Flow::None ? DataDirection::None : flow == op::Flow::In ? DataDirection::In : DataDirection::Out;
}

// The request points into cdb, sense and the command's data, which outlive it.
sg_io_hdr_t sgRequest(const ScsiCommand& command, DataDirection direction, std::vector<uint8_t>& cdb,
                      std::vector<uint8_t>& sense)
{
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmdp = cdb.data();
    io.cmd_len = uint8_t(cdb.size());
    io.sbp = sense.data();
    io.mx_sb_len = uint8_t(sense.size());
    io.timeout = unsigned(command.timeoutMs);
    if (direction == DataDirection::None || command.data.empty()) {
        io.dxfer_direction = SG_DXFER_NONE;
    } else {
        io.dxfer_direction = direction == DataDirection::In ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
        io.dxferp = command.data.data();
        io.dxfer_len = unsigned(command.data.size());
    }
    return io;
}

SgReply sgReply(const sg_io_hdr_t& io, const std::vector<uint8_t>& sense)
{
    SgReply reply;
    reply.scsiStatus = io.status;
    reply.hostStatus = io.host_status;
    reply.driverStatus = io.driver_status;
    reply.sense.assign(sense.begin(), sense.begin() + std::min<size_t>(io.sb_len_wr, sense.size()));
    reply.requested = io.dxfer_len;
    reply.residual = io.resid;
    return reply;
}

class SgDevice final : public ScsiDevice {
public:
    SgDevice(LinuxScsiDevice info, std::shared_ptr<SgSystem> system)
        : info_(std::move(info)),
          system_(std::move(system)),
          drive_(system_->driveBehind(info_.node))
    {}
    ~SgDevice() override { closeNode(); }
    SgDevice(const SgDevice&) = delete;
    SgDevice& operator=(const SgDevice&) = delete;

    uint8_t deviceType() const override { return info_.type; }
    // A stand-in's drive keeps the time-outs it is configured with, so that
    // tests of a hung drive need not wait for a real drive's.
    int timeoutMs(uint8_t opcode) const override
    {
        return drive_ ? drive_->timeoutMs(opcode) : realDriveTimeoutMs(opcode);
    }
    bool logsCommands() const override { return drive_ != nullptr; }
    std::optional<DeviceAccessProblem> accessProblem() const override
    {
        std::lock_guard lock(problemMutex_);
        return problem_;
    }

    ScsiOutcome execute(const ScsiCommand& command) override
    {
        // Commands go to optical drives only; other devices (disks above all)
        // get their identification from sysfs and nothing else.
        if (info_.type != 5)
            return answerFromSysfs(command);
        if (const int error = open(); error != 0)
            return refusedOpen(error);
        return send(command);
    }

private:
    ScsiOutcome send(const ScsiCommand& command)
    {
        std::vector<uint8_t> cdb = paddedCdb(command);
        const DataDirection direction = directionOf(command);
        std::vector<uint8_t> sense(32, 0);
        sg_io_hdr_t io = sgRequest(command, direction, cdb, sense);
        if (system_->ioctl(fd_, SG_IO, &io) < 0)
            return failedRequest(errno);
        ScsiOutcome outcome = interpretSgReply(sgReply(io, sense));
        if (outcome.succeeded() && direction == DataDirection::In && readsSectors(cdb)
            && outcome.transferred < io.dxfer_len)
            return {ScsiOutcome::Kind::TransportError, 0, {}, outcome.transferred}; // sectors missing: no audio
        return outcome;
    }

    ScsiOutcome failedRequest(int error)
    {
        if (error == EACCES || error == EPERM)
            setProblem(accessProblemOf(info_.node, error)); // opened read-only: writing is refused
        else
            closeNode(); // reopen next time (the drive may have gone)
        return {ScsiOutcome::Kind::TransportError, 0, {}, 0};
    }

    // 0 when the node is open, else the errno of the refusal.
    int open()
    {
        if (fd_ >= 0)
            return 0;
        // Read-write so that writing commands pass; read-only where that is all we may.
        int fd = system_->open(info_.node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
            fd = system_->open(info_.node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno;
        fd_ = fd;
        return 0;
    }

    ScsiOutcome refusedOpen(int error)
    {
        switch (error) {
        case EACCES:
        case EPERM:
            setProblem(accessProblemOf(info_.node, error));
            return {ScsiOutcome::Kind::TransportError, 0, {}, 0};
        case ENOMEDIUM:
            return ScsiOutcome::checkCondition(kSenseNoMedium);
        default: // ENXIO, ENODEV, ENOENT: the drive is not there (any more)
            return {ScsiOutcome::Kind::TransportError, 0, {}, 0};
        }
    }

    void closeNode()
    {
        if (fd_ >= 0)
            system_->close(fd_);
        fd_ = -1;
    }

    void setProblem(DeviceAccessProblem problem)
    {
        std::lock_guard lock(problemMutex_);
        problem_ = std::move(problem);
    }

    ScsiOutcome answerFromSysfs(const ScsiCommand& command)
    {
        if (command.cdb[0] == op::TestUnitReady)
            return ScsiOutcome::good();
        if (command.cdb[0] != op::Inquiry || (command.cdb.size() > 1 && (command.cdb[1] & 1)))
            return ScsiOutcome::checkCondition(kSenseInvalidOpcode);
        std::vector<uint8_t> answer(36, ' ');
        answer[0] = info_.type;
        answer[1] = answer[2] = answer[3] = 0;
        answer[4] = 31;
        answer[5] = answer[6] = answer[7] = 0;
        auto put = [&answer](size_t at, size_t width, const std::string& text) {
            std::copy_n(text.begin(), std::min(width, text.size()), answer.begin() + at);
        };
        put(8, 8, info_.vendor);
        put(16, 16, info_.model);
        put(32, 4, info_.revision);
        const size_t bytes = std::min(answer.size(), command.data.size());
        std::copy_n(answer.begin(), bytes, command.data.begin());
        return ScsiOutcome::good(uint32_t(bytes));
    }

    LinuxScsiDevice info_;
    std::shared_ptr<SgSystem> system_;
    std::shared_ptr<EmulatedDrive> drive_;
    int fd_ = -1;
    mutable std::mutex problemMutex_;
    std::optional<DeviceAccessProblem> problem_;
};

} // namespace

std::vector<MappedDevice> mapToAspiAddresses(std::vector<LinuxScsiDevice> devices, int firstAdapter)
{
    std::sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) {
        return std::tie(a.host, a.channel, a.target, a.lun) < std::tie(b.host, b.channel, b.target, b.lun);
    });
    std::map<std::pair<int, int>, int> adapters;
    std::vector<MappedDevice> mapped;
    for (const LinuxScsiDevice& device : devices) {
        if (device.target < 0 || device.target > 7 || device.lun < 0 || device.lun > 7)
            continue;
        const auto key = std::make_pair(device.host, device.channel);
        auto found = adapters.find(key);
        if (found == adapters.end())
            found = adapters.emplace(key, firstAdapter + int(adapters.size())).first;
        if (found->second > 255)
            continue;
        mapped.push_back({{found->second, device.target, device.lun}, device});
    }
    return mapped;
}

ScsiOutcome interpretSgReply(const SgReply& reply)
{
    if (reply.hostStatus == kHostTimeOut || (reply.driverStatus & 0x0F) == kDriverTimeout)
        return {ScsiOutcome::Kind::TimedOut, 0, {}, 0};
    if (reply.hostStatus != 0 || (reply.driverStatus & ~kDriverSense) != 0)
        return {ScsiOutcome::Kind::TransportError, reply.scsiStatus, decodeSense(reply.sense), 0};
    const uint8_t status = reply.scsiStatus & 0x3E;
    if (status == AspiTargetGood && !(reply.driverStatus & kDriverSense)) {
        const int residual = std::clamp(reply.residual, 0, int(reply.requested));
        return ScsiOutcome::good(reply.requested - uint32_t(residual));
    }
    ScsiOutcome outcome;
    outcome.kind = ScsiOutcome::Kind::Completed;
    outcome.targetStatus = status == AspiTargetGood ? uint8_t(AspiTargetCheckCondition) : status;
    outcome.sense = decodeSense(reply.sense);
    return outcome;
}

int realDriveTimeoutMs(uint8_t opcode)
{
    switch (opcode) {
    case op::Blank:
        return 3600 * 1000; // a full blank without the immediate bit
    case op::CloseTrackSession:
    case op::SynchronizeCache:
        return 600 * 1000;
    case op::Write10:
    case op::SendCueSheet:
        return 120 * 1000;
    default:
        return quandor::aspi::kAspiDefaultTimeoutMs;
    }
}

std::shared_ptr<EmulatedDrive> SgSystem::driveBehind(const std::string& /*node*/) const
{
    return nullptr;
}

void setSgSystem(std::shared_ptr<SgSystem> system)
{
    std::lock_guard lock(systemMutex);
    currentSystem() = system ? std::move(system) : std::make_shared<MachineSgSystem>();
}

std::shared_ptr<SgSystem> sgSystem()
{
    std::lock_guard lock(systemMutex);
    return currentSystem();
}

std::vector<FoundDevice> discoverSgDevices(int firstAdapter)
{
    const char* rootVariable = std::getenv(kSgRootVariable);
    const fs::path root = rootVariable && *rootVariable ? fs::path(rootVariable) : fs::path("/");
    const fs::path sys = root / "sys";
    const std::string dev = (root / "dev").string() + "/";
    std::vector<LinuxScsiDevice> devices;
    auto add = [&devices](std::optional<LinuxScsiDevice> device) {
        const auto same = [&device](const LinuxScsiDevice& known) {
            return std::tie(known.host, known.channel, known.target, known.lun)
                == std::tie(device->host, device->channel, device->target, device->lun);
        };
        if (device && std::none_of(devices.begin(), devices.end(), same))
            devices.push_back(std::move(*device));
    };
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sys / "class/scsi_generic", ec)) {
        const std::string name = entry.path().filename().string();
        add(describe(entry.path() / "device", dev + name, dev));
    }
    // Optical drives without an sg node (no sg module, or none for this one).
    for (const auto& entry : fs::directory_iterator(sys / "block", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("sr", 0) == 0)
            add(describe(entry.path() / "device", dev + name, dev));
    }
    const std::shared_ptr<SgSystem> system = sgSystem();
    std::vector<FoundDevice> found;
    for (const MappedDevice& mapped : mapToAspiAddresses(devices, firstAdapter)) {
        auto device = std::make_shared<SgDevice>(mapped.system, system);
        found.push_back({mapped.address, device, system->driveBehind(mapped.system.node)});
    }
    return found;
}

} // namespace quandor::aspi
