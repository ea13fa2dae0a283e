#pragma once
// Draws an entry's own progress bar in its row: a progress bar filling the
// cell less a small margin, from the value the row holds (0..100). Rows that
// have no bar, and rows scrolled out of view, show none.

#include <QStyledItemDelegate>

namespace tavrel {

class RowProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace tavrel
