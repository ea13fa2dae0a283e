#pragma once
// The ASPI layer loaded at run time from the program folder: the library
// (closed again only when an entry point is missing; once asked whether it
// works it stays loaded for the life of the process, as its own threads may
// still run), its two entry points, the request records of the drive scan and
// AspiExecWait, the way every SCSI command of the program is sent and awaited.

#include "cdrip/scsi/scsi_transport.h"

#include <QString>
#include <memory>
#include <optional>

struct AspiExecuteScsi;

namespace brenlow {

/// Why the layer cannot be used; each has its message (aspiLoadTexts, drive_scan.h).
enum class AspiLoadFailure {
    None,
    LibraryMissing,
    SupportInfoMissing,
    SendCommandMissing,
    OldManager,          ///< support status 0xE1
    NoRealMode,          ///< 0xE2
    NoManager,           ///< 0xE3
    InitialisationError, ///< any other status but 1
};

/// A drive node the user may not open, as the layer reports it.
struct DriveAccessProblem {
    QString node;   ///< /dev/sr0
    QString group;  ///< the group that owns the node
    QString reason; ///< the system's reason ("Permission denied")
    bool operator==(const DriveAccessProblem&) const = default;
};

class AspiLayer final : public ScsiTransport {
public:
    ~AspiLayer() override;
    AspiLayer(const AspiLayer&) = delete;
    AspiLayer& operator=(const AspiLayer&) = delete;

    struct LoadResult {
        std::shared_ptr<AspiLayer> layer; ///< set only when the layer works
        AspiLoadFailure failure = AspiLoadFailure::None;
        int supportStatus = 0; ///< bits 8..15 of GetASPI32SupportInfo
        int adapterCount = 0;  ///< bits 0..7
    };
    /// Loads the layer library `fileName` from `folder`, resolves its entry
    /// points and asks it whether it works.
    static LoadResult load(const QString& folder, const QString& fileName);
    /// The layer's file name (in the program folder).
    static QString libraryFileName();

    /// Host-adapter inquiry; the adapter count, or nothing when it failed.
    std::optional<int> hostAdapterCount(std::uint8_t adapter) const;
    /// Get device type; the peripheral device type, or nothing when no device answered.
    std::optional<int> deviceType(const DriveAddress& address) const;

    /// Why the device cannot be used, in the layer's words (a drive node the
    /// user may not open); empty when nothing stands in its way, or when the
    /// layer cannot tell.
    QString deviceProblem(const DriveAddress& address) const;
    /// The facts behind a drive node the user may not open, for a message in
    /// the user's language; nothing when none stands in the way or the layer
    /// does not report them.
    std::optional<DriveAccessProblem> deviceAccessProblem(const DriveAddress& address) const;

    /// Sends an execute request and waits for it (on an event with flag 0x40,
    /// else by polling the status byte). True when its status is 1.
    bool execWait(AspiExecuteScsi& request) const;

    ScsiResult execute(const DriveAddress& address, const ScsiCommand& command, std::span<std::uint8_t> data) override;

private:
    using SupportInfoFunction = std::uint32_t (*)();
    using SendCommandFunction = std::uint32_t (*)(void*);
    using DeviceProblemFunction = std::uint32_t (*)(std::uint8_t, std::uint8_t, std::uint8_t, char*, std::uint32_t);
    using DeviceAccessFunction = std::uint32_t (*)(std::uint8_t, std::uint8_t, std::uint8_t, std::uint32_t, char*,
                                                   std::uint32_t);
    AspiLayer(SupportInfoFunction supportInfo, SendCommandFunction send, DeviceProblemFunction problem,
              DeviceAccessFunction access);
    QString accessFact(const DriveAddress& address, std::uint32_t fact) const;

    SupportInfoFunction supportInfo_;
    SendCommandFunction send_;
    DeviceProblemFunction problem_; ///< nullptr when the layer has no such entry point
    DeviceAccessFunction access_;   ///< likewise
};

} // namespace brenlow
