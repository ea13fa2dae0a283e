#include "cdrip/scsi/aspi_layer.h"

#include "platform/aspi/aspi.h"
#include "platform/aspi/completion_wait.h"

#include <QDir>
#include <QFile>

#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

namespace brenlow {
namespace {

std::uint8_t statusOf(const AspiRequestHeader& header)
{
    // The layer stores the status byte once, atomically, when the request ends.
    return __atomic_load_n(&header.status, __ATOMIC_ACQUIRE);
}

/// Waits until the layer has written a final status. The layer ends every
/// request within its time-out, so these loops end too.
void pollUntilDone(const AspiRequestHeader& header)
{
    // Most requests end within microseconds: yield a few times before sleeping,
    // so a short request does not pay a whole sleep.
    for (int spin = 0; spin < 64 && statusOf(header) == AspiStatusPending; ++spin)
        std::this_thread::yield();
    while (statusOf(header) == AspiStatusPending)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

// A text the layer hands out in two calls: its length first, then the
// text into a buffer one byte longer.
QString askedText(const std::function<std::uint32_t(char* text, std::uint32_t size)>& ask)
{
    const std::uint32_t length = ask(nullptr, 0);
    if (length == 0)
        return {};
    QByteArray text(qsizetype(length) + 1, '\0');
    ask(text.data(), std::uint32_t(text.size()));
    return QString::fromUtf8(text.constData());
}

} // namespace

AspiLayer::AspiLayer(SupportInfoFunction supportInfo, SendCommandFunction send, DeviceProblemFunction problem,
                     DeviceAccessFunction access)
    : supportInfo_(supportInfo),
      send_(send),
      problem_(problem),
      access_(access)
{}

// A working layer stays loaded for the life of the process: its own threads
// may still be finishing a request (a worker job's, or one that timed out)
// when the last user lets go of it.
AspiLayer::~AspiLayer() = default;

QString AspiLayer::libraryFileName()
{
    return QString::fromLatin1(quandor::aspi::kAspiLibraryName);
}

AspiLayer::LoadResult AspiLayer::load(const QString& folder, const QString& fileName)
{
    LoadResult result;
    const QString path = QDir(folder).filePath(fileName);
    // Only the program folder is searched: a bare name would let the loader
    // pick up any library of that name on the system's search path.
    void* handle = QFile::exists(path) ? ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!handle) {
        result.failure = AspiLoadFailure::LibraryMissing;
        return result;
    }
    auto supportInfo = reinterpret_cast<SupportInfoFunction>(::dlsym(handle, "GetASPI32SupportInfo"));
    if (!supportInfo) {
        ::dlclose(handle);
        result.failure = AspiLoadFailure::SupportInfoMissing;
        return result;
    }
    auto send = reinterpret_cast<SendCommandFunction>(::dlsym(handle, "SendASPI32Command"));
    if (!send) {
        ::dlclose(handle);
        result.failure = AspiLoadFailure::SendCommandMissing;
        return result;
    }
    // Optional: a layer without it simply has nothing more to say about a device.
    auto problem = reinterpret_cast<DeviceProblemFunction>(::dlsym(handle, "GetASPI32DeviceProblem"));
    auto access = reinterpret_cast<DeviceAccessFunction>(::dlsym(handle, "GetASPI32DeviceAccess"));
    std::shared_ptr<AspiLayer> layer(new AspiLayer(supportInfo, send, problem, access));
    const std::uint32_t info = supportInfo();
    result.supportStatus = static_cast<int>((info >> 8) & 0xFF);
    result.adapterCount = static_cast<int>(info & 0xFF);
    switch (result.supportStatus) {
    case AspiSupportOk:
        result.layer = std::move(layer);
        break;
    case AspiSupportOldManager:
        result.failure = AspiLoadFailure::OldManager;
        break;
    case AspiSupportNoRealMode:
        result.failure = AspiLoadFailure::NoRealMode;
        break;
    case AspiSupportNoManager:
        result.failure = AspiLoadFailure::NoManager;
        break;
    default:
        result.failure = AspiLoadFailure::InitialisationError;
        break;
    }
    return result;
}

QString AspiLayer::deviceProblem(const DriveAddress& address) const
{
    if (!problem_)
        return {};
    return askedText([&](char* text, std::uint32_t size) {
        return problem_(address.adapter, address.target, address.lun, text, size);
    });
}

QString AspiLayer::accessFact(const DriveAddress& address, std::uint32_t fact) const
{
    return askedText([&](char* text, std::uint32_t size) {
        return access_(address.adapter, address.target, address.lun, fact, text, size);
    });
}

std::optional<DriveAccessProblem> AspiLayer::deviceAccessProblem(const DriveAddress& address) const
{
    if (!access_)
        return std::nullopt;
    DriveAccessProblem problem{accessFact(address, AspiAccessNode), accessFact(address, AspiAccessGroup),
                               accessFact(address, AspiAccessReason)};
    if (problem.node.isEmpty())
        return std::nullopt;
    return problem;
}

std::optional<int> AspiLayer::hostAdapterCount(std::uint8_t adapter) const
{
    AspiHostAdapterInquiry request;
    std::memset(&request, 0, sizeof request);
    request.header.command = AspiCommandHostAdapterInquiry;
    request.header.adapter = adapter;
    send_(&request);
    // Completes during the call.
    if (statusOf(request.header) != AspiStatusDone)
        return std::nullopt;
    return request.adapterCount;
}

std::optional<int> AspiLayer::deviceType(const DriveAddress& address) const
{
    AspiGetDeviceType request;
    std::memset(&request, 0, sizeof request);
    request.header.command = AspiCommandGetDeviceType;
    request.header.adapter = address.adapter;
    request.target = address.target;
    request.lun = address.lun;
    send_(&request);
    if (statusOf(request.header) != AspiStatusDone)
        return std::nullopt;
    return request.deviceType;
}

bool AspiLayer::execWait(AspiExecuteScsi& request) const
{
    if (request.header.flags & AspiFlagPostEvent) {
        // A command sent from a thread is waited for on that thread's event.
        quandor::aspi::sendAndWait(send_, request);
    } else {
        send_(&request);
        pollUntilDone(request.header);
    }
    return statusOf(request.header) == AspiStatusDone;
}

ScsiResult AspiLayer::execute(const DriveAddress& address, const ScsiCommand& command, std::span<std::uint8_t> data)
{
    AspiExecuteScsi request;
    std::memset(&request, 0, sizeof request);
    request.header.command = AspiCommandExecuteScsi;
    request.header.adapter = address.adapter;
    std::uint8_t flags = 0;
    if (command.direction == DataDirection::In)
        flags |= AspiFlagDataIn;
    else if (command.direction == DataDirection::Out)
        flags |= AspiFlagDataOut;
    if (command.postEvent)
        flags |= AspiFlagPostEvent;
    request.header.flags = flags;
    request.target = address.target;
    request.lun = address.lun;
    request.dataLength = static_cast<std::uint32_t>(data.size());
    request.data = data.empty() ? nullptr : data.data();
    request.senseLength = AspiSenseLength;
    request.cdbLength = command.cdbLength;
    std::memcpy(request.cdb, command.cdb.data(), std::min<std::size_t>(command.cdbLength, sizeof request.cdb));

    execWait(request);

    ScsiResult result;
    result.status = statusOf(request.header);
    result.adapterStatus = request.adapterStatus;
    result.targetStatus = request.targetStatus;
    result.sense = quandor::aspi::decodeSense(std::span<const std::uint8_t>(request.sense, AspiSenseLength));
    return result;
}

} // namespace brenlow
