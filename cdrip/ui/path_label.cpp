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

QString PathLabel::fitting(const QString& path, const QFontMetrics& metrics, int room)
{
    room = std::max(room, 0);
    if (metrics.horizontalAdvance(path) <= room)
        return path;
    // The file name is what the user looks for: the folder gives way first.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    const QString folder = path.left(slash + 1);
    const int nameWidth = metrics.horizontalAdvance(name);
    const QString ellipsis(QChar(0x2026));
    if (slash >= 0 && nameWidth + metrics.horizontalAdvance(ellipsis) <= room) {
        const QString shortFolder = metrics.elidedText(folder, Qt::ElideMiddle, room - nameWidth);
        return (shortFolder.isEmpty() ? ellipsis : shortFolder) + name;
    }
    return metrics.elidedText(name, Qt::ElideMiddle, room);
}

void PathLabel::showFitting()
{
    setText(fitting(path_, fontMetrics(), contentsRect().width() - 2 * margin()));
}

} // namespace brenlow
