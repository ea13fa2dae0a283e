#include "platform/shell/qt_services.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace quandor::shell {
namespace {

QMessageBox::StandardButtons standardButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon standardIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MessageResult resultOf(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return MessageResult::Ok;
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    case QMessageBox::Retry:
        return MessageResult::Retry;
    default:
        return MessageResult::Cancel;
    }
}

// The box wraps its text only at spaces, and a path has none: it would widen
// the box to its limit and be cut there. A zero-width space after each path
// separator, and inside any other long unbroken run, lets it wrap instead.
QString wrappableText(const QString& text)
{
    constexpr qsizetype kLongestRun = 32;
    const QChar breakOpportunity(0x200B);
    QString wrappable;
    wrappable.reserve(text.size() + text.size() / 8);
    qsizetype run = 0;
    for (const QChar c : text) {
        wrappable += c;
        run = c.isSpace() ? 0 : run + 1;
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || run == kLongestRun) {
            wrappable += breakOpportunity;
            run = 0;
        }
    }
    return wrappable;
}

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
    QMessageBox box(standardIcon(icon), title, wrappableText(text), standardButtons(buttons), owner);
    return resultOf(box.exec());
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
