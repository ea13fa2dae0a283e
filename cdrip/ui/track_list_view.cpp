#include "cdrip/ui/track_list_view.h"

#include <QHeaderView>
#include <QPainter>

namespace brenlow {

TrackListView::TrackListView(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("trackList"));
    setColumnCount(5);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setFrameShape(QFrame::Box);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(1);
}

void TrackListView::setBackgroundPicture(const QString& path)
{
    picture_ = QPixmap(path);
    viewport()->update();
}

void TrackListView::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (!showsBackground())
        return;
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    const QPoint anchor(area.width() * 40 / 100, area.height() * 40 / 100);
    if (!picture_.isNull()) {
        painter.drawPixmap(anchor - QPoint(picture_.width() * 40 / 100, picture_.height() * 40 / 100), picture_);
        return;
    }
    // No picture file: a plain disc in its place.
    const int radius = std::min(area.width(), area.height()) / 4;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(130, 154, 173), 2));
    painter.setBrush(QColor(225, 225, 225));
    painter.drawEllipse(anchor, radius, radius);
    painter.setBrush(palette().base());
    painter.drawEllipse(anchor, radius / 5, radius / 5);
}

} // namespace brenlow
