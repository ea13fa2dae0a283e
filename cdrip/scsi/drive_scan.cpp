#include "cdrip/scsi/drive_scan.h"

#include "cdrip/scsi/scsi_commands.h"

#include <array>
#include <future>
#include <vector>

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

namespace {

// Every adapter that answers is searched target by target, lun by lun, for
// CD-ROM drives; an adapter that does not answer is reported and skipped.
std::vector<DriveAddress> findCdRoms(AspiLayer& layer, int adapters, DriveScan& scan)
{
    std::vector<DriveAddress> cdRoms;
    for (int a = 0; a < adapters; ++a) {
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
                if (type && *type == kCdRomDeviceType)
                    cdRoms.push_back(address);
            }
        }
    }
    return cdRoms;
}

void describeCdRoms(AspiLayer& layer, const std::vector<DriveAddress>& cdRoms, DriveScan& scan)
{
    // Each drive is asked at the same time as the others: a drive that does
    // not answer costs its own entry its time-out, not every entry after it.
    // The futures of drives past the 99th are waited for as they go.
    std::vector<std::future<QString>> descriptions;
    for (const DriveAddress& address : cdRoms)
        descriptions.push_back(
            std::async(std::launch::async, [&layer, address] { return aspiInquiry(layer, address); }));
    for (std::size_t i = 0; i < cdRoms.size(); ++i) {
        const DriveAddress& address = cdRoms[i];
        const QString entry = QStringLiteral("%1:%2:%3 %4")
                                  .arg(address.adapter)
                                  .arg(address.target)
                                  .arg(address.lun)
                                  .arg(descriptions[i].get());
        if (const auto access = layer.deviceAccessProblem(address))
            scan.messages.append(
                {driveAccessText(*access, QString::fromUtf8(kDriveAccessEnglish)), QStringLiteral("Brenlow"), access});
        else if (const QString problem = layer.deviceProblem(address); !problem.isEmpty())
            scan.messages.append({problem, QStringLiteral("Brenlow"), std::nullopt});
        if (!scan.drives.add({address, entry}))
            break; // the table holds 99 drives
    }
}

} // namespace

QString driveAccessText(const DriveAccessProblem& problem, const QString& pattern)
{
    // One pass over the pattern: a "%" in a node or group name stays as it is.
    return pattern.arg(problem.node, problem.reason, problem.group);
}

DriveScan aspiScanDevices(AspiLayer& layer)
{
    DriveScan scan;
    const std::optional<int> adapters = layer.hostAdapterCount(0);
    if (!adapters) {
        scan.messages.append({QStringLiteral("Adaptator request error"), QStringLiteral("Error 001 :")});
        return scan;
    }
    describeCdRoms(layer, findCdRoms(layer, *adapters, scan), scan);
    return scan;
}

} // namespace brenlow
