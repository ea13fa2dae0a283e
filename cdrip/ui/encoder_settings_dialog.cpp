#include "cdrip/ui/encoder_settings_dialog.h"

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

constexpr int kMp3Select = 1082;
constexpr int kOggSelect = 1083;
constexpr int kMp3VbrEnabled = 1124;
constexpr int kOggQualityEnabled = 1087;
constexpr int kOggVbrEnabled = 1038;
/// Mp3 controls usable only with the extended settings ("VBR Enabled").
constexpr int kMp3Extended[] = {1092, 1093, 1091, 1128, 1043, 1090};
constexpr int kMp3Basic[] = {1044, 1042, 1123, 1125, 1126, 1127, kMp3VbrEnabled};
constexpr int kOggAll[] = {1079, 1080, 1081, 1084, 1085, 1086, kOggQualityEnabled, kOggVbrEnabled};

template <typename T>
T* childById(const QObject* root, int id)
{
    return root->findChild<T*>(QString::number(id));
}


} // namespace

EncoderSettingsDialog::EncoderSettingsDialog(QString iniPath, const QString& okText, const QString& cancelText,
                                             QWidget* parent)
    : QDialog(parent), iniPath_(std::move(iniPath))
{
    setObjectName(QStringLiteral("146"));
    setWindowTitle(QStringLiteral("Audio compression configuration"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("1151"));
    tabs_->addTab(buildMp3Page(), QStringLiteral("Mp3"));
    tabs_->addTab(buildOggPage(), QStringLiteral("Ogg Vorbis"));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(okText.isEmpty() ? QStringLiteral("OK") : okText, QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    QPushButton* cancel = buttons->addButton(cancelText.isEmpty() ? QStringLiteral("Cancel") : cancelText,
                                             QDialogButtonBox::RejectRole);
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
    basicForm->addRow(QStringLiteral("Bitrate :"), addCombo(page, 1044, choices::bitrates()));
    basicForm->addRow(QStringLiteral("Channel :"), addCombo(page, 1042, choices::mp3Channels()));
    basicForm->addRow(QStringLiteral("Quality :"), addCombo(page, 1043, choices::mp3Presets()));
    auto* image = new QLabel(page);
    image->setObjectName(QStringLiteral("1088"));
    basicForm->addRow(image);
    QCheckBox* select = addCheck(page, kMp3Select, QStringLiteral("Select MP3 for Audio compression"));
    basicForm->addRow(select);

    auto* extended = new QGroupBox(QStringLiteral("Extended mp3 :"), page);
    auto* extendedForm = new QFormLayout(extended);
    QCheckBox* vbr = addCheck(page, kMp3VbrEnabled, QStringLiteral("VBR Enabled"));
    extendedForm->addRow(vbr);
    extendedForm->addRow(QStringLiteral("Max bitrate :"), addCombo(page, 1091, choices::bitrates()));
    extendedForm->addRow(QStringLiteral("Method :"), addCombo(page, 1092, choices::vbrMethods()));
    extendedForm->addRow(QStringLiteral("VBR Quality :"), addCombo(page, 1093, choices::vbrQualities()));
    extendedForm->addRow(addCheck(page, 1128, QStringLiteral("Write VBR header")));
    extendedForm->addRow(QStringLiteral("Frequency :"), addCombo(page, 1090, choices::mp3Frequencies()));
    for (const auto& [id, caption] : {std::pair{1123, "CRC"}, std::pair{1125, "Copyright"},
                                      std::pair{1126, "Original"}, std::pair{1127, "Private"}})
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
    basicForm->addRow(QStringLiteral("Sampling frequency :"), addCombo(page, 1079, choices::oggFrequencies()));
    basicForm->addRow(QStringLiteral("Channel :"), addCombo(page, 1080, choices::oggChannels()));
    basicForm->addRow(QStringLiteral("Nominal bitrate :"), addCombo(page, 1081, choices::bitrates()));
    auto* image = new QLabel(page);
    image->setObjectName(QStringLiteral("1089"));
    basicForm->addRow(image);
    QCheckBox* select = addCheck(page, kOggSelect, QStringLiteral("Select OGG Vorbis for Audio compression"));
    basicForm->addRow(select);

    auto* quality = new QGroupBox(QStringLiteral("Quality Mode (Recommanded) :"), page);
    auto* qualityForm = new QFormLayout(quality);
    QCheckBox* qualityOn = addCheck(page, kOggQualityEnabled, QStringLiteral("Quality enabled :"));
    qualityForm->addRow(qualityOn);
    QComboBox* qualityList = addCombo(page, 1086, choices::oggQualities());
    auto* qualityLabel = new QLabel(QStringLiteral("0.50"), page);
    qualityLabel->setObjectName(QStringLiteral("1119"));
    qualityForm->addRow(qualityList, qualityLabel);

    auto* vbrBox = new QGroupBox(QStringLiteral("VBR :"), page);
    auto* vbrForm = new QFormLayout(vbrBox);
    QCheckBox* vbr = addCheck(page, kOggVbrEnabled, QStringLiteral("VBR Enabled"));
    vbrForm->addRow(vbr);
    vbrForm->addRow(QStringLiteral("Min bitrate :"), addCombo(page, 1084, choices::bitrates()));
    vbrForm->addRow(QStringLiteral("Max bitrate :"), addCombo(page, 1085, choices::bitrates()));

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
    selectStored(childById<QComboBox>(this, 1044), m.bitrate, d.mp3.bitrate);
    selectStored(childById<QComboBox>(this, 1091), m.vbrBitrate, d.mp3.vbrBitrate);
    selectStored(childById<QComboBox>(this, 1042), m.channel, d.mp3.channel);
    selectStored(childById<QComboBox>(this, 1043), m.preset, d.mp3.preset);
    selectStored(childById<QComboBox>(this, 1090), m.frequency, d.mp3.frequency);
    selectStored(childById<QComboBox>(this, 1092), m.vbrMethod, d.mp3.vbrMethod);
    selectStored(childById<QComboBox>(this, 1093), m.vbrQuality, d.mp3.vbrQuality);
    selectStored(childById<QComboBox>(this, 1079), o.frequency, d.ogg.frequency);
    selectStored(childById<QComboBox>(this, 1080), o.channel, d.ogg.channel);
    selectStored(childById<QComboBox>(this, 1081), o.bitrate, d.ogg.bitrate);
    selectStored(childById<QComboBox>(this, 1084), o.minBitrate, d.ogg.minBitrate);
    selectStored(childById<QComboBox>(this, 1085), o.maxBitrate, d.ogg.maxBitrate);
    // An unknown quality selects nothing (OK then stores the default).
    QComboBox* quality = childById<QComboBox>(this, 1086);
    quality->setCurrentIndex(o.qualityRate.isEmpty() ? -1 : quality->findText(o.qualityRate, Qt::MatchStartsWith));
    for (const auto& [id, on] : {std::pair{1123, m.crc}, std::pair{kMp3VbrEnabled, m.vbr},
                                 std::pair{1128, m.vbrHeader}, std::pair{1125, m.copyright},
                                 std::pair{1126, m.original}, std::pair{1127, m.privateBit},
                                 std::pair{kOggVbrEnabled, o.vbr}, std::pair{kOggQualityEnabled, o.quality}})
        childById<QCheckBox>(this, id)->setChecked(on);
    showQualityLabel();
    chooseMp3(settings_.compressionIsMp3());
}

void EncoderSettingsDialog::chooseMp3(bool mp3)
{
    childById<QCheckBox>(this, kMp3Select)->setChecked(mp3);
    childById<QCheckBox>(this, kOggSelect)->setChecked(!mp3);
    // The pictures telling which encoder is chosen (bitmaps 201/204 or 205/200).
    QLabel* mp3Image = childById<QLabel>(this, 1088);
    QLabel* oggImage = childById<QLabel>(this, 1089);
    mp3Image->setProperty("bitmapResource", mp3 ? 201 : 205);
    oggImage->setProperty("bitmapResource", mp3 ? 204 : 200);
    mp3Image->setText(mp3 ? QStringLiteral("MP3 \u2714") : QStringLiteral("MP3"));
    oggImage->setText(mp3 ? QStringLiteral("OGG") : QStringLiteral("OGG \u2714"));
    applyEnabling();
}

void EncoderSettingsDialog::applyEnabling()
{
    const bool mp3 = childById<QCheckBox>(this, kMp3Select)->isChecked();
    const auto enable = [this](int id, bool on) { findChild<QWidget*>(QString::number(id))->setEnabled(on); };
    const bool extended = childById<QCheckBox>(this, kMp3VbrEnabled)->isChecked();
    for (int id : kMp3Basic)
        enable(id, mp3);
    for (int id : kMp3Extended)
        enable(id, mp3 && extended);
    if (mp3) {
        for (int id : kOggAll)
            enable(id, false);
        return;
    }
    const bool byQuality = childById<QCheckBox>(this, kOggQualityEnabled)->isChecked();
    const bool managed = childById<QCheckBox>(this, kOggVbrEnabled)->isChecked();
    enable(1079, true);
    enable(1080, true);
    enable(kOggQualityEnabled, true);
    enable(1086, byQuality);
    enable(1081, !byQuality);
    enable(kOggVbrEnabled, !byQuality);
    enable(1084, !byQuality && managed);
    enable(1085, !byQuality && managed);
}

void EncoderSettingsDialog::showQualityLabel()
{
    childById<QLabel>(this, 1119)->setText(choices::oggQualityLabel(childById<QComboBox>(this, 1086)->currentText()));
}

void EncoderSettingsDialog::accept()
{
    Mp3Settings& m = settings_.mp3;
    OggSettings& o = settings_.ogg;
    const auto text = [this](int id) { return childById<QComboBox>(this, id)->currentText(); };
    const auto checked = [this](int id) { return childById<QCheckBox>(this, id)->isChecked(); };
    m.bitrate = text(1044);
    m.vbrBitrate = text(1091);
    m.channel = text(1042);
    m.preset = text(1043);
    m.frequency = text(1090);
    m.vbrMethod = text(1092);
    m.vbrQuality = text(1093);
    m.crc = checked(1123);
    m.vbr = checked(kMp3VbrEnabled);
    m.vbrHeader = checked(1128);
    m.copyright = checked(1125);
    m.original = checked(1126);
    m.privateBit = checked(1127);
    settings_.compression = checked(kMp3Select) ? QStringLiteral("MP3") : QStringLiteral("OGG");
    o.qualityRate = text(1086).isEmpty() ? QStringLiteral("0.50") : text(1086);
    o.frequency = text(1079);
    o.channel = text(1080);
    o.bitrate = text(1081);
    o.vbr = checked(kOggVbrEnabled);
    o.quality = checked(kOggQualityEnabled);
    o.minBitrate = text(1084);
    o.maxBitrate = text(1085);
    saveEncoderSettings(iniPath_, settings_);
    QDialog::accept();
}

} // namespace brenlow
