#pragma once
// frmWav: the PCM format of WAV output (frequency, channels, bits), stored as
// option indices in [Wav] of Config.ini.

#include <QDialog>
#include <QList>

class QRadioButton;

namespace tavrel {

class OptionSettings;

class FrmWav : public QDialog {
    Q_OBJECT

public:
    explicit FrmWav(OptionSettings& settings);

    /// Selects the stored choices; a stored text that fits no button is skipped.
    void Form_Load();
    /// Apply: stores the choice, hands it to the writer; closes when it was taken.
    void Command1_Click();
    /// Restores 44100 Hz, stereo, 16 bits and closes.
    void Command2_Click();

    QList<QRadioButton*> Option1; ///< sampling frequency, indices 0..11
    QList<QRadioButton*> Option2; ///< channels, 0..1
    QList<QRadioButton*> Option3; ///< bits per sample, 0..7

protected:
    void done(int result) override;

private:
    void restoreCdFormat();
    void storeSelection();

    OptionSettings& settings_;
};

} // namespace tavrel
