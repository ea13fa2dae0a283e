#pragma once
// "Audio compression configuration" (dialog 146): the Mp3 page (235) and the
// Ogg Vorbis page (236) of the encoder settings, and the choice between the
// two for the compressed rip. OK writes Ripper.ini; Cancel writes nothing.

#include "cdrip/encode/encoder_settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QTabWidget;

namespace brenlow {

class EncoderSettingsDialog : public QDialog {
    Q_OBJECT
public:
    /// `okText` and `cancelText` are language lines 63 and 51.
    EncoderSettingsDialog(QString iniPath, const QString& okText, const QString& cancelText, QWidget* parent = nullptr);

    /// The settings as shown (after OK: as written).
    const EncoderSettings& settings() const { return settings_; }

    /// Stores every control's value in Ripper.ini and closes.
    void accept() override;

private:
    QWidget* buildMp3Page();
    QWidget* buildOggPage();
    QComboBox* addCombo(QWidget* page, int id, const QStringList& items);
    QCheckBox* addCheck(QWidget* page, int id, const QString& caption);
    /// Selects the entry the stored text begins (case-insensitively); else the default.
    void selectStored(QComboBox* combo, QString& value, const QString& fallback);
    void showSettings();
    void chooseMp3(bool mp3);
    void applyEnabling();
    void showQualityLabel();

    QString iniPath_;
    EncoderSettings settings_;
    QTabWidget* tabs_ = nullptr;
};

} // namespace brenlow
