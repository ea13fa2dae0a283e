#include "cdrip/scsi/scsi_result.h"

namespace brenlow {

SenseData SenseData::fromFixedFormat(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 14)
        return {};
    const std::uint8_t responseCode = bytes[0] & 0x7F;
    if (responseCode != 0x70 && responseCode != 0x71)
        return {};
    return SenseData{static_cast<std::uint8_t>(bytes[2] & 0x0F), bytes[12], bytes[13]};
}

static QString senseKeyName(std::uint8_t key)
{
    switch (static_cast<SenseKey>(key)) {
    case SenseKey::NoSense: return QStringLiteral("NO SENSE");
    case SenseKey::RecoveredError: return QStringLiteral("RECOVERED ERROR");
    case SenseKey::NotReady: return QStringLiteral("NOT READY");
    case SenseKey::MediumError: return QStringLiteral("MEDIUM ERROR");
    case SenseKey::HardwareError: return QStringLiteral("HARDWARE ERROR");
    case SenseKey::IllegalRequest: return QStringLiteral("ILLEGAL REQUEST");
    case SenseKey::UnitAttention: return QStringLiteral("UNIT ATTENTION");
    case SenseKey::DataProtect: return QStringLiteral("DATA PROTECT");
    case SenseKey::BlankCheck: return QStringLiteral("BLANK CHECK");
    case SenseKey::AbortedCommand: return QStringLiteral("ABORTED COMMAND");
    }
    return QStringLiteral("SENSE KEY %1").arg(key, 1, 16);
}

QString SenseData::text() const
{
    return QStringLiteral("%1 (%2/%3)")
        .arg(senseKeyName(key))
        .arg(asc, 2, 16, QLatin1Char('0'))
        .arg(ascq, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString ScsiResult::text() const
{
    QString out = QStringLiteral("status %1").arg(status, 2, 16, QLatin1Char('0'));
    if (sense.any())
        out += QStringLiteral(", ") + sense.text();
    return out;
}

} // namespace brenlow
