#include "platform/shell/qt_services.h"

#include "platform/shell/message_dialog.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

namespace quandor::shell {
namespace {

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

bool QtServices::openUrl(const QString& target)
{
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target.trimmed());
    return QDesktopServices::openUrl(url);
}

QStringList QtServices::openFileNames(QWidget* owner, const FileDialogRequest& request, bool multiple)
{
    if (multiple)
        return QFileDialog::getOpenFileNames(owner, request.title, startPath(request), request.filter);
    const QString one = QFileDialog::getOpenFileName(owner, request.title, startPath(request), request.filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
}

QString QtServices::saveFileName(QWidget* owner, const FileDialogRequest& request)
{
    QFileDialog dialog(owner, request.title, startPath(request), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtServices::browseForFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(owner, title, startFolder);
}

std::optional<QColor> QtServices::chooseColor(QWidget* owner, const QColor& initial)
{
    const QColor chosen = QColorDialog::getColor(initial, owner);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

} // namespace quandor::shell
