#include "converter/main/file_list_view.h"

#include "converter/main/audiotool.h"
#include "converter/main/row_progress_delegate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace tavrel {

FileListView::FileListView(Audiotool& owner) : QTreeWidget(&owner), owner_(owner)
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
    owner_.ListView1_OLEDragDrop(paths);
}

void FileListView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_A || key == Qt::Key_Delete) {
        owner_.ListView1_KeyDown(key == Qt::Key_A ? 65 : 46, event->modifiers());
        return;
    }
    QTreeWidget::keyPressEvent(event);
    owner_.UpdateFileCount();
}

void FileListView::mousePressEvent(QMouseEvent* event)
{
    owner_.ListView1_MouseDown(event->button());
    // A press on a row's bar selects that row, as a press on its other cells.
    QTreeWidget::mousePressEvent(event);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    owner_.ListView1_MouseUp(event->button(), event->globalPosition().toPoint());
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    owner_.ListView1_DblClick();
}

} // namespace tavrel
