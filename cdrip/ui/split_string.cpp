#include "cdrip/ui/split_string.h"

namespace brenlow {

QStringList splitString(const QString& text, QChar separator)
{
    QStringList parts;
    qsizetype start = 0;
    for (;;) {
        const qsizetype found = text.indexOf(separator, start);
        if (found < 0) {
            parts << text.mid(start);
            return parts;
        }
        parts << text.mid(start, found - start + 1);
        start = found + 1;
    }
}

} // namespace brenlow
