#pragma once
// Dialog 119: the discs a CDDB server matched, one line each
// ("<category>: <title>"); OK reads the chosen one.

#include "cdrip/cddb/cddb_reply.h"

#include <QDialog>
#include <vector>

class QListWidget;

namespace brenlow {

class LanguageTable;

class CddbMatchDialog : public QDialog {
    Q_OBJECT
public:
    CddbMatchDialog(const LanguageTable& language, const std::vector<CddbMatch>& matches, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    /// The 1-based number of the chosen match; 1 when nothing is selected.
    int chosenNumber() const;

private:
    QListWidget* list_;
};

} // namespace brenlow
