#pragma once
// Text-to-number conversions with the rules Config.ini values and tag fields
// have always been read by: surrounding blanks ignored, a decimal fraction
// rounded half to even, a value outside the target's range refused.

#include <QString>
#include <cstdint>
#include <optional>

namespace tavrel {

/// Rounds to the nearest whole number, halves to the even neighbour (42.5 → 42, 43.5 → 44).
double roundHalfToEven(double value);

/// A number written as text ("12", " 12 ", "12.5", "-3", "1e3"); nothing for
/// empty, blank or non-numeric text.
std::optional<double> parseNumber(const QString& text);

/// A 16-bit integer (rounded half to even); nothing when not a number or out of range.
std::optional<std::int16_t> toInt16(const QString& text);

/// A 32-bit integer (rounded half to even); nothing when not a number or out of range.
std::optional<std::int32_t> toInt32(const QString& text);

/// "True"/"False" in any letter case, or a number (0 is False); nothing otherwise.
std::optional<bool> toBoolean(const QString& text);

} // namespace tavrel
