#pragma once
// frmAAC: the AAC encoder settings. It is filled from the AAC settings in
// use; "OK" saves the nine [Aac] keys, which the main window reads back.

#include "converter/common/settings_loaders.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace tavrel {

class OptionSettings;

class FrmAac : public QDialog {
    Q_OBJECT

public:
    explicit FrmAac(OptionSettings& settings);

    /// Fills the controls from `aac`. A value that is not an item of its
    /// list selects the list's default item.
    void fillFrom(const AacSettings& aac);
    /// "OK": writes the nine keys and closes.
    void Command1_Click();
    /// "Cancel": closes, writes nothing.
    void Command2_Click();

    QRadioButton* Option3 = nullptr; ///< average bit rate
    QComboBox* Combo1 = nullptr;
    QRadioButton* Option4 = nullptr; ///< quality
    QSlider* Slider1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QRadioButton* Option1 = nullptr; ///< MPEG-2
    QRadioButton* Option2 = nullptr; ///< MPEG-4
    QCheckBox* Check3 = nullptr;     ///< TNS
    QCheckBox* Check2 = nullptr;     ///< LFE
    QCheckBox* Check4 = nullptr;     ///< mid/side

private:
    OptionSettings& settings_;
};

} // namespace tavrel
