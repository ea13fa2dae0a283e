#include "platform/isoburn/isoburn.h"

#include "platform/aspi/aspi.h"
#include "platform/aspi/completion_wait.h"
#include "platform/aspi/scsi_opcodes.h"
#include "platform/aspi/sense.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace {

namespace op = quandor::aspi::op;

constexpr uint8_t kWriteParametersPage = 0x05;
constexpr std::size_t kModeHeader10 = 8;
constexpr uint16_t kAllocation = 8 + 8 + 0x3C; // header, one block descriptor, the page

/// SendASPI32Command of the layer beside this library, loaded on first use
/// (not at load time, so the program starts, and says why, without the layer).
AspiSendCommandFunction sendCommand()
{
    static const AspiSendCommandFunction send = [] {
        Dl_info self{};
        if (!dladdr(reinterpret_cast<void*>(&SetParameter), &self) || !self.dli_fname)
            return AspiSendCommandFunction{};
        std::string path = self.dli_fname;
        const std::size_t slash = path.rfind('/');
        path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + QUANDOR_ASPI_LIBRARY_NAME;
        void* layer = dlopen(path.c_str(), RTLD_NOW); // kept for the life of the process
        return layer ? reinterpret_cast<AspiSendCommandFunction>(dlsym(layer, "SendASPI32Command"))
                     : AspiSendCommandFunction{};
    }();
    return send;
}

struct Outcome {
    uint8_t status = 0;
    uint8_t senseKey = 0;
};

Outcome execute(int adapter, int target, int lun, std::span<const uint8_t> cdb, uint8_t direction,
                std::span<uint8_t> data)
{
    AspiExecuteScsi request;
    std::memset(&request, 0, sizeof request);
    request.header.command = AspiCommandExecuteScsi;
    request.header.adapter = static_cast<uint8_t>(adapter);
    request.header.flags = direction;
    request.target = static_cast<uint8_t>(target);
    request.lun = static_cast<uint8_t>(lun);
    request.dataLength = static_cast<uint32_t>(data.size());
    request.data = data.empty() ? nullptr : data.data();
    request.senseLength = AspiSenseLength;
    request.cdbLength = static_cast<uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), request.cdb);
    const AspiSendCommandFunction send = sendCommand();
    if (!send)
        return {AspiStatusInvalidAdapter, 0};
    // Every request ends within its time-out; sleep on its event meanwhile.
    const uint8_t status = quandor::aspi::sendAndWait(send, request);
    return {status, quandor::aspi::decodeSense(request.sense).key};
}

bool validAddress(int adapter, int target, int lun)
{
    return adapter >= 0 && adapter <= 0xFF && target >= 0 && target <= 0xFF && lun >= 0 && lun <= 0xFF;
}

} // namespace

extern "C" int SetParameter(int adapter, int target, int lun, int options, int, int)
{
    if (!validAddress(adapter, target, lun))
        return 0;
    std::array<uint8_t, kAllocation> answer{};
    const std::array<uint8_t, 10> sense{op::ModeSense10,
                                        0x08,
                                        kWriteParametersPage,
                                        0,
                                        0,
                                        0,
                                        0,
                                        static_cast<uint8_t>(kAllocation >> 8),
                                        static_cast<uint8_t>(kAllocation & 0xFF),
                                        0};
    if (execute(adapter, target, lun, sense, AspiFlagDataIn, answer).status != AspiStatusDone)
        return 0;

    // The page follows the header and its block descriptors; it must be page 05
    // and lie whole inside the answer.
    const std::size_t sent = std::min<std::size_t>(((answer[0] << 8) | answer[1]) + 2u, answer.size());
    const std::size_t at = kModeHeader10 + ((answer[6] << 8) | answer[7]);
    if (at + 2 > sent || (answer[at] & 0x3F) != kWriteParametersPage)
        return 0;
    const std::size_t pageLength = answer[at + 1] + 2u;
    if (pageLength < 16 || at + pageLength > sent)
        return 0;

    std::array<uint8_t, kAllocation> list{};
    std::copy_n(answer.begin() + static_cast<std::ptrdiff_t>(at), pageLength, list.begin() + kModeHeader10);
    uint8_t* page = list.data() + kModeHeader10;
    page[0] &= 0x3F;                                                     // PS is reserved in MODE SELECT
    page[2] = static_cast<uint8_t>((page[2] & 0xA0) | (options & 0x5F)); // BUFE, test write, write type
    page[3] = static_cast<uint8_t>(page[3] & 0xF0);                      // track mode 0: two-channel audio
    page[4] = static_cast<uint8_t>(page[4] & 0xF0);                      // data block type 0: raw 2352 bytes
    page[8] = 0x00;                                                      // session format: CD-DA / CD-ROM
    const auto listLength = static_cast<uint16_t>(kModeHeader10 + pageLength);
    const std::array<uint8_t, 10> select{op::ModeSelect10,
                                         0x10,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         static_cast<uint8_t>(listLength >> 8),
                                         static_cast<uint8_t>(listLength & 0xFF),
                                         0};
    const Outcome selected = execute(adapter, target, lun, select, AspiFlagDataOut, std::span(list).first(listLength));
    return selected.status == AspiStatusDone ? 1 : 0;
}

extern "C" int VerifData(int adapter, int lun, int target)
{
    if (!validAddress(adapter, target, lun))
        return 2;
    const std::array<uint8_t, 6> cdb{op::TestUnitReady, 0, 0, 0, 0, 0};
    Outcome outcome;
    // A first answer may be UNIT ATTENTION (a disc was just inserted).
    for (int attempt = 0; attempt < 2; ++attempt) {
        outcome = execute(adapter, target, lun, cdb, 0, {});
        if (outcome.status == AspiStatusDone)
            return 0;
        if (outcome.status == AspiStatusNoDevice || outcome.status == AspiStatusInvalidAdapter)
            return 2;
        if (outcome.senseKey != quandor::aspi::sense_key::UnitAttention)
            break;
    }
    return 1;
}
