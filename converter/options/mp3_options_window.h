#pragma once
// frmMP3: edits the main window's LAME settings object in place. Apply pushes
// the controls (or a preset, an alternative preset, a command line) into it,
// hands it to the writer, shows the writer's summary and saves [Mp3] "1".."22".

#include "platform/audio/mp3_lame_encoder.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace tavrel {

class OptionSettings;

namespace options {
class UpDown;
}

class FrmMp3 : public QDialog {
    Q_OBJECT

public:
    explicit FrmMp3(OptionSettings& settings);

    /// Binds the owner's settings object, resets the preset choices, loads the controls.
    void AppelAudioTool();
    void LoadMP3Settings();
    /// False when the settings object or the writer refused (the user was told).
    bool ApplyMP3Settings();

    void cmdApply_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    int Preset = 1;
    int AltPreset = 1;

    QTabWidget* tabMP3 = nullptr;
    QComboBox* cmbFrequency = nullptr;
    QComboBox* cmbChMode = nullptr;
    QGroupBox* frmBitrate = nullptr;
    QSlider* sldrBitrate = nullptr;
    QSlider* sldrQuality = nullptr;
    QCheckBox* chHFilt = nullptr;
    options::UpDown* udHFiltF = nullptr;
    options::UpDown* udHFiltW = nullptr;
    QLabel* lblHFiltW = nullptr;
    QCheckBox* chLFilt = nullptr;
    options::UpDown* udLFiltF = nullptr;
    options::UpDown* udLFiltW = nullptr;
    QLabel* lblLFiltW = nullptr;
    QComboBox* cmbVBRCodingMethod = nullptr;
    QLabel* lblVbrQuality = nullptr;
    options::UpDown* udVbrQuality = nullptr;
    QLabel* lblAbrBitrate = nullptr;
    options::UpDown* udAbrBitrate = nullptr;
    QGroupBox* frmVbrBitrate = nullptr;
    QSlider* sldrVbrBitrate = nullptr;
    QLabel* lblVbrBitrate = nullptr;
    QGroupBox* frmVbrAdvanced = nullptr;
    QCheckBox* chWriteVBRHeader = nullptr;
    QCheckBox* chStrictlyEnforceMinBitrate = nullptr;
    QComboBox* cmbATHControl = nullptr;
    QComboBox* cmbEmphasis = nullptr;
    QCheckBox* chErrorProtection = nullptr;
    QCheckBox* chBlockType = nullptr;
    QCheckBox* chBitReservoir = nullptr;
    QCheckBox* chShortBlocks = nullptr;
    QCheckBox* chStrictlyISOCompliance = nullptr;
    QList<QRadioButton*> opPreset;    ///< Index 1..11 at list position Index - 1
    QList<QRadioButton*> opAltPreset; ///< Index 1..5
    QLineEdit* txtCommLine = nullptr;

private:
    QWidget* buildGeneralTab();
    QWidget* buildFilteringTab();
    QWidget* buildVbrTab();
    QWidget* buildExpertTab();
    QWidget* buildPresetTab();
    QWidget* buildAltPresetTab();
    QWidget* buildCommandLineTab();
    void applyFilterRules();
    void applyVbrRule();
    void pushControls(quandor::audio::MP3LameEncoder& encoder) const;
    void saveKeys();
    void refuse(const QString& reason);

    OptionSettings& settings_;
    quandor::audio::MP3LameEncoder* bound_ = nullptr;
    /// What the controls stood for when they were last loaded: a value the
    /// controls cannot show (a width of 0, a rate off the slider) is only
    /// replaced when the user changes its control.
    quandor::audio::MP3LameEncoder shown_;
    /// The object as the keys were last loaded or saved from it.
    quandor::audio::MP3LameEncoder saved_;
};

} // namespace tavrel
