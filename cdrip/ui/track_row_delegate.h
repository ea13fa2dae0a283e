#pragma once
// Draws the rows of the track list: the check box of the rip selection, the
// number, title and length, and the progress cell with its bar and percent.

#include <QStyledItemDelegate>

namespace brenlow {

class TrackRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum Column { CheckColumn = 0, NumberColumn, TitleColumn, LengthColumn, ProgressColumn };
    enum Role { SelectedRole = Qt::UserRole + 1, ProgressRole };

    // The brushes of the rows.
    static QColor rowHighlight() { return QColor(230, 230, 230); }
    static QColor selectedMark() { return QColor(22, 119, 154); }
    static QColor progressDone() { return QColor(130, 154, 173); }
    static QColor trackRemaining() { return QColor(225, 225, 225); }

    /// The percent text of a stored progress value: 1 shows as 0 % (a track
    /// just read), 99 as 100 %.
    static QString progressText(int progress);
    /// Width in pixels of the done part of a progress cell `width` wide.
    static int doneWidth(int progress, int width);

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintCheckBox(QPainter* painter, const QRect& cell, bool selected) const;
    void paintProgress(QPainter* painter, const QRect& cell, int progress, const QString& text) const;
};

} // namespace brenlow
