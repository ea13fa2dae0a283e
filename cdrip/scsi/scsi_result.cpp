#include "cdrip/scsi/scsi_result.h"

namespace brenlow {

QString senseText(const SenseData& sense)
{
    return QStringLiteral("%1 (%2/%3)")
        .arg(QLatin1String(quandor::aspi::senseKeyName(sense.key)))
        .arg(sense.asc, 2, 16, QLatin1Char('0'))
        .arg(sense.ascq, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString ScsiResult::text() const
{
    QString out = QStringLiteral("status %1").arg(status, 2, 16, QLatin1Char('0'));
    if (sense.any())
        out += QStringLiteral(", ") + senseText(sense);
    return out;
}

} // namespace brenlow
