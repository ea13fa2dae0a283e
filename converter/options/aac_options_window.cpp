#include "converter/options/aac_options_window.h"

#include "converter/common/lang_loader.h"
#include "converter/common/settings_loaders.h"
#include "converter/options/option_controls.h"
#include "converter/options/option_settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace tavrel {

namespace {

QComboBox* dropDown(const QString& name, const QStringList& items)
{
    auto* list = new QComboBox;
    list->setObjectName(name);
    list->addItems(items);
    return list;
}

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

/// Selects `text` when it is an item, otherwise `fallback`.
void selectText(QComboBox& list, const QString& text, const QString& fallback)
{
    const int index = list.findText(text);
    list.setCurrentIndex(index >= 0 ? index : list.findText(fallback));
}

} // namespace

FrmAac::FrmAac(OptionSettings& settings) : QDialog(settings.ownerWindow()), settings_(settings)
{
    setObjectName(QStringLiteral("frmAAC"));
    setWindowTitle(QStringLiteral("AAC Encoder Option"));
    setModal(true);

    auto* heading = new QLabel(QStringLiteral("AAC Settings"));
    heading->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));

    auto* settingsBox = new QGroupBox(QStringLiteral("Settings :"));
    auto* grid = new QGridLayout(settingsBox);
    Option3 = named(new QRadioButton(QStringLiteral("Average Bitrate (kbits/s) :")), QStringLiteral("Option3"));
    Combo1 = dropDown(QStringLiteral("Combo1"),
                      {"Auto", "24", "32", "40", "48", "56", "64", "96", "112", "128", "160", "192", "224"});
    Option4 = named(new QRadioButton(QStringLiteral("Quality :")), QStringLiteral("Option4"));
    Slider1 = named(new QSlider(Qt::Horizontal), QStringLiteral("Slider1"));
    Slider1->setRange(50, 250);
    Slider1->setValue(250);
    Label4 = named(new QLabel(QStringLiteral("250")), QStringLiteral("Label4"));
    connect(Slider1, &QSlider::valueChanged, this,
            [this](int position) { Label4->setText(QString::number(position)); });
    auto* rateGroup = new QButtonGroup(this);
    rateGroup->addButton(Option3);
    rateGroup->addButton(Option4);

    Combo2 = dropDown(QStringLiteral("Combo2"), {"Main", "Low complexity"});
    Combo3 = dropDown(QStringLiteral("Combo3"), {"16000", "18000", "19500"});

    auto* adts = new QGroupBox(QStringLiteral("ADTS"));
    Option1 = named(new QRadioButton(QStringLiteral("MPEG-2")), QStringLiteral("Option1"));
    Option2 = named(new QRadioButton(QStringLiteral("MPEG-4")), QStringLiteral("Option2"));
    auto* adtsLayout = new QHBoxLayout(adts);
    adtsLayout->addWidget(Option1);
    adtsLayout->addWidget(Option2);

    Check3 = named(new QCheckBox(QStringLiteral("Allow temporal noise shaping (TNS)")), QStringLiteral("Check3"));
    Check2 = named(new QCheckBox(QStringLiteral("Use LFE")), QStringLiteral("Check2"));
    Check4 = named(new QCheckBox(QStringLiteral("Allow Midside")), QStringLiteral("Check4"));

    grid->addWidget(Option3, 0, 0);
    grid->addWidget(Combo1, 0, 1);
    grid->addWidget(Option4, 1, 0);
    grid->addWidget(Slider1, 1, 1);
    grid->addWidget(Label4, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Profile :")), 2, 0);
    grid->addWidget(Combo2, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Bandwidth (Hz) :")), 3, 0);
    grid->addWidget(Combo3, 3, 1);
    grid->addWidget(adts, 4, 0, 1, 3);
    grid->addWidget(Check3, 5, 0, 1, 3);
    grid->addWidget(Check2, 6, 0, 1, 3);
    grid->addWidget(Check4, 7, 0, 1, 3);

    auto* command1 = named(new QPushButton(QStringLiteral("OK")), QStringLiteral("Command1"));
    auto* command2 = named(new QPushButton(QStringLiteral("Cancel")), QStringLiteral("Command2"));
    connect(command1, &QPushButton::clicked, this, &FrmAac::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &FrmAac::Command2_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command1);
    buttons->addWidget(command2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(settingsBox);
    layout->addLayout(buttons);
}

void FrmAac::fillFrom(const AacSettings& aac)
{
    (aac.quality ? Option4 : Option3)->setChecked(true);
    Slider1->setValue(aac.qualityRate);
    Label4->setText(QString::number(aac.qualityRate));
    selectText(*Combo1, aac.bitRate == kAacAutoBitRate ? QStringLiteral("Auto") : QString::number(aac.bitRate),
               QStringLiteral("128"));
    selectText(*Combo2, aac.profile, QStringLiteral("Main"));
    selectText(*Combo3, QString::number(aac.bandWidth), QStringLiteral("16000"));
    (aac.adts == QLatin1String("MPEG-4") ? Option2 : Option1)->setChecked(true);
    Check3->setChecked(aac.tns);
    Check2->setChecked(aac.lfe);
    Check4->setChecked(aac.midSide);
}

void FrmAac::Command1_Click()
{
    QList<Lang_Loader::IniValue> stored;
    auto write = [&](const ConfigKey& key, const QString& value) { stored.append({key, value}); };
    write(config_keys::AacQuality, options::trueFalse(Option4->isChecked()));
    write(config_keys::AacQualityRate, QString::number(Slider1->value()));
    write(config_keys::AacBitRate, Combo1->currentText());
    write(config_keys::AacProfile, Combo2->currentText());
    write(config_keys::AacBandWidth, Combo3->currentText());
    write(config_keys::AacAdts, Option1->isChecked() ? QStringLiteral("MPEG-2") : QStringLiteral("MPEG-4"));
    write(config_keys::AacTns, options::trueFalse(Check3->isChecked()));
    write(config_keys::AacLfe, options::trueFalse(Check2->isChecked()));
    write(config_keys::AacMidSide, options::trueFalse(Check4->isChecked()));
    Lang_Loader::SaveIni(this, settings_.configFile(), stored);
    accept();
}

void FrmAac::Command2_Click()
{
    reject();
}

void showAacOptions(OptionSettings& settings)
{
    FrmAac window(settings);
    window.fillFrom(settings.aacSettings());
    window.exec();
}

} // namespace tavrel
