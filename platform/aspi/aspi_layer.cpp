#include "platform/aspi/aspi_layer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/aspi/emulated_drive.h"
#include "platform/aspi/event_signal.h"
#include "platform/aspi/scsi_opcodes.h"
#include "platform/aspi/sg_device.h"

namespace quandor::aspi {

namespace {

constexpr uint32_t kMaxTransferBytes = 4u << 20;
constexpr const char* kManagerName = "QUANDOR ASPI";

using Clock = std::chrono::steady_clock;

void storeStatus(AspiRequestHeader& header, uint8_t status)
{
    std::atomic_ref<uint8_t>(header.status).store(status, std::memory_order_release);
}

void copyPadded(char* out, size_t size, const char* text)
{
    std::memset(out, ' ', size);
    std::memcpy(out, text, std::min(size, std::strlen(text)));
}

} // namespace

struct PendingRequest {
    AspiExecuteScsi* record = nullptr;
    DeviceAddress device;
    std::vector<uint8_t> cdb;
    DataDirection direction = DataDirection::None;
    std::vector<uint8_t> buffer;
    uint8_t senseLength = 0;
    EventSignal event;
    int timeoutMs = 0;
    uint64_t logId = 0; // 0: not logged
    std::atomic<bool> finished{false};
};

// Runs the requests of one device in the order they were sent.
class DeviceWorker {
public:
    DeviceWorker(AspiLayer& layer, std::shared_ptr<ScsiDevice> device)
        : layer_(layer),
          device_(std::move(device)),
          thread_([this] { run(); })
    {}
    ~DeviceWorker() { shutdown(); }

    /// Runs what was posted before, then stops; later posts are refused.
    void shutdown()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        std::lock_guard join(joinMutex_);
        if (thread_.joinable())
            thread_.join();
    }

    /// Claims the device for a request run on the sending thread: only when
    /// nothing is queued or running, so the order of requests holds. False
    /// when the worker is busy or stopping.
    bool beginOnCaller()
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || running_ || onCaller_ || !queue_.empty())
            return false;
        onCaller_ = true;
        return true;
    }

    /// Gives the device back to the worker after beginOnCaller().
    void endOnCaller()
    {
        bool workWaits = false;
        {
            std::lock_guard lock(mutex_);
            onCaller_ = false;
            workWaits = stopping_ || !queue_.empty();
        }
        // Wake the worker only when something waits for it: an idle worker
        // woken after every request costs a thread switch each time.
        if (workWaits)
            wake_.notify_all();
    }

    /// False when the device is gone (the configuration was replaced).
    bool post(std::shared_ptr<PendingRequest> request)
    {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return false;
            queue_.push_back(std::move(request));
        }
        wake_.notify_one();
        return true;
    }

private:
    void run()
    {
        for (;;) {
            std::shared_ptr<PendingRequest> request;
            {
                std::unique_lock lock(mutex_);
                // A request running on its sender's thread has the device until it ends.
                wake_.wait(lock, [this] { return (stopping_ || !queue_.empty()) && !onCaller_; });
                if (queue_.empty())
                    return; // stopping, and every request sent before has run
                request = std::move(queue_.front());
                queue_.pop_front();
                running_ = true;
            }
            runOne(*request);
            std::lock_guard lock(mutex_);
            running_ = false;
        }
    }

    void runOne(PendingRequest& request)
    {
        if (request.finished.load())
            return; // timed out while waiting for its turn
        ScsiCommand command;
        command.cdb = request.cdb;
        command.direction = request.direction;
        command.data = request.buffer;
        command.timeoutMs = request.timeoutMs;
        const ScsiOutcome outcome = device_->execute(command);
        if (outcome.kind != ScsiOutcome::Kind::NeverCompletes) {
            layer_.finish(request, outcome);
            // The watchdog holds the request until its deadline: let the
            // data copy go now, or a fast stream of requests piles them up.
            std::vector<uint8_t>().swap(request.buffer);
        }
    }

    AspiLayer& layer_;
    std::shared_ptr<ScsiDevice> device_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<PendingRequest>> queue_;
    bool stopping_ = false;
    bool running_ = false;  // the worker runs a request
    bool onCaller_ = false; // a sender runs a request on its own thread
    std::mutex joinMutex_;
    std::thread thread_;
};

