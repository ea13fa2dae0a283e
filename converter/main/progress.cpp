#include "converter/main/progress.h"

#include "converter/common/conversion_numbers.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

int clampedPercent(double rounded)
{
    if (!(rounded > 0.0))
        return 0;
    return rounded > 100.0 ? 100 : static_cast<int>(rounded);
}

// A whole number that fits in int, for reports far outside 0..100.
int toPercent(double rounded)
{
    if (std::isnan(rounded))
        return 0;
    return static_cast<int>(std::clamp(rounded, -1.0e9, 1.0e9));
}

} // namespace

int encoderPercent(double done, double total)
{
    if (!(total > 0.0))
        return 0;
    return toPercent(roundHalfToEven(done / total * 100.0));
}

int apeCallbackPercent(std::int64_t thousandths)
{
    const double rounded = roundHalfToEven(static_cast<double>(thousandths) / 1000.0);
    return std::min(100, toPercent(rounded));
}

int pumpPercent(double done, double length)
{
    if (!(length > 0.0))
        return 1;
    const double rounded = roundHalfToEven(100.0 * std::min(done, length) / length);
    return std::max(1, clampedPercent(rounded));
}

double percentFraction(int percent)
{
    return std::clamp(percent, 0, 100) / 100.0;
}

double barWidth(double frameWidth, double fraction)
{
    return std::max(0.0, (frameWidth - 60.0) * std::clamp(fraction, 0.0, 1.0));
}

QString percentText(int percent)
{
    return QString::number(percent) + QStringLiteral(" %");
}

void showPercent(ProgressSurface& surface, int position, int percent)
{
    const QString text = percentText(percent);
    if (surface.percentLabel() != text) {
        surface.setBarFraction(percentFraction(percent));
        surface.setPercentLabel(text);
        const int row = std::clamp(percent, 0, 100);
        surface.setRowProgress(position, row == 0 ? 1 : row);
    }
    surface.yield();
}

void resetProgress(ProgressSurface& surface)
{
    surface.setBarFraction(0.0);
    surface.setPercentLabel(percentText(0));
    surface.settle();
}

} // namespace tavrel
