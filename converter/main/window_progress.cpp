#include "converter/main/window_progress.h"

#include "converter/main/file_list_view.h"
#include "converter/main/progress_strip.h"
#include "converter/main/vector_registers.h"

#include <QCoreApplication>
#include <QLabel>
#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

// The bar's width is reckoned in twips, as its frame's.
constexpr double TwipsPerPixel = 15.0;

} // namespace

QString WindowProgress::percentLabel() const
{
    return percent_.text();
}

void WindowProgress::setPercentLabel(const QString& text)
{
    percent_.setText(text); // the same text again repaints nothing
}

void WindowProgress::setBarFraction(double fraction)
{
    const double twips = barWidth(frame_.width() * TwipsPerPixel, fraction);
    const int maximum = std::max(0, frame_.width() - 4);
    bar_.setFilledPixels(std::clamp(int(std::lround(twips / TwipsPerPixel)), 0, maximum));
}

void WindowProgress::setRowProgress(int position, double value)
{
    list_.setRowProgress(position, value);
}

void WindowProgress::yield()
{
    QCoreApplication::processEvents();
    releaseUpperVectorState(); // the conversion goes on from here
}

} // namespace tavrel
