// Public interface of the SCSI request layer that Brenlow loads at run time.
//
// The layer is the shared library `libwnaspi32.so` (kAspiLibraryName), placed in
// Brenlow's program folder. A caller loads it with dlopen, resolves the two entry
// points below with dlsym by their plain C names, asks GetASPI32SupportInfo()
// whether the layer works and then sends requests with SendASPI32Command().
//
// Every request starts with the same 8-byte header. The records keep their field
// order; fields that carry an address or a handle are pointer-sized, so on a 64-bit
// build the records are larger than on the original 32-bit layer and the offsets
// of the later fields move (check with sizeof/offsetof, never with literals).
//
// Completion: the layer writes the status byte exactly once, atomically (release
// store), when the request ends; a caller polls it with an acquire load
// (aspiRequestStatus below). An execute request with AspiFlag::PostEvent signals
// the caller's completion event after the status byte is written. The event is an
// eventfd(2) descriptor (created by the caller, e.g. eventfd(0, EFD_CLOEXEC)) in
// `completionEvent`: the layer adds 1 to it, so it stays readable ("signalled")
// until the caller reads it, like a manual-reset event. SendASPI32Command returns
// AspiStatus::Pending for a request that goes on after the call; a request that
// ends inside the call returns its final status instead and leaves the event
// untouched (its status byte is already final, there is nothing to wait for).
//
// Every execute request ends within its time-out (kAspiDefaultTimeoutMs unless the
// device is configured otherwise) with AspiStatus::Error and sense data
// (NOT READY / LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE) when the device did
// not answer. Each device is serialised inside the layer: requests for the same
// adapter:target:LUN run one after the other, in the order they were sent.
#ifndef QUANDOR_PLATFORM_ASPI_ASPI_H
#define QUANDOR_PLATFORM_ASPI_ASPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* File name of the layer, as Brenlow loads it from its own folder. */
#define QUANDOR_ASPI_LIBRARY_NAME "libwnaspi32.so"

/* Request command codes (header byte 0). */
enum AspiCommand { AspiCommandHostAdapterInquiry = 0, AspiCommandGetDeviceType = 1, AspiCommandExecuteScsi = 2 };

/* Request status values (header byte 1). */
enum AspiStatus {
    AspiStatusPending = 0x00,        /* still running */
    AspiStatusDone = 0x01,           /* completed without error */
    AspiStatusAborted = 0x02,        /* aborted by the layer */
    AspiStatusInvalidRequest = 0x80, /* malformed request record */
    AspiStatusInvalidAdapter = 0x81, /* no such host adapter */
    AspiStatusNoDevice = 0x82,       /* no device at target/LUN */
    AspiStatusError = 0x04           /* device error or time-out; see sense data */
};

/* Support statuses returned in bits 8..15 of GetASPI32SupportInfo(). */
enum AspiSupportStatus {
    AspiSupportOk = 0x01,
    AspiSupportOldManager = 0xE1,
    AspiSupportNoRealMode = 0xE2,
    AspiSupportNoManager = 0xE3
};

/* Request flags (header byte 3). */
enum AspiFlag { AspiFlagDataIn = 0x08, AspiFlagDataOut = 0x10, AspiFlagPostEvent = 0x40 };

/* Adapter status (byte `adapterStatus`) values the layer reports. */
enum AspiAdapterStatus {
    AspiAdapterOk = 0x00,
    AspiAdapterTimeout = 0x09, /* the request ran out of time */
    AspiAdapterBusError = 0x11 /* transport/host/driver error */
};

/* SCSI target status (byte `targetStatus`). */
enum AspiTargetStatus { AspiTargetGood = 0x00, AspiTargetCheckCondition = 0x02, AspiTargetBusy = 0x08 };

enum { AspiSenseLength = 14, AspiMaxCdbLength = 16, AspiSenseAreaLength = 16 };

/* Common request header. */
struct AspiRequestHeader {
    uint8_t command;   /* AspiCommand */
    uint8_t status;    /* AspiStatus, written by the layer */
    uint8_t adapter;   /* host adapter number */
    uint8_t flags;     /* AspiFlag bits */
    uint32_t reserved; /* 0 */
};

