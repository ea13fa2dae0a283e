#include "cdrip/ui/encoder_settings_dialog.h"

#include "cdrip/ui/control_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace brenlow {
namespace {

/// Mp3 controls usable only with the extended settings ("VBR Enabled").
constexpr int kMp3Extended[] = {encoder_ids::Mp3VbrMethod, encoder_ids::Mp3VbrQuality, encoder_ids::Mp3MaxBitrate,
                                encoder_ids::Mp3VbrHeader, encoder_ids::Mp3Preset,     encoder_ids::Mp3Frequency};
constexpr int kMp3Basic[] = {encoder_ids::Mp3Bitrate,   encoder_ids::Mp3Channel,  encoder_ids::Mp3Crc,
                             encoder_ids::Mp3Copyright, encoder_ids::Mp3Original, encoder_ids::Mp3Private,
                             encoder_ids::Mp3VbrEnabled};
constexpr int kOggAll[] = {encoder_ids::OggFrequency,      encoder_ids::OggChannel,    encoder_ids::OggNominalBitrate,
                           encoder_ids::OggMinBitrate,     encoder_ids::OggMaxBitrate, encoder_ids::OggQuality,
                           encoder_ids::OggQualityEnabled, encoder_ids::OggVbrEnabled};

template <typename T>
T* childById(const QObject* root, int id)
{
    return root->findChild<T*>(QString::number(id));
}

} // namespace

EncoderSettingsDialog::EncoderSettingsDialog(QString iniPath, const QString& okText, const QString& cancelText,
                                             QWidget* parent)
    : QDialog(parent),
      iniPath_(std::move(iniPath))
{
    setObjectName(QStringLiteral("146"));
    setWindowTitle(QStringLiteral("Audio compression configuration"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QString::number(encoder_ids::Tabs));
    tabs_->addTab(buildMp3Page(), QStringLiteral("Mp3"));
    tabs_->addTab(buildOggPage(), QStringLiteral("Ogg Vorbis"));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok =
        buttons->addButton(okText.isEmpty() ? QStringLiteral("OK") : okText, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    QPushButton* cancel =
        buttons->addButton(cancelText.isEmpty() ? QStringLiteral("Cancel") : cancelText, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);

    settings_ = LoadMp3Settings(iniPath_);
    showSettings();
}

QComboBox* EncoderSettingsDialog::addCombo(QWidget* page, int id, const QStringList& items)
{
    auto* combo = new QComboBox(page);
    combo->setObjectName(QString::number(id));
    combo->addItems(items);
    return combo;
}

QCheckBox* EncoderSettingsDialog::addCheck(QWidget* page, int id, const QString& caption)
{
    auto* check = new QCheckBox(caption, page);
    check->setObjectName(QString::number(id));
    return check;
}

QWidget* EncoderSettingsDialog::buildMp3Page()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("235"));
    auto* basic = new QGroupBox(QStringLiteral("MP3 configuration :"), page);
    auto* basicForm = new QFormLayout(basic);
    basicForm->addRow(QStringLiteral("Bitrate :"), addCombo(page, encoder_ids::Mp3Bitrate, choices::bitrates()));
    basicForm->addRow(QStringLiteral("Channel :"), addCombo(page, encoder_ids::Mp3Channel, choices::mp3Channels()));
    basicForm->addRow(QStringLiteral("Quality :"), addCombo(page, encoder_ids::Mp3Preset, choices::mp3Presets()));
    auto* image = new QLabel(page);
    image->setObjectName(QString::number(encoder_ids::Mp3Image));
    basicForm->addRow(image);
    QCheckBox* select = addCheck(page, encoder_ids::Mp3Select, QStringLiteral("Select MP3 for Audio compression"));
    basicForm->addRow(select);

    auto* extended = new QGroupBox(QStringLiteral("Extended mp3 :"), page);
    auto* extendedForm = new QFormLayout(extended);
    QCheckBox* vbr = addCheck(page, encoder_ids::Mp3VbrEnabled, QStringLiteral("VBR Enabled"));
    extendedForm->addRow(vbr);
    extendedForm->addRow(QStringLiteral("Max bitrate :"),
                         addCombo(page, encoder_ids::Mp3MaxBitrate, choices::bitrates()));
    extendedForm->addRow(QStringLiteral("Method :"), addCombo(page, encoder_ids::Mp3VbrMethod, choices::vbrMethods()));
    extendedForm->addRow(QStringLiteral("VBR Quality :"),
                         addCombo(page, encoder_ids::Mp3VbrQuality, choices::vbrQualities()));
    extendedForm->addRow(addCheck(page, encoder_ids::Mp3VbrHeader, QStringLiteral("Write VBR header")));
    extendedForm->addRow(QStringLiteral("Frequency :"),
                         addCombo(page, encoder_ids::Mp3Frequency, choices::mp3Frequencies()));
    for (const auto& [id, caption] :
         {std::pair{encoder_ids::Mp3Crc, "CRC"}, std::pair{encoder_ids::Mp3Copyright, "Copyright"},
          std::pair{encoder_ids::Mp3Original, "Original"}, std::pair{encoder_ids::Mp3Private, "Private"}})
        extendedForm->addRow(addCheck(page, id, QLatin1String(caption)));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(basic);
    layout->addWidget(extended);
    connect(select, &QCheckBox::clicked, this, [this] { chooseMp3(true); });
    connect(vbr, &QCheckBox::clicked, this, [this] { applyEnabling(); });
    return page;
}

