// The layer's exported functions: the two C entry points Brenlow resolves by
// name, and the control functions of the emulated drives.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/aspi/aspi.h"
#include "platform/aspi/aspi_layer.h"
#include "platform/aspi/emulated_drive.h"
#include "platform/aspi/emulated_drives.h"

using quandor::aspi::AspiLayer;

extern "C" uint32_t GetASPI32SupportInfo(void)
{
    try {
        return AspiLayer::instance().supportInfo();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ASPI layer: %s\n", error.what());
        return uint32_t(AspiSupportNoManager) << 8;
    }
}

extern "C" uint32_t SendASPI32Command(void* request)
{
    try {
        return AspiLayer::instance().send(request);
    } catch (const std::exception& error) {
        // Nothing may leave a C entry point; the request fails instead.
        std::fprintf(stderr, "ASPI layer: %s\n", error.what());
        if (request) {
            auto* header = static_cast<AspiRequestHeader*>(request);
            std::atomic_ref<uint8_t>(header->status).store(AspiStatusError);
        }
        return AspiStatusError;
    }
}

namespace {

// Copies at most size - 1 bytes and a terminating 0; returns the whole length.
uint32_t copyText(const std::string& value, char* text, uint32_t size)
{
    if (text && size > 0) {
        const size_t copied = std::min<size_t>(value.size(), size - 1);
        std::memcpy(text, value.data(), copied);
        text[copied] = 0;
    }
    return uint32_t(value.size());
}

std::string accessFact(const std::optional<quandor::aspi::DeviceAccessProblem>& problem, uint32_t fact)
{
    if (!problem)
        return {};
    switch (fact) {
    case AspiAccessNode:
        return problem->node;
    case AspiAccessGroup:
        return problem->group;
    case AspiAccessReason:
        return problem->reason;
    default:
        return {};
    }
}

} // namespace

extern "C" uint32_t GetASPI32DeviceProblem(uint8_t adapter, uint8_t target, uint8_t lun, char* text, uint32_t size)
{
    try {
        const auto problem = AspiLayer::instance().deviceAccessProblem({adapter, target, lun});
        return copyText(problem ? quandor::aspi::accessProblemText(*problem) : std::string(), text, size);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ASPI layer: %s\n", error.what());
        return 0;
    }
}

extern "C" uint32_t GetASPI32DeviceAccess(uint8_t adapter, uint8_t target, uint8_t lun, uint32_t fact, char* text,
                                          uint32_t size)
{
    try {
        return copyText(accessFact(AspiLayer::instance().deviceAccessProblem({adapter, target, lun}), fact), text,
                        size);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ASPI layer: %s\n", error.what());
        return 0;
    }
}

namespace quandor::aspi {

bool loadEmulatedDrives(const std::string& iniPath, std::string* error)
{
    return AspiLayer::instance().loadEmulated(iniPath, error);
}

void unloadEmulatedDrives()
{
    AspiLayer::instance().unloadEmulated();
}

std::vector<CommandLogEntry> commandLog()
{
    return AspiLayer::instance().log(nullptr);
}

std::vector<CommandLogEntry> commandLog(const DeviceAddress& device)
{
    return AspiLayer::instance().log(&device);
}

void clearCommandLog()
{
    AspiLayer::instance().clearLog();
}

void setCommandLogLimit(std::size_t entries)
{
    AspiLayer::instance().setLogLimit(entries);
}

namespace {

template <typename Change>
bool changeDrive(const DeviceAddress& device, Change change)
{
    auto drive = AspiLayer::instance().emulatedDrive(device);
    if (!drive)
        return false;
    change(*drive);
    return true;
}

} // namespace

bool setUnreadableLbas(const DeviceAddress& device, std::vector<int32_t> lbas)
{
    return changeDrive(
        device, [&](EmulatedDrive& drive) { drive.setUnreadableLbas(std::set<int32_t>(lbas.begin(), lbas.end())); });
}

bool setTransientFailures(const DeviceAddress& device, int count)
{
    return changeDrive(device, [&](EmulatedDrive& drive) { drive.setTransientFailures(count); });
}

bool setCommandDelayMs(const DeviceAddress& device, int delayMs)
{
    return changeDrive(device, [&](EmulatedDrive& drive) { drive.setDelayMs(delayMs); });
}

bool setTimeoutMs(const DeviceAddress& device, int timeoutMs)
{
    return changeDrive(device, [&](EmulatedDrive& drive) { drive.setTimeoutMs(timeoutMs); });
}

bool setHangingCommands(const DeviceAddress& device, std::vector<uint8_t> opcodes)
{
    return changeDrive(device, [&](EmulatedDrive& drive) {
        drive.setHangingCommands(std::set<uint8_t>(opcodes.begin(), opcodes.end()));
    });
}

bool setFailingCommands(const DeviceAddress& device, std::vector<uint8_t> opcodes)
{
    return changeDrive(device, [&](EmulatedDrive& drive) {
        drive.setFailingCommands(std::set<uint8_t>(opcodes.begin(), opcodes.end()));
    });
}

bool setCannedReply(const DeviceAddress& device, uint8_t opcode, std::optional<std::vector<uint8_t>> bytes)
{
    return changeDrive(device, [&](EmulatedDrive& drive) { drive.setCannedReply(opcode, std::move(bytes)); });
}

std::vector<uint8_t> writtenDiscBytes(const DeviceAddress& device)
{
    auto drive = AspiLayer::instance().emulatedDrive(device);
    return drive ? drive->discBytes() : std::vector<uint8_t>{};
}

} // namespace quandor::aspi