/* Command 0: host-adapter inquiry. */
struct AspiHostAdapterInquiry {
    struct AspiRequestHeader header;
    uint8_t adapterCount;      /* answer: number of host adapters */
    uint8_t targetId;          /* answer: the adapter's own target id */
    char managerId[16];        /* answer: layer name, space padded */
    char adapterId[16];        /* answer: adapter name, space padded */
    uint8_t adapterUnique[16]; /* answer: further adapter data */
    uint8_t reserved[2];
};

/* Command 1: get device type. */
struct AspiGetDeviceType {
    struct AspiRequestHeader header;
    uint8_t target;
    uint8_t lun;
    uint8_t deviceType; /* answer: peripheral device type, 5 = CD-ROM */
    uint8_t reserved;
};

/* Command 2: execute a SCSI command. */
struct AspiExecuteScsi {
    struct AspiRequestHeader header;
    uint8_t target;
    uint8_t lun;
    uint16_t reserved1;
    uint32_t dataLength;      /* bytes in `data` */
    void* data;               /* data buffer (in or out, see flags) */
    uint8_t senseLength;      /* bytes of sense wanted, normally AspiSenseLength */
    uint8_t cdbLength;        /* 6, 10, 12 or 16 */
    uint8_t adapterStatus;    /* AspiAdapterStatus, written by the layer */
    uint8_t targetStatus;     /* AspiTargetStatus, written by the layer */
    intptr_t completionEvent; /* eventfd descriptor, used with AspiFlagPostEvent */
    uint8_t reserved2[20];
    uint8_t cdb[AspiMaxCdbLength];      /* bytes beyond cdbLength are 0 */
    uint8_t sense[AspiSenseAreaLength]; /* fixed-format sense data on CHECK CONDITION */
};

/* Entry points, resolved by name. GetASPI32SupportInfo: bits 8..15 status, bits
   0..7 number of host adapters. SendASPI32Command: argument a request record
   (any of the three), result AspiStatus at the time of return (callers rely on
   the status byte instead). */
typedef uint32_t (*AspiGetSupportInfoFunction)(void);
typedef uint32_t (*AspiSendCommandFunction)(void* request);

__attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo(void);
__attribute__((visibility("default"))) uint32_t SendASPI32Command(void* request);

/* An addition of this layer, resolved by name where present: why the device at
   adapter:target:LUN cannot be used (a drive whose node the user may not open),
   as UTF-8 text. Copies at most size - 1 bytes and a terminating 0 into text;
   returns the text's whole length, 0 when nothing stands in the device's way. */
typedef uint32_t (*AspiDeviceProblemFunction)(uint8_t adapter, uint8_t target, uint8_t lun, char* text, uint32_t size);
__attribute__((visibility("default"))) uint32_t GetASPI32DeviceProblem(uint8_t adapter, uint8_t target, uint8_t lun,
                                                                       char* text, uint32_t size);

/* Another addition, resolved by name where present: the facts behind that
   problem, one at a time, for a program to tell them in the user's language.
   `fact` 0 is the device node, 1 the group that owns it, 2 the system's reason
   for the refusal. Copies as GetASPI32DeviceProblem does and returns the fact's
   whole length; 0 when nothing stands in the device's way (or for an unknown fact). */
enum AspiDeviceAccessFact { AspiAccessNode = 0, AspiAccessGroup = 1, AspiAccessReason = 2 };
typedef uint32_t (*AspiDeviceAccessFunction)(uint8_t adapter, uint8_t target, uint8_t lun, uint32_t fact, char* text,
                                             uint32_t size);
__attribute__((visibility("default"))) uint32_t GetASPI32DeviceAccess(uint8_t adapter, uint8_t target, uint8_t lun,
                                                                      uint32_t fact, char* text, uint32_t size);

#ifdef __cplusplus
} /* extern "C" */

#include <atomic>

namespace quandor::aspi {

inline constexpr const char* kAspiLibraryName = QUANDOR_ASPI_LIBRARY_NAME;
inline constexpr int kAspiDefaultTimeoutMs = 10000;

// Reads a request's status byte the way the layer writes it (atomically).
inline uint8_t aspiRequestStatus(const AspiRequestHeader& header)
{
    auto& status = const_cast<uint8_t&>(header.status);
    return std::atomic_ref<uint8_t>(status).load(std::memory_order_acquire);
}

} // namespace quandor::aspi
#endif

#endif
