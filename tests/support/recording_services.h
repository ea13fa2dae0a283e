#pragma once
// Desktop services for tests: every call is recorded, and the answers are
// scripted in advance (message results, file names, folders, colours).
// Installed for the lifetime of the object.

#include "platform/shell/services.h"

#include <QList>
#include <deque>

namespace quandor::test {

struct RecordedMessage {
    QString text;
    QString title;
    shell::MessageButtons buttons;
    shell::MessageIcon icon;
};

class RecordingServices final : public shell::Services {
public:
    RecordingServices();
    ~RecordingServices() override;

    // What happened.
    QList<RecordedMessage> messages;
    QStringList openedUrls;
    QList<shell::FileDialogRequest> fileDialogs;
    QStringList folderDialogs; ///< titles of folder browsers shown

    // What to answer next (each queue is consumed front first; empty = cancel/OK).
    std::deque<shell::MessageResult> messageAnswers;
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;
    std::deque<std::optional<QColor>> colorAnswers;

    shell::MessageResult message(QWidget* owner, const QString& text, const QString& title,
                                 shell::MessageButtons buttons, shell::MessageIcon icon) override;
    bool openUrl(const QString& target) override;
    QStringList openFileNames(QWidget* owner, const shell::FileDialogRequest& request, bool multiple) override;
    QString saveFileName(QWidget* owner, const shell::FileDialogRequest& request) override;
    QString browseForFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) override;

    /// The texts of all messages, for compact assertions.
    QStringList messageTexts() const;
};

/// The web and mail addresses among `targets` whose host is neither `domain`
/// nor one of its subdomains. Local files are not addresses and are left out.
QStringList addressesOutside(const QStringList& targets, const QString& domain);

} // namespace quandor::test
