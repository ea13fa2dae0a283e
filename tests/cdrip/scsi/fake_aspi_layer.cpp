// A stand-in SCSI layer library for the loading tests: built once with each
// entry point and once without either of them. Its support status is read from
// QUANDOR_FAKE_ASPI_SUPPORT (hex) on every call; host-adapter inquiries
// succeed with no adapters, so a working fake has no drives.

#include "platform/aspi/aspi.h"

#include <cstdlib>
#include <cstring>

extern "C" {

#ifndef FAKE_ASPI_WITHOUT_SUPPORT_INFO
__attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo(void)
{
    const char* value = std::getenv("QUANDOR_FAKE_ASPI_SUPPORT");
    const unsigned long status = value ? std::strtoul(value, nullptr, 16) : static_cast<unsigned long>(AspiSupportOk);
    return static_cast<uint32_t>((status & 0xFF) << 8);
}
#endif

#ifndef FAKE_ASPI_WITHOUT_SEND
__attribute__((visibility("default"))) uint32_t SendASPI32Command(void* request)
{
    auto* header = static_cast<AspiRequestHeader*>(request);
    if (header->command == AspiCommandHostAdapterInquiry) {
        static_cast<AspiHostAdapterInquiry*>(request)->adapterCount = 0;
        header->status = AspiStatusDone;
    } else {
        header->status = AspiStatusNoDevice;
    }
    return header->status;
}
#endif

} // extern "C"
