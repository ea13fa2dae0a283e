#include "platform/shell/file_dialog_layout.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>

namespace quandor::shell {
namespace {

// Wide enough for the details columns beside a name of some length.
constexpr int kMinimumWidth = 760;
constexpr int kMinimumHeight = 440;

void fitColumns(QTreeView& view)
{
    QHeaderView& header = *view.header();
    header.setStretchLastSection(false);
    header.setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header.count(); ++column)
        header.setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

} // namespace

void fitFileDialogColumns(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.resize(qMax(dialog.width(), kMinimumWidth), qMax(dialog.height(), kMinimumHeight));
    auto* view = dialog.findChild<QTreeView*>();
    if (!view)
        return;
    fitColumns(*view);
    // The header counts its sections only once the model has them.
    if (auto* model = qobject_cast<QFileSystemModel*>(view->model()))
        QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] { fitColumns(*view); });
}

} // namespace quandor::shell
