#pragma once
// The about dialog (168): the program's name and version, links to the
// maker's site and e-mail, and a donation link carrying the typed amount.
// Every link closes the dialog after opening its target.

#include <QDialog>

namespace brenlow {

class LanguageTable;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const LanguageTable& language, QString aspiStatus, QWidget* parent = nullptr);

    /// The targets of links 1070, 1069 and 1092 as they stand now.
    QString siteLink() const;
    QString mailLink() const;
    QString donationLink() const;

private:
    void openAndClose(const QString& target);

    const LanguageTable& language_;
    QString aspiStatus_;
};

} // namespace brenlow
