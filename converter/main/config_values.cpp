#include "converter/main/config_values.h"

namespace tavrel::config {

namespace {

/// A plain decimal integer (an optional sign and digits, nothing else).
bool parseInteger(const QString& text, qint64& value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 18)
        return false;
    bool ok = false;
    value = trimmed.toLongLong(&ok, 10);
    return ok;
}

} // namespace

quint32 trackColor(const QString& stored)
{
    qint64 value = 0;
    if (!parseInteger(stored, value) || value < 0 || value > 0xFFFFFF)
        return DefaultTrackColor;
    return quint32(value);
}

int languageNumber(const QString& stored)
{
    qint64 value = 0;
    if (!parseInteger(stored, value) || value < 0 || value > 32767)
        return 0;
    return int(value);
}

int wmaProfile(const QString& stored)
{
    qint64 value = 0;
    if (!parseInteger(stored, value) || value < 1 || value > WmaProfileCount)
        return DefaultWmaProfile;
    return int(value);
}

} // namespace tavrel::config
