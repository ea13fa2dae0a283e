#include "cdrip/ui/track_row_delegate.h"

#include <QPainter>

namespace brenlow {

QString TrackRowDelegate::progressText(int progress)
{
    int shown = progress;
    if (progress == 1)
        shown = 0;
    else if (progress == 99)
        shown = 100;
    return QString::number(shown) + QLatin1Char('%');
}

int TrackRowDelegate::doneWidth(int progress, int width)
{
    return static_cast<int>(static_cast<double>(progress) * (width - 1) / 100.0);
}

void TrackRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    const QRect cell = option.rect;
    const bool highlighted = option.state & QStyle::State_Selected;
    painter->fillRect(cell, highlighted ? rowHighlight() : option.palette.color(QPalette::Base));
    painter->setPen(option.palette.color(QPalette::Text));
    switch (index.column()) {
    case CheckColumn:
        paintCheckBox(painter, cell, index.data(SelectedRole).toInt() == 1);
        break;
    case ProgressColumn:
        paintProgress(painter, cell, index.data(ProgressRole).toInt(), index.data(Qt::DisplayRole).toString());
        break;
    default: {
        const QRect inset = cell.adjusted(2, 0, -2, 0);
        const QString text =
            option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, inset.width());
        painter->drawText(inset, Qt::AlignLeft | Qt::AlignVCenter, text);
        break;
    }
    }
    painter->restore();
}

void TrackRowDelegate::paintCheckBox(QPainter* painter, const QRect& cell, bool selected) const
{
    const int top = cell.top();
    const int bottom = cell.bottom() + 1;
    const int x = cell.left();
    const int w0 = cell.width();
    painter->setPen(Qt::black);
    painter->drawRect(QRect(QPoint(x + 1, top + 1), QPoint(x + w0 - 1, bottom - 2)));
    painter->fillRect(QRect(QPoint(x + 3, top + 3), QPoint(x + w0 - 3, bottom - 4)),
                      selected ? selectedMark() : QColor(Qt::white));
}

void TrackRowDelegate::paintProgress(QPainter* painter, const QRect& cell, int progress, const QString& text) const
{
    const int top = cell.top();
    const int bottom = cell.bottom() + 1;
    const int x = cell.left();
    const int w = cell.width();
    const int done = doneWidth(progress, w);
    painter->setPen(Qt::black);
    painter->drawRect(QRect(QPoint(x, top + 1), QPoint(x + w - 1, bottom - 2)));
    const QRect inner(QPoint(x + 1, top + 2), QPoint(x + done, bottom - 3));
    if (progress != 0)
        painter->fillRect(inner, progressDone());
    if (progress != 100)
        painter->fillRect(QRect(QPoint(x + done + 1, top + 2), QPoint(x + w - 2, bottom - 3)), trackRemaining());
    painter->drawText(QRect(QPoint(x + (w / 20) * 8, top), QPoint(x + w - 1, bottom - 1)),
                      Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace brenlow
