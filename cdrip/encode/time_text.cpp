#include "cdrip/encode/time_text.h"

namespace brenlow {

QString FramesToMsf(int64_t frames, int64_t base)
{
    const int64_t f = frames > base ? frames - base : 0;
    const int64_t ff = f % 75;
    const int64_t seconds = f / 75;
    const auto twoDigits = [](int64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return twoDigits(seconds / 60) + QLatin1Char(':') + twoDigits(seconds % 60) + QLatin1Char(':') + twoDigits(ff);
}

uint16_t BytesToWord(char low, char high)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(low) + 256u * static_cast<uint8_t>(high));
}

} // namespace brenlow
