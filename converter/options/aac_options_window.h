#pragma once
// frmAAC: the AAC encoder settings. The main window fills it from its own
// fields; "OK" saves the nine [Aac] keys, which the main window reads back.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace tavrel {

class Audiotool;

class FrmAac : public QDialog {
    Q_OBJECT

public:
    explicit FrmAac(Audiotool& owner);

    /// Fills the controls from the main window's AAC fields. A value that is
    /// not an item of its list selects the list's default item.
    void fillFrom(const Audiotool& owner);
    /// "OK": writes the nine keys and closes.
    void Command1_Click();
    /// "Cancel": closes, writes nothing.
    void Command2_Click();

    QRadioButton* Option3 = nullptr;   ///< average bit rate
    QComboBox* Combo1 = nullptr;
    QRadioButton* Option4 = nullptr;   ///< quality
    QSlider* Slider1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QRadioButton* Option1 = nullptr;   ///< MPEG-2
    QRadioButton* Option2 = nullptr;   ///< MPEG-4
    QCheckBox* Check3 = nullptr;       ///< TNS
    QCheckBox* Check2 = nullptr;       ///< LFE
    QCheckBox* Check4 = nullptr;       ///< mid/side

private:
    Audiotool& owner_;
};

} // namespace tavrel
