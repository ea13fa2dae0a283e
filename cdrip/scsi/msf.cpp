#include "cdrip/scsi/msf.h"

namespace brenlow {

QString Msf::text() const
{
    return QStringLiteral("%1:%2.%3")
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'))
        .arg(frame, 2, 10, QLatin1Char('0'));
}

} // namespace brenlow
