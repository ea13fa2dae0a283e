#include "platform/shell/qt_services.h"

#include "platform/shell/file_dialog_layout.h"
#include "platform/shell/message_dialog.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

namespace quandor::shell {
namespace {

// How soon a message waiting beside a piece of work goes once the work is given up.
constexpr int kGivenUpPollMs = 50;

QString startPath(const FileDialogRequest& request)
{
    if (request.fileName.isEmpty())
        return request.folder;
    return QDir(request.folder).filePath(request.fileName);
}

} // namespace

MessageResult QtServices::message(QWidget* owner, const QString& text, const QString& title, MessageButtons buttons,
                                  MessageIcon icon)
{
    MessageDialog box(owner, text, title, buttons, icon);
    box.exec();
    return box.answer();
}

void QtServices::messageWhileWorking(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                                     const std::function<bool()>& givenUp)
{
    MessageDialog box(owner, text, title, MessageButtons::Ok, icon);
    box.setWindowModality(Qt::NonModal);
    QEventLoop waiting;
    QObject::connect(&box, &QDialog::finished, &waiting, &QEventLoop::quit);
    QTimer poll;
    poll.setInterval(kGivenUpPollMs);
    QObject::connect(&poll, &QTimer::timeout, &box, [&] {
        if (givenUp())
            box.reject();
    });
    box.show();
    poll.start();
    waiting.exec();
}

bool QtServices::openUrl(const QString& target)
{
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target.trimmed());
    return QDesktopServices::openUrl(url);
}

QStringList QtServices::openFileNames(QWidget* owner, const FileDialogRequest& request, bool multiple)
{
    QFileDialog dialog(owner, request.title, startPath(request), request.filter);
    dialog.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    fitFileDialogColumns(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return QStringList();
    return dialog.selectedFiles();
}

QString QtServices::saveFileName(QWidget* owner, const FileDialogRequest& request)
{
    QFileDialog dialog(owner, request.title, startPath(request), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    fitFileDialogColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtServices::browseForFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    QFileDialog dialog(owner, title, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    fitFileDialogColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

std::optional<QColor> QtServices::chooseColor(QWidget* owner, const QColor& initial)
{
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

} // namespace quandor::shell
