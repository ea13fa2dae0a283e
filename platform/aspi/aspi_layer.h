#pragma once
// The request layer behind the two entry points: the device registry, one
// worker per device (requests to a device run in order), the time-out watchdog,
// completion of the caller's record and the command log of emulated drives.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/aspi/aspi.h"
#include "platform/aspi/emulated_config.h"
#include "platform/aspi/emulated_drives.h"
#include "platform/aspi/scsi_device.h"

namespace quandor::aspi {

struct PendingRequest;
class DeviceWorker;
class Watchdog;

class AspiLayer {
public:
    static AspiLayer& instance();
    ~AspiLayer();

    uint32_t supportInfo();
    uint32_t send(void* request);

    bool loadEmulated(const std::string& iniPath, std::string* error);
    void unloadEmulated();
    std::shared_ptr<EmulatedDrive> emulatedDrive(const DeviceAddress& address);
    /// The node of the device the user may not open (ScsiDevice::accessProblem);
    /// nothing when it can be used or is not there.
    std::optional<DeviceAccessProblem> deviceAccessProblem(const DeviceAddress& address);

    std::vector<CommandLogEntry> log(const DeviceAddress* only);
    void clearLog();
    void setLogLimit(std::size_t entries);

    /// Ends a request once: fills the caller's record, then the status byte, then
    /// signals the event. Later calls for the same request do nothing.
    void finish(PendingRequest& request, const ScsiOutcome& outcome);

private:
    struct Device {
        std::shared_ptr<ScsiDevice> scsi;
        std::shared_ptr<EmulatedDrive> emulated; // same object when emulated
        std::unique_ptr<DeviceWorker> worker;
    };
    struct Registry {
        uint8_t supportStatus = AspiSupportOk;
        int adapterCount = 1;
        std::set<int> failingAdapterInquiries;
        std::map<DeviceAddress, std::shared_ptr<Device>> devices;
    };
    bool loadEmulatedConfig(const std::string& iniPath, std::string* error);

    AspiLayer();
    void ensureConfigured();
    void install(std::shared_ptr<Registry> registry);
    std::shared_ptr<Registry> registry();
    static std::shared_ptr<Registry> realDriveRegistry(int firstAdapter, std::shared_ptr<Registry> into);

    uint32_t hostAdapterInquiry(AspiHostAdapterInquiry& request);
    uint32_t getDeviceType(AspiGetDeviceType& request);
    uint32_t executeScsi(AspiExecuteScsi& request);
    uint32_t executeOnCaller(ScsiDevice& scsi, DeviceWorker& worker, const std::shared_ptr<PendingRequest>& request,
                             std::chrono::steady_clock::time_point deadline);

    std::mutex registryMutex_;
    std::shared_ptr<Registry> registry_;
    bool configured_ = false;

    std::mutex logMutex_;
    std::deque<CommandLogEntry> log_;
    std::size_t logLimit_ = kDefaultCommandLogLimit;

    std::unique_ptr<Watchdog> watchdog_;
};

} // namespace quandor::aspi