// Ends requests that outlive their time-out.
class Watchdog {
public:
    explicit Watchdog(AspiLayer& layer) : layer_(layer), thread_([this] { run(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void watch(const std::shared_ptr<PendingRequest>& request, Clock::time_point deadline)
    {
        bool earliest = false;
        {
            std::lock_guard lock(mutex_);
            const auto at = deadlines_.emplace(deadline, request);
            earliest = at == deadlines_.begin();
        }
        // Only a new earliest deadline changes when the watchdog must wake.
        if (earliest)
            wake_.notify_one();
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (deadlines_.empty()) {
                wake_.wait(lock);
                continue;
            }
            const auto next = deadlines_.begin();
            if (Clock::now() < next->first) {
                wake_.wait_until(lock, next->first);
                continue;
            }
            std::shared_ptr<PendingRequest> request = std::move(next->second);
            deadlines_.erase(next);
            if (!request || request->finished.load())
                continue;
            lock.unlock();
            ScsiOutcome timedOut{ScsiOutcome::Kind::TimedOut, 0, kSenseNotReadyCauseUnknown, 0};
            layer_.finish(*request, timedOut);
            lock.lock();
        }
    }

    AspiLayer& layer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Strong references: a request the device swallowed lives on here until its
    // time-out ends it.
    std::multimap<Clock::time_point, std::shared_ptr<PendingRequest>> deadlines_;
    bool stopping_ = false;
    std::thread thread_;
};

AspiLayer& AspiLayer::instance()
{
    static AspiLayer layer;
    return layer;
}

AspiLayer::AspiLayer() : watchdog_(std::make_unique<Watchdog>(*this)) {}

AspiLayer::~AspiLayer()
{
    install(nullptr); // joins the device workers
    watchdog_.reset();
}

void AspiLayer::ensureConfigured()
{
    {
        std::lock_guard lock(registryMutex_);
        if (configured_)
            return;
    }
    const char* ini = std::getenv("QUANDOR_EMULATED_DRIVES");
    if (ini && *ini) {
        std::string error;
        if (loadEmulated(ini, &error))
            return;
        std::fprintf(stderr, "Emulated drives not loaded: %s\n", error.c_str());
        auto broken = std::make_shared<Registry>();
        broken->supportStatus = 0xE4; // reported as an initialisation error
        broken->adapterCount = 0;
        install(broken);
        return;
    }
    install(realDriveRegistry(0, std::make_shared<Registry>()));
}

std::shared_ptr<AspiLayer::Registry> AspiLayer::realDriveRegistry(int firstAdapter, std::shared_ptr<Registry> into)
{
    int highest = firstAdapter - 1;
    for (auto& found : discoverSgDevices(firstAdapter)) {
        auto device = std::make_shared<Device>();
        device->scsi = std::move(found.device);
        device->emulated = std::move(found.emulated);
        into->devices[found.address] = device;
        highest = std::max(highest, found.address.adapter);
    }
    into->adapterCount = std::max(into->adapterCount, std::max(highest + 1, 1));
    return into;
}

void AspiLayer::install(std::shared_ptr<Registry> registry)
{
    if (registry) {
        for (auto& [address, device] : registry->devices)
            device->worker = std::make_unique<DeviceWorker>(*this, device->scsi);
    }
    std::shared_ptr<Registry> old;
    {
        std::lock_guard lock(registryMutex_);
        old = std::move(registry_);
        registry_ = std::move(registry);
        configured_ = registry_ != nullptr;
    }
    // The old workers finish what was sent to them before they stop; a caller
    // still holding an old device gets its request refused, never a dangling worker.
    if (old) {
        for (auto& [address, device] : old->devices)
            device->worker->shutdown();
    }
}

std::shared_ptr<AspiLayer::Registry> AspiLayer::registry()
{
    ensureConfigured();
    std::lock_guard lock(registryMutex_);
    return registry_;
}

bool AspiLayer::loadEmulated(const std::string& iniPath, std::string* error)
{
    // A configuration is outside data: whatever goes wrong in reading it is
    // reported as a broken configuration, never thrown at the caller.
    try {
        return loadEmulatedConfig(iniPath, error);
    } catch (const std::exception& thrown) {
        if (error)
            *error = iniPath + ": " + thrown.what();
        return false;
    }
}

bool AspiLayer::loadEmulatedConfig(const std::string& iniPath, std::string* error)
{
    auto config = parseEmulatedConfig(iniPath, error);
    if (!config)
        return false;
    auto registry = std::make_shared<Registry>();
    registry->supportStatus = config->supportStatus;
    registry->failingAdapterInquiries = config->failingAdapterInquiries;
    int highest = -1;
    for (const EmulatedDriveConfig& driveConfig : config->drives) {
        std::string why;
        std::shared_ptr<EmulatedDrive> drive = EmulatedDrive::create(driveConfig, &why);
        if (!drive) {
            const char* key = driveConfig.medium == MediumKind::AudioDisc ? " Cue=" : " Disc=";
            if (error)
                *error = iniPath + ": " + driveSectionName(driveConfig.address) + key + ": " + why;
            return false;
        }
        auto device = std::make_shared<Device>();
        device->scsi = drive;
        device->emulated = drive;
        registry->devices[driveConfig.address] = device;
        highest = std::max(highest, driveConfig.address.adapter);
    }
    registry->adapterCount = config->adapterCount >= 0 ? config->adapterCount : highest + 1;
    if (config->realDrives)
        registry = realDriveRegistry(registry->adapterCount, registry);
    install(registry);
    return true;
}

void AspiLayer::unloadEmulated()
{
    install(realDriveRegistry(0, std::make_shared<Registry>()));
}

std::shared_ptr<EmulatedDrive> AspiLayer::emulatedDrive(const DeviceAddress& address)
{
    auto current = registry();
    if (!current)
        return nullptr;
    const auto found = current->devices.find(address);
    return found == current->devices.end() ? nullptr : found->second->emulated;
}

std::optional<DeviceAccessProblem> AspiLayer::deviceAccessProblem(const DeviceAddress& address)
{
    auto current = registry();
    if (!current)
        return std::nullopt;
    const auto found = current->devices.find(address);
    return found == current->devices.end() ? std::nullopt : found->second->scsi->accessProblem();
}

uint32_t AspiLayer::supportInfo()
{
    auto current = registry();
    if (!current)
        return uint32_t(AspiSupportNoManager) << 8;
    return (uint32_t(current->supportStatus) << 8) | uint32_t(current->adapterCount & 0xFF);
}

uint32_t AspiLayer::send(void* request)
{
    if (!request)
        return AspiStatusInvalidRequest;
    auto* header = static_cast<AspiRequestHeader*>(request);
    switch (header->command) {
    case AspiCommandHostAdapterInquiry:
        return hostAdapterInquiry(*static_cast<AspiHostAdapterInquiry*>(request));
    case AspiCommandGetDeviceType:
        return getDeviceType(*static_cast<AspiGetDeviceType*>(request));
    case AspiCommandExecuteScsi:
        return executeScsi(*static_cast<AspiExecuteScsi*>(request));
    default:
        storeStatus(*header, AspiStatusInvalidRequest);
        return AspiStatusInvalidRequest;
    }
}

uint32_t AspiLayer::hostAdapterInquiry(AspiHostAdapterInquiry& request)
{
    auto current = registry();
    uint8_t status = AspiStatusDone;
    if (!current || request.header.adapter >= current->adapterCount)
        status = AspiStatusInvalidAdapter;
    else if (current->failingAdapterInquiries.count(request.header.adapter))
        status = AspiStatusError;
    if (status == AspiStatusDone) {
        request.adapterCount = uint8_t(current->adapterCount);
        request.targetId = 7;
        copyPadded(request.managerId, sizeof request.managerId, kManagerName);
        copyPadded(request.adapterId, sizeof request.adapterId, "SCSI ADAPTER");
    }
    storeStatus(request.header, status);
    return status;
}

uint32_t AspiLayer::getDeviceType(AspiGetDeviceType& request)
{
    auto current = registry();
    uint8_t status = AspiStatusDone;
    if (!current || request.header.adapter >= current->adapterCount) {
        status = AspiStatusInvalidAdapter;
    } else {
        const DeviceAddress address{request.header.adapter, request.target, request.lun};
        const auto found = current->devices.find(address);
        if (found == current->devices.end())
            status = AspiStatusNoDevice;
        else
            request.deviceType = found->second->scsi->deviceType();
    }
    storeStatus(request.header, status);
    return status;
}

uint32_t AspiLayer::executeScsi(AspiExecuteScsi& record)
{
    auto reject = [&record](uint8_t status) {
        storeStatus(record.header, status);
        return uint32_t(status);
    };
    auto current = registry();
    if (!current || record.header.adapter >= current->adapterCount)
        return reject(AspiStatusInvalidAdapter);
    const DeviceAddress address{record.header.adapter, record.target, record.lun};
    const auto found = current->devices.find(address);
    if (found == current->devices.end())
        return reject(AspiStatusNoDevice);
    const bool in = record.header.flags & AspiFlagDataIn;
    const bool out = record.header.flags & AspiFlagDataOut;
    if (record.cdbLength == 0 || record.cdbLength > AspiMaxCdbLength || (in && out)
        || record.dataLength > kMaxTransferBytes || (record.dataLength > 0 && !record.data))
        return reject(AspiStatusInvalidRequest);

    auto request = std::make_shared<PendingRequest>();
    request->record = &record;
    request->device = address;
    request->cdb.assign(record.cdb, record.cdb + record.cdbLength);
    request->senseLength = std::min<uint8_t>(record.senseLength, AspiSenseAreaLength);
    const bool postsEvent = (record.header.flags & AspiFlagPostEvent) && record.completionEvent != 0;
    if (in)
        request->direction = DataDirection::In;
    else if (out)
        request->direction = DataDirection::Out;
    else if (record.dataLength > 0)
        request->direction = op::dataFlowOf(record.cdb[0]) == op::Flow::Out ? DataDirection::Out : DataDirection::In;
    const auto& device = found->second;
    request->timeoutMs = device->scsi->timeoutMs(record.cdb[0]);
    const bool onCaller = device->scsi->answersAtOnce(record.cdb[0]) && device->worker->beginOnCaller();
    // A request run on the caller's thread normally ends inside this call and
    // returns its final status: its event is not needed, and leaving it alone
    // spares the three system calls of checking, signalling and resetting it.
    if (postsEvent && !onCaller) {
        request->event = EventSignal::adopt(record.completionEvent);
        if (!request->event.valid())
            return reject(AspiStatusInvalidRequest); // not an event the layer can signal
    }
    if (record.dataLength > 0 && !onCaller) {
        // The worker transfers through the layer's own copy, so an answer that
        // comes after the time-out never reaches the caller's buffer.
        const auto* data = static_cast<const uint8_t*>(record.data);
        request->buffer.assign(data, data + record.dataLength);
    }
    storeStatus(record.header, AspiStatusPending);

    if (device->scsi->logsCommands()) {
        std::lock_guard lock(logMutex_);
        static uint64_t nextId = 1;
        request->logId = nextId++;
        CommandLogEntry entry;
        entry.device = address;
        entry.cdb = request->cdb;
        entry.direction = request->direction;
        entry.dataLength = record.dataLength;
        entry.status = AspiStatusPending;
        log_.push_back(entry);
        log_.back().sequence = request->logId;
        while (log_.size() > logLimit_)
            log_.pop_front();
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(request->timeoutMs);
    if (onCaller)
        return executeOnCaller(*device->scsi, *device->worker, request, deadline);
    watchdog_->watch(request, deadline);
    if (!device->worker->post(request)) {
        finish(*request, {ScsiOutcome::Kind::TransportError, 0, kSenseNotReadyCauseUnknown, 0});
        return AspiStatusError;
    }
    return AspiStatusPending;
}

// A request to an idle device that answers at once runs here, on the sending
// thread, straight on the caller's buffer: the caller is inside this call until
// it ends, so nothing can arrive in the buffer after the status byte. The
// time-out still holds: an answer later than the deadline is reported as timed
// out, and a command the device swallows is left to the watchdog.
uint32_t AspiLayer::executeOnCaller(ScsiDevice& scsi, DeviceWorker& worker,
                                    const std::shared_ptr<PendingRequest>& request,
                                    std::chrono::steady_clock::time_point deadline)
{
    AspiExecuteScsi& record = *request->record;
    ScsiCommand command;
    command.cdb = request->cdb;
    command.direction = request->direction;
    command.data = std::span<uint8_t>(static_cast<uint8_t*>(record.data), record.dataLength);
    command.timeoutMs = request->timeoutMs;
    ScsiOutcome outcome = scsi.execute(command);
    worker.endOnCaller();
    if (outcome.kind == ScsiOutcome::Kind::NeverCompletes) {
        // Ends later, at its time-out, after the caller has got control back:
        // signal the layer's own duplicate of the event then.
        if ((record.header.flags & AspiFlagPostEvent) && record.completionEvent != 0)
            request->event = EventSignal::adopt(record.completionEvent);
        watchdog_->watch(request, deadline);
        return AspiStatusPending;
    }
    if (Clock::now() > deadline)
        outcome = {ScsiOutcome::Kind::TimedOut, 0, kSenseNotReadyCauseUnknown, 0};
    finish(*request, outcome);
    return std::atomic_ref<uint8_t>(record.header.status).load(std::memory_order_relaxed);
}

void AspiLayer::finish(PendingRequest& request, const ScsiOutcome& outcome)
{
    if (request.finished.exchange(true))
        return;
    AspiExecuteScsi& record = *request.record;
    uint8_t status = AspiStatusError;
    SenseData sense;
    switch (outcome.kind) {
    case ScsiOutcome::Kind::Completed:
        record.adapterStatus = AspiAdapterOk;
        record.targetStatus = outcome.targetStatus;
        sense = outcome.sense;
        if (outcome.targetStatus == AspiTargetGood) {
            status = AspiStatusDone;
            if (request.direction == DataDirection::In && !request.buffer.empty())
                std::memcpy(record.data, request.buffer.data(), request.buffer.size());
        }
        break;
    case ScsiOutcome::Kind::TransportError:
        record.adapterStatus = AspiAdapterBusError;
        record.targetStatus = outcome.targetStatus;
        sense = outcome.sense;
        break;
    case ScsiOutcome::Kind::TimedOut:
    case ScsiOutcome::Kind::NeverCompletes:
        record.adapterStatus = AspiAdapterTimeout;
        record.targetStatus = AspiTargetCheckCondition;
        sense = outcome.sense.key ? outcome.sense : kSenseNotReadyCauseUnknown;
        break;
    }
    std::memset(record.sense, 0, sizeof record.sense);
    if (sense.key != 0)
        encodeSense(sense, std::span<uint8_t>(record.sense, request.senseLength));
    if (request.logId) {
        std::lock_guard lock(logMutex_);
        for (auto it = log_.rbegin(); it != log_.rend(); ++it) {
            if (it->sequence == request.logId) {
                it->status = status;
                it->sense = sense;
                break;
            }
        }
    }
    // The caller may release the record as soon as it sees the status: it is
    // the last thing written to the record.
    storeStatus(record.header, status);
    request.event.signal();
    request.event = EventSignal{}; // the duplicate descriptor is not needed any more
}

std::vector<CommandLogEntry> AspiLayer::log(const DeviceAddress* only)
{
    std::lock_guard lock(logMutex_);
    std::vector<CommandLogEntry> entries;
    for (const CommandLogEntry& entry : log_) {
        if (!only || entry.device == *only)
            entries.push_back(entry);
    }
    return entries;
}

void AspiLayer::clearLog()
{
    std::lock_guard lock(logMutex_);
    log_.clear();
}

void AspiLayer::setLogLimit(std::size_t entries)
{
    std::lock_guard lock(logMutex_);
    logLimit_ = std::max<std::size_t>(entries, 1);
    while (log_.size() > logLimit_)
        log_.pop_front();
}

} // namespace quandor::aspi
