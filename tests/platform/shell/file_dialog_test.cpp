// The programs' file dialogs show every details column whole: a type such as
// "plain text document" and a full date, not "pla…ent" and "10 Dec…:13:02",
// whatever widths Qt remembers from an earlier use.

#include "platform/shell/qt_services.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

namespace {

using quandor::shell::FileDialogRequest;
using quandor::shell::QtServices;

struct Columns {
    QStringList cutShort; ///< "column: text" of every cell narrower than its text
    int rows = 0;
};

// Waits until the dialog lists the folder, then reads every cell of the
// details columns against the width its text needs.
Columns readColumns(QFileDialog& dialog)
{
    Columns seen;
    auto* view = dialog.findChild<QTreeView*>();
    if (!view)
        return seen;
    view->setFocus();
    QElapsedTimer clock;
    clock.start();
    const QModelIndex root = view->rootIndex();
    while (view->model()->rowCount(root) < 2 && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    seen.rows = view->model()->rowCount(root);
    const QFontMetrics metrics = view->fontMetrics();
    // The style draws a cell's text inside this margin on each side, eliding what does not fit.
    const int textMargin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    for (int column = 1; column < view->header()->count(); ++column) {
        if (view->header()->isSectionHidden(column))
            continue;
        for (int row = 0; row < seen.rows; ++row) {
            const QString text = view->model()->index(row, column, root).data().toString();
            if (metrics.horizontalAdvance(text) + 2 * textMargin > view->header()->sectionSize(column))
                seen.cutShort << QStringLiteral("%1: %2").arg(column).arg(text);
        }
    }
    return seen;
}

// Qt keeps a file dialog's column widths from one use to the next; a user who
// once narrowed them (or an older session's widths) must not cut the text.
void rememberNarrowColumns(const QString& folder)
{
    QFileDialog dialog(nullptr, QStringLiteral("Earlier"), folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.show();
    auto* view = dialog.findChild<QTreeView*>();
    ASSERT_NE(view, nullptr);
    for (int column = 1; column < view->header()->count(); ++column) {
        view->header()->setSectionResizeMode(column, QHeaderView::Interactive);
        view->header()->resizeSection(column, 40);
    }
    dialog.reject();
}

struct DialogCase {
    const char* name;
    std::function<void(QtServices&, const QString& folder)> open;
};

TEST(FileDialog, EveryDetailsColumnShowsItsTextWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir(QStringLiteral("My Music"));
    QFile notes(dir.filePath(QStringLiteral("My Audio CD.cue")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("FILE \"My Audio CD.bin\" BINARY\n");
    notes.close();

    // The widths Qt remembers go to a settings folder of the test's own.
    QTemporaryDir settings;
    ASSERT_TRUE(settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    rememberNarrowColumns(dir.path());
    ASSERT_TRUE(QFile::exists(settings.filePath(QStringLiteral("QtProject.conf"))));

    const DialogCase cases[] = {
        {"save",
         [](QtServices& s, const QString& folder) {
             s.saveFileName(nullptr,
                            FileDialogRequest{QStringLiteral("Save"), folder, QStringLiteral("x"),
                                              QStringLiteral("All (*)"), QString()});
         }},
        {"open one",
         [](QtServices& s, const QString& folder) {
             s.openFileNames(
                 nullptr, FileDialogRequest{QStringLiteral("Open"), folder, {}, QStringLiteral("All (*)"), {}}, false);
         }},
        {"open several",
         [](QtServices& s, const QString& folder) {
             s.openFileNames(
                 nullptr, FileDialogRequest{QStringLiteral("Open"), folder, {}, QStringLiteral("All (*)"), {}}, true);
         }},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.name);
        Columns seen;
        bool found = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            found = dialog != nullptr;
            if (!dialog)
                return;
            if (auto* details = dialog->findChild<QWidget*>(QStringLiteral("detailModeButton")))
                QMetaObject::invokeMethod(details, "click");
            seen = readColumns(*dialog);
            dialog->reject();
        });
        QtServices services;
        c.open(services, dir.path());
        ASSERT_TRUE(found);
        EXPECT_EQ(seen.rows, 2);
        EXPECT_TRUE(seen.cutShort.isEmpty()) << seen.cutShort.join(QStringLiteral(" | ")).toStdString();
    }
}

} // namespace
