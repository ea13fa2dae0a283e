#pragma once
// Dialog 194: shown while a CDDB lookup runs; its one button (1) cancels it.

#include <QDialog>

namespace brenlow {

class LanguageTable;

class CddbWaitDialog : public QDialog {
    Q_OBJECT
public:
    explicit CddbWaitDialog(const LanguageTable& language, QWidget* parent = nullptr);

    /// The lookup is over: the dialog ends with Accepted.
    void finish();
    /// True once the user cancelled (button 1, Escape or the close box).
    bool cancelled() const { return result() != QDialog::Accepted; }
};

} // namespace brenlow
