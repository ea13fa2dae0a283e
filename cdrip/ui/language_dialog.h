#pragma once
// The language dialog (230): five radio buttons; OK stores the choice as the
// registry value `Langue`, Cancel stores nothing. The new language takes
// effect at the next start.

#include <QDialog>

namespace brenlow {

class LanguageTable;

class LanguageDialog : public QDialog {
    Q_OBJECT
public:
    /// AtStartup: shown before the main dialog exists (no message after OK).
    /// FromMenu: OK tells the user, in line 149 of `language`, that the change
    /// applies at the next start.
    enum Mode { AtStartup, FromMenu };

    LanguageDialog(const LanguageTable* language, Mode mode, QWidget* parent = nullptr);

    /// The radio button ids for the choices "0" to "4".
    static constexpr int kChoiceIds[5] = {1067, 1068, 1069, 1070, 1094};

    void accept() override;

private:
    const LanguageTable* language_;
    Mode mode_;
};

} // namespace brenlow
