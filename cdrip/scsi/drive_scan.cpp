#include "cdrip/scsi/drive_scan.h"

#include "cdrip/scsi/scsi_commands.h"

#include <array>

namespace brenlow {
namespace {

constexpr int kCdRomDeviceType = 5;
constexpr int kTargetsPerAdapter = 8;
constexpr int kLunsPerTarget = 8;

} // namespace

AspiLoadTexts aspiLoadTexts(AspiLoadFailure failure)
{
    const QString supportTitle = QStringLiteral("GetASPISupportInfo:");
    switch (failure) {
    case AspiLoadFailure::None:
        break;
    case AspiLoadFailure::LibraryMissing:
        return {{QStringLiteral("LoadLibrary:\nWNASPI32.DLL not found. You must install ASPI layer !"),
                 QStringLiteral("Error FS 002")},
                QStringLiteral("WNASPI32.dll not found")};
    case AspiLoadFailure::SupportInfoMissing:
        return {{QStringLiteral("GetProcAddress:\nGetASPI32SupportInfo not found."), QStringLiteral("Error FS 003")},
                QStringLiteral("GetASPI32SupportInfo not found.")};
    case AspiLoadFailure::SendCommandMissing:
        return {{QStringLiteral("GetProcAddress:\npfnSendASPI32Command not found."), QStringLiteral("Error FS 004")},
                QStringLiteral("SendASPI32Command not found.")};
    case AspiLoadFailure::OldManager:
        return {{QStringLiteral("Too old ASPI layer."), supportTitle}, QStringLiteral("Too old ASPI layer.")};
    case AspiLoadFailure::NoRealMode:
        return {{QStringLiteral("Windows ASPI don't support real mode."), supportTitle},
                QStringLiteral("Windows ASPI don't support real mode.")};
    case AspiLoadFailure::NoManager:
        return {{QStringLiteral("ASPI Erreur : ASPI manager not found."), supportTitle},
                QStringLiteral("ASPI manager not found.")};
    case AspiLoadFailure::InitialisationError:
        return {{QStringLiteral("ASPI initialisation error."), supportTitle},
                QStringLiteral("ASPI initialisation error.")};
    }
    return {{}, aspiOkText()};
}

QString aspiOkText()
{
    return QStringLiteral("ASPI ok.");
}

QString aspiInquiry(ScsiTransport& transport, const DriveAddress& address)
{
    std::array<std::uint8_t, scsi::kInquiryLength> answer{};
    if (!scsi::inquiry(transport, address, answer).ok())
        return QStringLiteral("Inquiry error.");
    // Bytes 8..34: vendor (8), product (16) and three characters of the
    // revision; a shorter answer leaves zeros, where the text ends.
    const auto* text = reinterpret_cast<const char*>(answer.data() + 8);
    return QString::fromLatin1(text, static_cast<qsizetype>(qstrnlen(text, 27)));
}

DriveScan aspiScanDevices(AspiLayer& layer)
{
    DriveScan scan;
    const std::optional<int> adapters = layer.hostAdapterCount(0);
    if (!adapters) {
        scan.messages.append({QStringLiteral("Adaptator request error"), QStringLiteral("Error 001 :")});
        return scan;
    }
    for (int a = 0; a < *adapters; ++a) {
        const auto adapter = static_cast<std::uint8_t>(a);
        if (!layer.hostAdapterCount(adapter)) {
            scan.messages.append(
                {QStringLiteral("Host adapter number %1: inquiry failed.").arg(a), QStringLiteral("Error FS 007:")});
            continue;
        }
        for (int t = 0; t < kTargetsPerAdapter; ++t) {
            for (int l = 0; l < kLunsPerTarget; ++l) {
                const DriveAddress address{adapter, static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(l)};
                const std::optional<int> type = layer.deviceType(address);
                if (!type || *type != kCdRomDeviceType)
                    continue;
                const QString description = aspiInquiry(layer, address);
                const QString entry = QStringLiteral("%1:%2:%3 %4").arg(a).arg(t).arg(l).arg(description);
                if (!scan.drives.add({address, entry}))
                    return scan; // the table holds 99 drives
            }
        }
    }
    return scan;
}

} // namespace brenlow