QWidget* EncoderSettingsDialog::buildOggPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("236"));
    auto* basic = new QGroupBox(QStringLiteral("OGG VORBIS configuration :"), page);
    auto* basicForm = new QFormLayout(basic);
    basicForm->addRow(QStringLiteral("Sampling frequency :"),
                      addCombo(page, encoder_ids::OggFrequency, choices::oggFrequencies()));
    basicForm->addRow(QStringLiteral("Channel :"), addCombo(page, encoder_ids::OggChannel, choices::oggChannels()));
    basicForm->addRow(QStringLiteral("Nominal bitrate :"),
                      addCombo(page, encoder_ids::OggNominalBitrate, choices::bitrates()));
    auto* image = new QLabel(page);
    image->setObjectName(QString::number(encoder_ids::OggImage));
    basicForm->addRow(image);
    QCheckBox* select =
        addCheck(page, encoder_ids::OggSelect, QStringLiteral("Select OGG Vorbis for Audio compression"));
    basicForm->addRow(select);

    auto* quality = new QGroupBox(QStringLiteral("Quality Mode (Recommanded) :"), page);
    auto* qualityForm = new QFormLayout(quality);
    QCheckBox* qualityOn = addCheck(page, encoder_ids::OggQualityEnabled, QStringLiteral("Quality enabled :"));
    qualityForm->addRow(qualityOn);
    QComboBox* qualityList = addCombo(page, encoder_ids::OggQuality, choices::oggQualities());
    auto* qualityLabel = new QLabel(QStringLiteral("0.50"), page);
    qualityLabel->setObjectName(QString::number(encoder_ids::OggQualityText));
    qualityForm->addRow(qualityList, qualityLabel);

    auto* vbrBox = new QGroupBox(QStringLiteral("VBR :"), page);
    auto* vbrForm = new QFormLayout(vbrBox);
    QCheckBox* vbr = addCheck(page, encoder_ids::OggVbrEnabled, QStringLiteral("VBR Enabled"));
    vbrForm->addRow(vbr);
    vbrForm->addRow(QStringLiteral("Min bitrate :"), addCombo(page, encoder_ids::OggMinBitrate, choices::bitrates()));
    vbrForm->addRow(QStringLiteral("Max bitrate :"), addCombo(page, encoder_ids::OggMaxBitrate, choices::bitrates()));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(basic);
    layout->addWidget(quality);
    layout->addWidget(vbrBox);
    connect(select, &QCheckBox::clicked, this, [this] { chooseMp3(false); });
    connect(qualityOn, &QCheckBox::clicked, this, [this] { applyEnabling(); });
    connect(vbr, &QCheckBox::clicked, this, [this] { applyEnabling(); });
    connect(qualityList, &QComboBox::currentIndexChanged, this, [this] { showQualityLabel(); });
    return page;
}

