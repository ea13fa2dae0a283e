#pragma once
// The real desktop services, through Qt's dialogs and QDesktopServices.

#include "platform/shell/services.h"

namespace quandor::shell {

class QtServices final : public Services {
public:
    MessageResult message(QWidget* owner, const QString& text, const QString& title, MessageButtons buttons,
                          MessageIcon icon) override;
    void messageWhileWorking(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                             const std::function<bool()>& givenUp) override;
    bool openUrl(const QString& target) override;
    QStringList openFileNames(QWidget* owner, const FileDialogRequest& request, bool multiple) override;
    QString saveFileName(QWidget* owner, const FileDialogRequest& request) override;
    QString browseForFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
    std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) override;
};

} // namespace quandor::shell
