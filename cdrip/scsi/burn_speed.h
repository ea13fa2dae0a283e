#pragma once
// The write speeds the burner offers and what each sends to the drive.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace brenlow {

/// The speed factors that do not exceed `maxWriteKbs` ÷ 176, in rising
/// order, then "Maximum"; "Maximum" alone when the speed is unknown (0xFFFF).
QStringList burnSpeedChoices(std::uint16_t maxWriteKbs);

/// kB/s sent for a speed choice; "Maximum" (or any other text) sends
/// `maxWriteKbs`, the drive's own maximum.
std::uint16_t burnSpeedKbs(const QString& choice, std::uint16_t maxWriteKbs);

inline constexpr std::uint16_t kUnknownWriteSpeed = 0xFFFF;

} // namespace brenlow