void EncoderSettingsDialog::selectStored(QComboBox* combo, QString& value, const QString& fallback)
{
    int index = value.isEmpty() ? -1 : combo->findText(value, Qt::MatchStartsWith);
    if (index < 0) {
        value = fallback;
        index = combo->findText(fallback, Qt::MatchStartsWith);
    }
    combo->setCurrentIndex(index);
}

void EncoderSettingsDialog::showSettings()
{
    const EncoderSettings d;
    Mp3Settings& m = settings_.mp3;
    OggSettings& o = settings_.ogg;
    selectStored(childById<QComboBox>(this, encoder_ids::Mp3Bitrate), m.bitrate, d.mp3.bitrate);
    selectStored(childById<QComboBox>(this, encoder_ids::Mp3MaxBitrate), m.vbrBitrate, d.mp3.vbrBitrate);
    selectStored(childById<QComboBox>(this, encoder_ids::Mp3Channel), m.channel, d.mp3.channel);
    selectStored(childById<QComboBox>(this, encoder_ids::Mp3Preset), m.preset, d.mp3.preset);
    selectStored(childById<QComboBox>(this, encoder_ids::Mp3Frequency), m.frequency, d.mp3.frequency);
    selectStored(childById<QComboBox>(this, encoder_ids::Mp3VbrMethod), m.vbrMethod, d.mp3.vbrMethod);
    selectStored(childById<QComboBox>(this, encoder_ids::Mp3VbrQuality), m.vbrQuality, d.mp3.vbrQuality);
    selectStored(childById<QComboBox>(this, encoder_ids::OggFrequency), o.frequency, d.ogg.frequency);
    selectStored(childById<QComboBox>(this, encoder_ids::OggChannel), o.channel, d.ogg.channel);
    selectStored(childById<QComboBox>(this, encoder_ids::OggNominalBitrate), o.bitrate, d.ogg.bitrate);
    selectStored(childById<QComboBox>(this, encoder_ids::OggMinBitrate), o.minBitrate, d.ogg.minBitrate);
    selectStored(childById<QComboBox>(this, encoder_ids::OggMaxBitrate), o.maxBitrate, d.ogg.maxBitrate);
    // An unknown quality selects nothing (OK then stores the default).
    QComboBox* quality = childById<QComboBox>(this, encoder_ids::OggQuality);
    quality->setCurrentIndex(o.qualityRate.isEmpty() ? -1 : quality->findText(o.qualityRate, Qt::MatchStartsWith));
    for (const auto& [id, on] :
         {std::pair{encoder_ids::Mp3Crc, m.crc}, std::pair{encoder_ids::Mp3VbrEnabled, m.vbr},
          std::pair{encoder_ids::Mp3VbrHeader, m.vbrHeader}, std::pair{encoder_ids::Mp3Copyright, m.copyright},
          std::pair{encoder_ids::Mp3Original, m.original}, std::pair{encoder_ids::Mp3Private, m.privateBit},
          std::pair{encoder_ids::OggVbrEnabled, o.vbr}, std::pair{encoder_ids::OggQualityEnabled, o.quality}})
        childById<QCheckBox>(this, id)->setChecked(on);
    showQualityLabel();
    chooseMp3(settings_.compressionIsMp3());
}

void EncoderSettingsDialog::chooseMp3(bool mp3)
{
    childById<QCheckBox>(this, encoder_ids::Mp3Select)->setChecked(mp3);
    childById<QCheckBox>(this, encoder_ids::OggSelect)->setChecked(!mp3);
    // The pictures telling which encoder is chosen (bitmaps 201/204 or 205/200).
    QLabel* mp3Image = childById<QLabel>(this, encoder_ids::Mp3Image);
    QLabel* oggImage = childById<QLabel>(this, encoder_ids::OggImage);
    mp3Image->setProperty("bitmapResource", mp3 ? 201 : 205);
    oggImage->setProperty("bitmapResource", mp3 ? 204 : 200);
    mp3Image->setText(mp3 ? QStringLiteral("MP3 \u2714") : QStringLiteral("MP3"));
    oggImage->setText(mp3 ? QStringLiteral("OGG") : QStringLiteral("OGG \u2714"));
    applyEnabling();
}

