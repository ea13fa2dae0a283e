#pragma once
// The main window's file list: four columns (number, name, duration, the
// row's progress bar), one entry a source file. It turns drops, keys and
// mouse presses into the main window's handlers; the row bars are drawn by
// RowProgressDelegate from a value kept on each row.

#include <QTreeWidget>

namespace tavrel {

class Audiotool;

/// Data roles of an entry's item.
enum FileListRole {
    EntryKeyRole = Qt::UserRole + 1,     ///< column 0: the source's full path
    RowProgressRole = Qt::UserRole + 2,  ///< column 3: the bar's value, 0..100
    RowBarLoadedRole = Qt::UserRole + 3, ///< column 3: the row has a bar
};

/// The column that holds each row's progress bar.
constexpr int RowProgressColumn = 3;

class FileListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit FileListView(Audiotool& owner);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Audiotool& owner_;
};

} // namespace tavrel
