#pragma once
// The desktop services both programs ask of the system: message boxes, opening
// a link or a file with its program, file and folder dialogs, the colour
// dialog. One injectable object, so tests run headless and record each call.

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace quandor::shell {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageResult { Ok, Cancel, Yes, No, Retry };

struct FileDialogRequest {
    QString title;
    QString folder;        ///< starting folder
    QString fileName;      ///< proposed name (save dialogs)
    QString filter;        ///< Qt filter text, e.g. "Audio (*.wav *.mp3);;All (*)"
    QString defaultSuffix; ///< added to a saved name without one (save dialogs)
};

class Services {
public:
    virtual ~Services() = default;

    /// A modal message box titled `title`; returns the button pressed.
    virtual MessageResult message(QWidget* owner, const QString& text, const QString& title, MessageButtons buttons,
                                  MessageIcon icon) = 0;
    /// A message box with one OK that leaves its owner window answering while
    /// it waits, as a long piece of work does; it closes unanswered once
    /// `given up` says so (a Cancel pressed in the owner meanwhile).
    virtual void messageWhileWorking(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                                     const std::function<bool()>& givenUp)
    {
        (void)givenUp;
        message(owner, text, title, MessageButtons::Ok, icon);
    }
    /// Opens a web address, a "mailto:" link or a file with its program.
    virtual bool openUrl(const QString& target) = 0;
    /// Files to open; empty when cancelled.
    virtual QStringList openFileNames(QWidget* owner, const FileDialogRequest& request, bool multiple) = 0;
    /// A file to save to (the dialog asks before replacing); empty when cancelled.
    virtual QString saveFileName(QWidget* owner, const FileDialogRequest& request) = 0;
    /// A folder; empty when cancelled.
    virtual QString browseForFolder(QWidget* owner, const QString& title, const QString& startFolder) = 0;
    /// A colour; nothing when cancelled.
    virtual std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) = 0;
};

/// The services in use: the real dialogs unless a test installed its own.
Services& services();

/// Installs `replacement` (not owned) until it is reset with nullptr.
void setServices(Services* replacement);

/// Shorthand for the common case: one message box.
inline MessageResult messageBox(QWidget* owner, const QString& text, const QString& title,
                                MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None)
{
    return services().message(owner, text, title, buttons, icon);
}

} // namespace quandor::shell
