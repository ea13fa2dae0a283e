#pragma once
// The main window's file list: four columns (number, name, duration, the
// row's progress bar), one entry a source file. It answers for its entries
// (positions count from 1) and reports drops, keys and mouse presses as
// signals the main window handles; the row bars are drawn by
// RowProgressDelegate from a value kept on each row.

#include "converter/main/file_list_roles.h"

#include <QTreeWidget>

namespace tavrel {

class FileListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit FileListView(QWidget* parent);

    /// Number of entries, and an entry's parts.
    int entryCount() const;
    QTreeWidgetItem* entryItem(int position) const;
    QString entryKey(int position) const; ///< the source's full path
    QString entryName(int position) const;
    /// The position of the selected (current) entry, 0 when none.
    int selectedPosition() const;
    /// Selects the entry alone and scrolls it into view.
    void revealEntry(int position);

    /// The row bar of the entry at `position`: 0 to 100.
    void setRowProgress(int position, double value);
    /// Shows the row bars' values at once (they are drawn with their rows, so
    /// they follow scrolling and column changes by themselves).
    void repaintRows();

signals:
    /// Files dropped onto the list, in the order given.
    void filesDropped(const QStringList& paths);
    /// Ctrl+A (65) or Delete (46), with the modifiers held.
    void commandKeyPressed(int keyCode, Qt::KeyboardModifiers modifiers);
    /// Any other key, after the list has moved its selection.
    void selectionKeyPressed();
    void mousePressed(Qt::MouseButton button);
    void mouseReleased(Qt::MouseButton button, const QPoint& globalPosition);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace tavrel
