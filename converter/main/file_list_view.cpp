#include "converter/main/file_list_view.h"

#include "converter/main/row_progress_delegate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace tavrel {

FileListView::FileListView(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("ListView1"));
    setColumnCount(4);
    setHeaderLabels(
        {QStringLiteral("N°"), QStringLiteral("File"), QStringLiteral("Duration"), QStringLiteral("Progress")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setItemDelegateForColumn(RowProgressColumn, new RowProgressDelegate(this));
    header()->setStretchLastSection(true);
    setColumnWidth(0, 56);
    setColumnWidth(1, 200);
    setColumnWidth(2, 72);
}

void FileListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dropEvent(QDropEvent* event)
{
    // Only a list of files counts; any other data is ignored.
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}

void FileListView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_A || key == Qt::Key_Delete) {
        emit commandKeyPressed(key == Qt::Key_A ? 65 : 46, event->modifiers());
        return;
    }
    QTreeWidget::keyPressEvent(event);
    emit selectionKeyPressed();
}

void FileListView::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button());
    // A press on a row's bar selects that row, as a press on its other cells.
    QTreeWidget::mousePressEvent(event);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    emit mouseReleased(event->button(), event->globalPosition().toPoint());
}

// ---- Entries ----------------------------------------------------------------

int FileListView::entryCount() const
{
    return topLevelItemCount();
}

QTreeWidgetItem* FileListView::entryItem(int position) const
{
    if (position < 1 || position > entryCount())
        return nullptr;
    return topLevelItem(position - 1);
}

QString FileListView::entryKey(int position) const
{
    const QTreeWidgetItem* item = entryItem(position);
    return item ? item->data(0, EntryKeyRole).toString() : QString();
}

QString FileListView::entryName(int position) const
{
    const QTreeWidgetItem* item = entryItem(position);
    return item ? item->text(1) : QString();
}

int FileListView::selectedPosition() const
{
    QTreeWidgetItem* current = currentItem();
    if (current && current->isSelected())
        return indexOfTopLevelItem(current) + 1;
    for (int row = 0; row < entryCount(); ++row) {
        if (topLevelItem(row)->isSelected())
            return row + 1;
    }
    return 0;
}

void FileListView::revealEntry(int position)
{
    QTreeWidgetItem* item = entryItem(position);
    if (!item)
        return;
    clearSelection();
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
    repaintRows();
}

void FileListView::setRowProgress(int position, double value)
{
    if (QTreeWidgetItem* item = entryItem(position)) {
        item->setData(RowProgressColumn, RowBarLoadedRole, true);
        item->setData(RowProgressColumn, RowProgressRole, value);
    }
}

void FileListView::repaintRows()
{
    viewport()->update();
}

} // namespace tavrel
