#include "platform/aspi/sg_device.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/aspi/aspi.h"
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

// Reads type, identification and node of one sysfs device folder.
std::optional<LinuxScsiDevice> describe(const fs::path& deviceFolder, const std::string& node)
{
    LinuxScsiDevice device;
    std::error_code ec;
    const fs::path real = fs::canonical(deviceFolder, ec);
    if (ec || !parseHctl(real.filename().string(), device))
        return std::nullopt;
    const std::string type = readSysfs(deviceFolder / "type");
    device.type = type.empty() ? 0x1F : uint8_t(std::stoi(type));
    device.vendor = readSysfs(deviceFolder / "vendor");
    device.model = readSysfs(deviceFolder / "model");
    device.revision = readSysfs(deviceFolder / "rev");
    device.node = node;
    // Optical drives are used through their sr node when there is one: it is
    // the node desktop users are given access to.
    for (const auto& entry : fs::directory_iterator(deviceFolder / "block", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("sr", 0) == 0)
            device.node = "/dev/" + name;
    }
    return device;
}

class FileDescriptor {
public:
    FileDescriptor() = default;
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }

private:
    int fd_ = -1;
};

class SgDevice final : public ScsiDevice {
public:
    explicit SgDevice(LinuxScsiDevice info) : info_(std::move(info)) {}

    uint8_t deviceType() const override { return info_.type; }
    int timeoutMs(uint8_t opcode) const override { return realDriveTimeoutMs(opcode); }

    ScsiOutcome execute(const ScsiCommand& command) override
    {
        const uint8_t opcode = command.cdb[0];
        // Commands go to optical drives only; other devices (disks above all)
        // get their identification from sysfs and nothing else.
        if (info_.type != 5)
            return answerFromSysfs(command);
        if (!open())
            return {ScsiOutcome::Kind::TransportError, 0, kSenseNotReadyCauseUnknown, 0};

        std::vector<uint8_t> cdb(command.cdb.begin(), command.cdb.end());
        const size_t groupLength = size_t(op::cdbLengthOf(opcode));
        if (cdb.size() < groupLength)
            cdb.resize(groupLength, 0); // bytes beyond the caller's length are 0
        DataDirection direction = command.direction;
        if (op::name(opcode) != std::string("UNKNOWN")) {
            const op::Flow flow = op::dataFlowOf(opcode);
            direction = flow == op::Flow::None ? DataDirection::None
                : flow == op::Flow::In         ? DataDirection::In
                                               : DataDirection::Out;
        }
        std::vector<uint8_t> sense(32, 0);
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
        if (ioctl(fd_.get(), SG_IO, &io) < 0) {
            fd_.reset(); // reopen next time (the drive may have gone)
            return {ScsiOutcome::Kind::TransportError, 0, {}, 0};
        }
        SgReply reply;
        reply.scsiStatus = io.status;
        reply.hostStatus = io.host_status;
        reply.driverStatus = io.driver_status;
        reply.sense.assign(sense.begin(), sense.begin() + io.sb_len_wr);
        reply.requested = io.dxfer_len;
        reply.residual = io.resid;
        return interpretSgReply(reply);
    }

private:
    bool open()
    {
        if (fd_.get() >= 0)
            return true;
        // Read-write so that writing commands pass; read-only where that is all we may.
        int fd = ::open(info_.node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            fd = ::open(info_.node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        fd_.reset(fd);
        return fd >= 0;
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
    FileDescriptor fd_;
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

std::vector<FoundDevice> discoverSgDevices(int firstAdapter)
{
    std::vector<LinuxScsiDevice> devices;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/sys/class/scsi_generic", ec)) {
        const std::string name = entry.path().filename().string();
        if (auto device = describe(entry.path() / "device", "/dev/" + name))
            devices.push_back(*device);
    }
    if (devices.empty()) { // no sg module: the optical block devices alone
        for (const auto& entry : fs::directory_iterator("/sys/block", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("sr", 0) != 0)
                continue;
            if (auto device = describe(entry.path() / "device", "/dev/" + name))
                devices.push_back(*device);
        }
    }
    std::vector<FoundDevice> found;
    for (const MappedDevice& mapped : mapToAspiAddresses(devices, firstAdapter))
        found.push_back({mapped.address, std::make_shared<SgDevice>(mapped.system)});
    return found;
}

} // namespace quandor::aspi
