#pragma once
// Loading the ASPI layer (LoadAspi's checks and texts) and the drive scan
// (AspiScanDevices, AspiInquiry). No widgets: the main dialog shows the
// messages and fills its drive list from the result.

#include "cdrip/scsi/aspi_layer.h"
#include "cdrip/scsi/drive_table.h"

#include <QList>
#include <QString>
#include <optional>

namespace brenlow {

/// A message box to show: text, title, error icon, no owner.
struct AspiMessage {
    QString text;
    QString title;
    /// Set for a drive node the user may not open: `text` is then the English
    /// message, which the window may tell in the user's language instead.
    std::optional<DriveAccessProblem> access;
    bool operator==(const AspiMessage&) const = default;
};

/// The message about a drive node the user may not open: %1 the node, %2 the
/// system's reason, %3 the group that owns the node.
inline constexpr char kDriveAccessEnglish[] =
    "No access to the drive %1 (%2): you need read and write access to it (on most systems, membership of the "
    "group that owns it, %3).";
QString driveAccessText(const DriveAccessProblem& problem, const QString& pattern);

/// The texts of a failed load: the message box and the short status text.
struct AspiLoadTexts {
    AspiMessage message;
    QString shortText; ///< the status text ("WNASPI32.dll not found", ...)
};
AspiLoadTexts aspiLoadTexts(AspiLoadFailure failure);

/// The status text when the layer works.
QString aspiOkText();

/// The description of a device: INQUIRY bytes 8..34 (vendor, product and the
/// first three characters of the revision), or "Inquiry error.".
QString aspiInquiry(ScsiTransport& transport, const DriveAddress& address);

struct DriveScan {
    DriveTable drives;
    QList<AspiMessage> messages; ///< in the order they are to be shown
};

/// Scans every adapter, target 0..7 and LUN 0..7 for CD-ROM devices (type 5).
DriveScan aspiScanDevices(AspiLayer& layer);

} // namespace brenlow
