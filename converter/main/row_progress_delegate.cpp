#include "converter/main/row_progress_delegate.h"

#include "converter/main/file_list_roles.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <cmath>

namespace tavrel {

void RowProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.data(RowBarLoadedRole).toBool())
        return;
    const double value = std::clamp(index.data(RowProgressRole).toDouble(), 0.0, 100.0);

    // The bar sits 2 pixels inside the cell's top and is 3 pixels shorter,
    // as the row bars always have.
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(0, 2, 0, -1);
    bar.minimum = 0;
    bar.maximum = 1000;
    bar.progress = int(std::lround(value * 10.0));
    bar.textVisible = false;
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}

} // namespace tavrel
