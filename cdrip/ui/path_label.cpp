#include "cdrip/ui/path_label.h"

#include <algorithm>

namespace brenlow {

PathLabel::PathLabel(QString path, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setPath(path);
}

void PathLabel::setPath(const QString& path)
{
    path_ = path;
    setToolTip(path_);
    showFitting();
}

// The height of one line; the width is whatever the layout gives.
QSize PathLabel::sizeHint() const
{
    return {0, QLabel::sizeHint().height()};
}

QSize PathLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void PathLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showFitting();
}

void PathLabel::showFitting()
{
    const int room = contentsRect().width() - 2 * margin();
    setText(fontMetrics().elidedText(path_, Qt::ElideMiddle, std::max(room, 0)));
}

} // namespace brenlow
