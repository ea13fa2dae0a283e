#pragma once
// The message box of both programs. Its text is shown exactly as given, so
// that what the user selects or copies (Ctrl+C copies it all) is the path or
// code itself; a long path or any other long run without spaces wraps inside
// the box where it must, instead of widening the box or being cut.

#include "platform/shell/services.h"

#include <QDialog>

class QAbstractButton;
class QDialogButtonBox;
class QTextEdit;

namespace quandor::shell {

class MessageDialog : public QDialog {
    Q_OBJECT
public:
    MessageDialog(QWidget* owner, const QString& text, const QString& title, MessageButtons buttons, MessageIcon icon);

    /// The button the user chose (valid once the dialog has ended).
    MessageResult answer() const { return answer_; }
    QString text() const { return text_; }

    void reject() override; // Escape and the close box

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitText();
    void chosen(QAbstractButton* button);

    QString text_;
    MessageButtons buttons_;
    MessageResult answer_ = MessageResult::Cancel;
    QTextEdit* textView_ = nullptr;
    QDialogButtonBox* buttonBox_ = nullptr;
};

} // namespace quandor::shell
