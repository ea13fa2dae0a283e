#include "cdrip/ui/link_label.h"

#include <QMouseEvent>

namespace brenlow {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void makeLinkControl(QWidget& control)
{
    QFont font = control.font();
    font.setPixelSize(std::max(1, 3 * control.height() / 4));
    font.setWeight(QFont::Normal);
    font.setUnderline(true);
    control.setFont(font);
    control.setCursor(Qt::PointingHandCursor);
}

} // namespace brenlow
