#pragma once
// Dialog 113: edits one track's title. The characters a file name cannot
// hold (/ \ : * ? < > |) become "_"; an empty title keeps the dialog open.

#include <QDialog>

class QLineEdit;

namespace brenlow {

class LanguageTable;

class TrackTitleDialog : public QDialog {
    Q_OBJECT
public:
    TrackTitleDialog(const LanguageTable& language, const QString& title, QWidget* parent = nullptr);

    /// The accepted title, its forbidden characters replaced.
    QString title() const { return title_; }

    void accept() override;

    /// The title as it is stored: at most 254 characters, / \ : * ? < > | as "_".
    static QString cleanedTitle(const QString& typed);

private:
    QLineEdit* field_;
    QString title_;
};

} // namespace brenlow
