#pragma once
// frmOgg: sampling frequency, channels and one of three rate modes (quality,
// managed bit rate, nominal bit rate) for the writer's Ogg Vorbis output.

#include "converter/common/settings_loaders.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QSlider;

namespace tavrel {

class OptionSettings;

class FrmOgg : public QDialog {
    Q_OBJECT

public:
    explicit FrmOgg(OptionSettings& settings);

    /// Shows the settings in effect: the writer's Ogg Vorbis format (or, while
    /// it holds another, the one the stored choice gives), and for the values
    /// that format leaves unused, those last stored (else 128 kbit/s, quality 300).
    void loadaudiotool();
    /// True when the writer took the format; false after "Incorrect format".
    bool ApplyOggSettings();

    void chQuality_Click();
    void chVbr_Click();
    void cmdApply_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    int Bitrate = 128;
    int MinBitrate = 128;
    int MaxBitrate = 128;
    bool VbrEnabled = false;
    int Quality = 300;
    bool QualityEnabled = false;

    QGroupBox* frmChMode = nullptr;
    QComboBox* cmbChMode = nullptr;
    QGroupBox* frmFrequency = nullptr;
    QComboBox* cmbFrequency = nullptr;
    QGroupBox* frmQuality = nullptr;
    QSlider* sldrQuality = nullptr;
    QGroupBox* frmVbr = nullptr;
    QSlider* sldrMinBitrate = nullptr;
    QSlider* sldrMaxBitrate = nullptr;
    QLabel* lblMinBitrate = nullptr;
    QLabel* lblMaxBitrate = nullptr;
    QGroupBox* frmOption = nullptr;
    QCheckBox* chQuality = nullptr;
    QCheckBox* chVbr = nullptr;
    QSlider* sldrBitrate = nullptr;
    QLabel* lblBitrate = nullptr;

private:
    void buildFormatFrames(); ///< channel mode and sampling frequency
    void buildRateFrames();   ///< quality, VBR and bit-rate options
    void connectControls();
    void layOutFrames();
    void qualityRule();
    void vbrRule();
    void showBitrates();
    OggFormat formatInEffect() const;

    OptionSettings& settings_;
};

} // namespace tavrel
