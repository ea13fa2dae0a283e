#pragma once
// The configuration dialog (116): output folder, file-name pattern, folder
// layout and the CDDB server. Every value is read with the Ripper.ini access
// pattern when the dialog opens; OK writes the eight editable keys, Close
// writes nothing.

#include "cdrip/ui/language_table.h"
#include "cdrip/ui/ripper_settings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace brenlow {

class ConfigDialog : public QDialog {
    Q_OBJECT
public:
    /// `settings` receives the pattern, the folder layout and the automatic
    /// lookup switch when the dialog reads and when OK writes them.
    ConfigDialog(const RipperIni& ini, const LanguageTable& language, RipperSettings& settings,
                 QWidget* parent = nullptr);

    /// Appends a pattern token as buttons 1075 to 1080 do: a space first when
    /// the pattern is not empty. Refused (false, pattern unchanged) when the
    /// result would pass the pattern's limit.
    bool appendToPattern(const QString& token);

    void restoreDefaults(); ///< 1035
    void save();            ///< OK

private:
    QLineEdit* field(int id) const;
    QCheckBox* check(int id) const;
    void buildControls();
    void applyCaptions();
    void loadValues();
    void browse();

    const RipperIni& ini_;
    const LanguageTable& language_;
    RipperSettings& settings_;
};

} // namespace brenlow