void EncoderSettingsDialog::applyEnabling()
{
    const bool mp3 = childById<QCheckBox>(this, encoder_ids::Mp3Select)->isChecked();
    const auto enable = [this](int id, bool on) { findChild<QWidget*>(QString::number(id))->setEnabled(on); };
    const bool extended = childById<QCheckBox>(this, encoder_ids::Mp3VbrEnabled)->isChecked();
    for (int id : kMp3Basic)
        enable(id, mp3);
    for (int id : kMp3Extended)
        enable(id, mp3 && extended);
    if (mp3) {
        for (int id : kOggAll)
            enable(id, false);
        return;
    }
    const bool byQuality = childById<QCheckBox>(this, encoder_ids::OggQualityEnabled)->isChecked();
    const bool managed = childById<QCheckBox>(this, encoder_ids::OggVbrEnabled)->isChecked();
    enable(encoder_ids::OggFrequency, true);
    enable(encoder_ids::OggChannel, true);
    enable(encoder_ids::OggQualityEnabled, true);
    enable(encoder_ids::OggQuality, byQuality);
    enable(encoder_ids::OggNominalBitrate, !byQuality);
    enable(encoder_ids::OggVbrEnabled, !byQuality);
    enable(encoder_ids::OggMinBitrate, !byQuality && managed);
    enable(encoder_ids::OggMaxBitrate, !byQuality && managed);
}

void EncoderSettingsDialog::showQualityLabel()
{
    const QString quality = childById<QComboBox>(this, encoder_ids::OggQuality)->currentText();
    childById<QLabel>(this, encoder_ids::OggQualityText)->setText(choices::oggQualityLabel(quality));
}

void EncoderSettingsDialog::accept()
{
    Mp3Settings& m = settings_.mp3;
    OggSettings& o = settings_.ogg;
    const auto text = [this](int id) { return childById<QComboBox>(this, id)->currentText(); };
    const auto checked = [this](int id) { return childById<QCheckBox>(this, id)->isChecked(); };
    m.bitrate = text(encoder_ids::Mp3Bitrate);
    m.vbrBitrate = text(encoder_ids::Mp3MaxBitrate);
    m.channel = text(encoder_ids::Mp3Channel);
    m.preset = text(encoder_ids::Mp3Preset);
    m.frequency = text(encoder_ids::Mp3Frequency);
    m.vbrMethod = text(encoder_ids::Mp3VbrMethod);
    m.vbrQuality = text(encoder_ids::Mp3VbrQuality);
    m.crc = checked(encoder_ids::Mp3Crc);
    m.vbr = checked(encoder_ids::Mp3VbrEnabled);
    m.vbrHeader = checked(encoder_ids::Mp3VbrHeader);
    m.copyright = checked(encoder_ids::Mp3Copyright);
    m.original = checked(encoder_ids::Mp3Original);
    m.privateBit = checked(encoder_ids::Mp3Private);
    settings_.compression = checked(encoder_ids::Mp3Select) ? QStringLiteral("MP3") : QStringLiteral("OGG");
    o.qualityRate = text(encoder_ids::OggQuality).isEmpty() ? QStringLiteral("0.50") : text(encoder_ids::OggQuality);
    o.frequency = text(encoder_ids::OggFrequency);
    o.channel = text(encoder_ids::OggChannel);
    o.bitrate = text(encoder_ids::OggNominalBitrate);
    o.vbr = checked(encoder_ids::OggVbrEnabled);
    o.quality = checked(encoder_ids::OggQualityEnabled);
    o.minBitrate = text(encoder_ids::OggMinBitrate);
    o.maxBitrate = text(encoder_ids::OggMaxBitrate);
    saveEncoderSettings(iniPath_, settings_);
    QDialog::accept();
}

} // namespace brenlow
