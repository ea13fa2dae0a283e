#include "converter/common/conversion_numbers.h"

#include <cmath>
#include <limits>

namespace tavrel {

double roundHalfToEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return lower + 1.0;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::optional<double> parseNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

template <typename Int>
std::optional<Int> toRoundedInteger(const QString& text)
{
    const std::optional<double> number = parseNumber(text);
    if (!number)
        return std::nullopt;
    const double rounded = roundHalfToEven(*number);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min())
        || rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

std::optional<std::int16_t> toInt16(const QString& text)
{
    return toRoundedInteger<std::int16_t>(text);
}

std::optional<std::int32_t> toInt32(const QString& text)
{
    return toRoundedInteger<std::int32_t>(text);
}

std::optional<bool> toBoolean(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const std::optional<double> number = parseNumber(trimmed))
        return *number != 0.0;
    return std::nullopt;
}

} // namespace tavrel
