#include "converter/main/progress_strip.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace tavrel {

ProgressStrip::ProgressStrip(QWidget* parent) : QFrame(parent) {}

void ProgressStrip::setFilledPixels(int pixels)
{
    const int filled = std::clamp(pixels, 0, width());
    if (filled == filled_)
        return;
    const int from = std::min(filled, filled_);
    update(from, 0, std::max(filled, filled_) - from, height());
    filled_ = filled;
}

void ProgressStrip::paintEvent(QPaintEvent* event)
{
    const QRect bar = QRect(0, 0, filled_, height()).intersected(event->rect());
    if (bar.isEmpty())
        return;
    QPainter painter(this);
    painter.fillRect(bar, palette().color(QPalette::Highlight));
}

} // namespace tavrel
