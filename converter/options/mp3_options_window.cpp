#include "converter/options/mp3_options_window.h"

#include "converter/common/lang_loader.h"
#include "converter/common/message_lines.h"
#include "converter/options/option_controls.h"
#include "converter/options/option_settings.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/shell/services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>

namespace tavrel {

using options::UpDown;
using quandor::audio::MP3LameEncoder;

namespace {

enum Tab { General = 0, Filtering, Vbr, Expert, PresetTab, AltPresetTab, CommandLine };

using E = MP3LameEncoder;
constexpr int E::*kNumbers[] = {&E::AbrBitrate,    &E::AthControl,       &E::Bitrate,         &E::ChannelCount,
                                &E::Emphasis,      &E::EncoderQuality,   &E::OutputFrequency, &E::HighpassFrequency,
                                &E::HighpassWidth, &E::LowpassFrequency, &E::LowpassWidth,    &E::ChannelMode,
                                &E::MaxVbrBitrate, &E::VbrMethod,        &E::VbrQuality};
constexpr bool E::*kSwitches[] = {&E::BitReservoir, &E::BlockTypesDiffer,  &E::ErrorProtection, &E::ShortBlocks,
                                  &E::StrictIso,    &E::EnforceMinBitrate, &E::WriteVbrHeader};

/// Copies into `target` each property `edited` holds apart from `shown`.
void takeEdited(MP3LameEncoder& target, const MP3LameEncoder& edited, const MP3LameEncoder& shown)
{
    for (const auto member : kNumbers)
        if (edited.*member != shown.*member)
            target.*member = edited.*member;
    for (const auto member : kSwitches)
        if (edited.*member != shown.*member)
            target.*member = edited.*member;
}

bool sameSettings(const MP3LameEncoder& a, const MP3LameEncoder& b)
{
    for (const auto member : kNumbers)
        if (a.*member != b.*member)
            return false;
    for (const auto member : kSwitches)
        if (a.*member != b.*member)
            return false;
    return true;
}

QString currentBitrate(int kbps)
{
    return QStringLiteral("Current bitrate: ") + QString::number(kbps) + QStringLiteral(" kbit");
}

QCheckBox* checkBox(const QString& name, const QString& text)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    return box;
}

QComboBox* dropDown(const QString& name, const QStringList& items)
{
    auto* list = new QComboBox;
    list->setObjectName(name);
    list->addItems(items);
    return list;
}

QSlider* bitrateSlider(const QString& name)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(0, static_cast<int>(options::BitrateSteps.size()) - 1);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    return slider;
}

QWidget* sliderWithEnds(QSlider* slider, const QString& left, const QString& right)
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->addWidget(slider, 0, 0, 1, 2);
    grid->addWidget(new QLabel(left), 1, 0, Qt::AlignLeft);
    grid->addWidget(new QLabel(right), 1, 1, Qt::AlignRight);
    return box;
}

} // namespace

FrmMp3::FrmMp3(OptionSettings& settings) : QDialog(settings.ownerWindow()), settings_(settings)
{
    setObjectName(QStringLiteral("frmMP3"));
    setWindowTitle(QStringLiteral("MP3 Lame 3.91 Encoder Option"));
    setModal(true);

    tabMP3 = new QTabWidget;
    tabMP3->setObjectName(QStringLiteral("tabMP3"));
    tabMP3->addTab(buildGeneralTab(), QStringLiteral("General"));
    tabMP3->addTab(buildFilteringTab(), QStringLiteral("Filtering"));
    tabMP3->addTab(buildVbrTab(), QStringLiteral("VBR"));
    tabMP3->addTab(buildExpertTab(), QStringLiteral("Expert"));
    tabMP3->addTab(buildPresetTab(), QStringLiteral("Preset"));
    tabMP3->addTab(buildAltPresetTab(), QStringLiteral("Alt-Preset"));
    tabMP3->addTab(buildCommandLineTab(), QStringLiteral("Command Line"));
    tabMP3->setCurrentIndex(General);
    // All seven tabs stay in sight: no scroll arrows and no shortened
    // captions, so the tab bar's full width sets the window's least width.
    tabMP3->tabBar()->setUsesScrollButtons(false);
    tabMP3->tabBar()->setElideMode(Qt::ElideNone);

    auto* cmdOk = new QPushButton(QStringLiteral("Ok"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* cmdApply = new QPushButton(QStringLiteral("Apply"));
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    connect(cmdOk, &QPushButton::clicked, this, &FrmMp3::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &FrmMp3::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &FrmMp3::cmdApply_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabMP3);
    layout->addLayout(buttons);
}

QWidget* FrmMp3::buildGeneralTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    auto* frequencyFrame = new QGroupBox(QStringLiteral("Sampling Frequency"));
    cmbFrequency = new QComboBox;
    cmbFrequency->setObjectName(QStringLiteral("cmbFrequency"));
    options::fillFrequencyList(*cmbFrequency);
    (new QVBoxLayout(frequencyFrame))->addWidget(cmbFrequency);

    auto* channelFrame = new QGroupBox(QStringLiteral("Channels Mode"));
    cmbChMode = dropDown(QStringLiteral("cmbChMode"),
                         {QStringLiteral("Mono"), QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"),
                          QStringLiteral("Forced Joint Stereo"), QStringLiteral("Dual Channels")});
    (new QVBoxLayout(channelFrame))->addWidget(cmbChMode);

    frmBitrate = new QGroupBox(QStringLiteral("Bitrate"));
    frmBitrate->setObjectName(QStringLiteral("frmBitrate"));
    sldrBitrate = bitrateSlider(QStringLiteral("sldrBitrate"));
    (new QVBoxLayout(frmBitrate))
        ->addWidget(sliderWithEnds(sldrBitrate, QStringLiteral("poor quality "), QStringLiteral("good quality ")));
    connect(sldrBitrate, &QSlider::valueChanged, this, [this](int position) {
        const int kbps = options::bitrateStep(position);
        frmBitrate->setTitle(currentBitrate(kbps));
        sldrBitrate->setToolTip(QString::number(kbps));
    });

    auto* qualityFrame = new QGroupBox(QStringLiteral("Encoder Quality"));
    sldrQuality = new QSlider(Qt::Horizontal);
    sldrQuality->setObjectName(QStringLiteral("sldrQuality"));
    sldrQuality->setRange(0, 9);
    sldrQuality->setPageStep(1);
    sldrQuality->setTickPosition(QSlider::TicksBelow);
    (new QVBoxLayout(qualityFrame))
        ->addWidget(sliderWithEnds(sldrQuality, QStringLiteral("better"), QStringLiteral("faster")));
    // The quality goes to the settings object as the slider moves.
    connect(sldrQuality, &QSlider::valueChanged, this, [this](int position) {
        if (bound_)
            bound_->EncoderQuality = position;
    });

    grid->addWidget(frequencyFrame, 0, 0);
    grid->addWidget(channelFrame, 0, 1);
    grid->addWidget(frmBitrate, 1, 0, 1, 2);
    grid->addWidget(qualityFrame, 2, 0, 1, 2);
    return page;
}

QWidget* FrmMp3::buildFilteringTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto filterFrame = [this](const QString& title, const QString& prefix, const QString& checkText,
                              const QString& widthText, QCheckBox*& check, UpDown*& frequency, UpDown*& width,
                              QLabel*& widthLabel) {
        auto* frame = new QGroupBox(title);
        auto* grid = new QGridLayout(frame);
        check = checkBox(QStringLiteral("ch") + prefix + QStringLiteral("Filt"), checkText);
        frequency = new UpDown(QStringLiteral("ud") + prefix + QStringLiteral("FiltF"),
                               QStringLiteral("t") + prefix + QStringLiteral("FiltF"), 0, 48000, 10);
        widthLabel = new QLabel(widthText);
        widthLabel->setObjectName(QStringLiteral("lbl") + prefix + QStringLiteral("FiltW"));
        width = new UpDown(QStringLiteral("ud") + prefix + QStringLiteral("FiltW"),
                           QStringLiteral("t") + prefix + QStringLiteral("FiltW"), 0, 48000, 10);
        grid->addWidget(check, 0, 0);
        grid->addWidget(frequency, 0, 1);
        grid->addWidget(widthLabel, 1, 0);
        grid->addWidget(width, 1, 1);
        connect(check, &QCheckBox::toggled, this, [this] { applyFilterRules(); });
        return frame;
    };
    layout->addWidget(filterFrame(
        QStringLiteral("HighPass Filter"), QStringLiteral("H"), QStringLiteral("Highpass filtering frequency (in Hz):"),
        QStringLiteral("Width of Highpass filter (in Hz):"), chHFilt, udHFiltF, udHFiltW, lblHFiltW));
    layout->addWidget(filterFrame(
        QStringLiteral("LowPass Filter"), QStringLiteral("L"), QStringLiteral("Lowpass filtering frequency (in Hz):"),
        QStringLiteral("Width of Lowpass filter (in Hz):"), chLFilt, udLFiltF, udLFiltW, lblLFiltW));
    layout->addStretch();
    return page;
}

QWidget* FrmMp3::buildVbrTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    cmbVBRCodingMethod = dropDown(QStringLiteral("cmbVBRCodingMethod"),
                                  {QStringLiteral("None"), QStringLiteral("Default"), QStringLiteral("Old"),
                                   QStringLiteral("New"), QStringLiteral("MTRH"), QStringLiteral("ABR")});
    connect(cmbVBRCodingMethod, &QComboBox::currentIndexChanged, this, [this] { applyVbrRule(); });

    lblVbrQuality = new QLabel(QStringLiteral("VBR Quality:"));
    lblVbrQuality->setObjectName(QStringLiteral("lblVbrQuality"));
    udVbrQuality = new UpDown(QStringLiteral("udVbrQuality"), QStringLiteral("txtVbrQuality"), 0, 9, 1);
    lblAbrBitrate = new QLabel(QStringLiteral("Targed bitrate for ABR:"));
    lblAbrBitrate->setObjectName(QStringLiteral("lblAbrBitrate"));
    udAbrBitrate = new UpDown(QStringLiteral("udAbrBitrate"), QStringLiteral("txtAbrBitrate"), 8, 320, 1);

    frmVbrBitrate = new QGroupBox(QStringLiteral("Maximum VBR Bitrate"));
    frmVbrBitrate->setObjectName(QStringLiteral("frmVbrBitrate"));
    sldrVbrBitrate = bitrateSlider(QStringLiteral("sldrVbrBitrate"));
    lblVbrBitrate = new QLabel;
    lblVbrBitrate->setObjectName(QStringLiteral("lblVbrBitrate"));
    auto* vbrBitrateLayout = new QVBoxLayout(frmVbrBitrate);
    vbrBitrateLayout->addWidget(sldrVbrBitrate);
    vbrBitrateLayout->addWidget(lblVbrBitrate);
    connect(sldrVbrBitrate, &QSlider::valueChanged, this, [this](int position) {
        const int kbps = options::bitrateStep(position);
        lblVbrBitrate->setText(currentBitrate(kbps));
        sldrVbrBitrate->setToolTip(QString::number(kbps));
    });

    frmVbrAdvanced = new QGroupBox(QStringLiteral("Advanced"));
    frmVbrAdvanced->setObjectName(QStringLiteral("frmVbrAdvanced"));
    chWriteVBRHeader = checkBox(QStringLiteral("chWriteVBRHeader"), QStringLiteral("Write VBR Header"));
    chStrictlyEnforceMinBitrate =
        checkBox(QStringLiteral("chStrictlyEnforceMinBitrate"), QStringLiteral("Strictly enforce minimum bitrate"));
    auto* advancedLayout = new QVBoxLayout(frmVbrAdvanced);
    advancedLayout->addWidget(chWriteVBRHeader);
    advancedLayout->addWidget(chStrictlyEnforceMinBitrate);

    grid->addWidget(new QLabel(QStringLiteral("Coding Method:")), 0, 0);
    grid->addWidget(cmbVBRCodingMethod, 0, 1);
    grid->addWidget(lblVbrQuality, 1, 0);
    grid->addWidget(udVbrQuality, 1, 1);
    grid->addWidget(lblAbrBitrate, 2, 0);
    grid->addWidget(udAbrBitrate, 2, 1);
    grid->addWidget(frmVbrBitrate, 3, 0, 1, 2);
    grid->addWidget(frmVbrAdvanced, 4, 0, 1, 2);
    return page;
}

QWidget* FrmMp3::buildExpertTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    cmbATHControl = dropDown(QStringLiteral("cmbATHControl"),
                             {QStringLiteral("default"), QStringLiteral("only"), QStringLiteral("disabled"),
                              QStringLiteral("only for short blocks")});
    cmbEmphasis =
        dropDown(QStringLiteral("cmbEmphasis"),
                 {QStringLiteral("default"), QStringLiteral("0/15 microseconds"), QStringLiteral("citt j.17")});
    form->addRow(QStringLiteral("ATH Control:"), cmbATHControl);
    form->addRow(QStringLiteral("De-emphasis :"), cmbEmphasis);
    layout->addLayout(form);
    chErrorProtection = checkBox(QStringLiteral("chErrorProtection"), QStringLiteral("include CRC -Checksums"));
    chBlockType =
        checkBox(QStringLiteral("chBlockType"), QStringLiteral("allow block types to differ between channels"));
    chBitReservoir = checkBox(QStringLiteral("chBitReservoir"), QStringLiteral("bit reservoir"));
    chShortBlocks = checkBox(QStringLiteral("chShortBlocks"), QStringLiteral("short blocks"));
    chStrictlyISOCompliance = checkBox(QStringLiteral("chStrictlyISOCompliance"),
                                       QStringLiteral("comply as much as possible to ISO MPEG spec"));
    for (QCheckBox* box : {chErrorProtection, chBlockType, chBitReservoir, chShortBlocks, chStrictlyISOCompliance})
        layout->addWidget(box);
    layout->addStretch();
    return page;
}

QWidget* FrmMp3::buildPresetTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const QStringList captions{"Phone", "SW", "AM", "FM", "Voice", "Radio", "Tape", "HiFi", "CD", "Studio", "R3Mix"};
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions[i]);
        button->setObjectName(QStringLiteral("opPreset"));
        button->setProperty("Index", i + 1);
        connect(button, &QRadioButton::clicked, this, [this, i] { Preset = i + 1; });
        opPreset.append(button);
        grid->addWidget(button, i % 6, i / 6);
    }
    return page;
}

QWidget* FrmMp3::buildAltPresetTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    const QStringList captions{"Fast Standard", "Standard", "Fast Extreme", "Extrene", "Insane"};
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions[i]);
        button->setObjectName(QStringLiteral("opAltPreset"));
        button->setProperty("Index", i + 1);
        connect(button, &QRadioButton::clicked, this, [this, i] { AltPreset = i + 1; });
        opAltPreset.append(button);
        layout->addWidget(button);
    }
    layout->addStretch();
    return page;
}

QWidget* FrmMp3::buildCommandLineTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    txtCommLine = new QLineEdit;
    txtCommLine->setObjectName(QStringLiteral("txtCommLine"));
    layout->addWidget(txtCommLine);
    layout->addStretch();
    return page;
}

void FrmMp3::AppelAudioTool()
{
    bound_ = &settings_.lameSettings();
    Preset = 1;
    AltPreset = 1;
    LoadMP3Settings();
}

void FrmMp3::LoadMP3Settings()
{
    if (!bound_)
        return;
    const MP3LameEncoder& e = *bound_;
    // A frequency outside the list leaves the list as it is; Apply then keeps
    // the object's own value (see pushControls).
    if (!options::selectFrequency(*cmbFrequency, e.OutputFrequency))
        cmbFrequency->setCurrentIndex(-1);
    sldrQuality->setValue(e.EncoderQuality);

    const int bitratePosition = options::bitrateStepPosition(e.Bitrate);
    if (bitratePosition >= 0)
        sldrBitrate->setValue(bitratePosition);
    frmBitrate->setTitle(currentBitrate(e.Bitrate));
    const int vbrPosition = options::bitrateStepPosition(e.MaxVbrBitrate);
    if (vbrPosition >= 0)
        sldrVbrBitrate->setValue(vbrPosition);
    lblVbrBitrate->setText(currentBitrate(e.MaxVbrBitrate));

    udVbrQuality->setValue(e.VbrQuality);
    cmbVBRCodingMethod->setCurrentIndex(qBound(0, e.VbrMethod + 1, cmbVBRCodingMethod->count() - 1));
    applyVbrRule();
    udAbrBitrate->setValue(e.AbrBitrate);

    // Two channels with a mode outside 1..4 show "Stereo": showing "Mono" would
    // turn the output into mono at the next Apply.
    if (e.ChannelCount == 1)
        cmbChMode->setCurrentIndex(0);
    else if (e.ChannelMode >= 1 && e.ChannelMode <= 4)
        cmbChMode->setCurrentIndex(e.ChannelMode);
    else
        cmbChMode->setCurrentIndex(MP3LameEncoder::ModeStereo);

    chWriteVBRHeader->setChecked(e.WriteVbrHeader);
    chStrictlyEnforceMinBitrate->setChecked(e.EnforceMinBitrate);

    chHFilt->setChecked(e.HighpassFrequency >= 0);
    udHFiltF->setValue(e.HighpassFrequency < 0 ? 30 : e.HighpassFrequency);
    udHFiltW->setValue(e.HighpassWidth);
    if (udHFiltW->value() == 0)
        udHFiltW->setValue(5);
    chLFilt->setChecked(e.LowpassFrequency >= 0);
    udLFiltF->setValue(e.LowpassFrequency < 0 ? 15160 : e.LowpassFrequency);
    udLFiltW->setValue(e.LowpassWidth);
    if (udLFiltW->value() == 0)
        udLFiltW->setValue(760);
    applyFilterRules();

    cmbATHControl->setCurrentIndex(qBound(0, e.AthControl, cmbATHControl->count() - 1));
    cmbEmphasis->setCurrentIndex(qBound(0, e.Emphasis, cmbEmphasis->count() - 1));
    chErrorProtection->setChecked(e.ErrorProtection);
    chBlockType->setChecked(e.BlockTypesDiffer);
    chBitReservoir->setChecked(e.BitReservoir);
    chShortBlocks->setChecked(e.ShortBlocks);
    chStrictlyISOCompliance->setChecked(e.StrictIso);

    shown_ = e;
    pushControls(shown_);
    saved_ = e;
}

void FrmMp3::applyFilterRules()
{
    const bool high = chHFilt->isChecked();
    for (QWidget* w :
         {static_cast<QWidget*>(udHFiltF), static_cast<QWidget*>(udHFiltW), static_cast<QWidget*>(lblHFiltW)})
        w->setEnabled(high);
    const bool low = chLFilt->isChecked();
    for (QWidget* w :
         {static_cast<QWidget*>(udLFiltF), static_cast<QWidget*>(udLFiltW), static_cast<QWidget*>(lblLFiltW)})
        w->setEnabled(low);
}

void FrmMp3::applyVbrRule()
{
    const int position = cmbVBRCodingMethod->currentIndex();
    const bool any = position > 0;
    const bool abr = position == 5;
    for (QWidget* w : {static_cast<QWidget*>(lblVbrQuality), static_cast<QWidget*>(udVbrQuality)})
        w->setEnabled(any && !abr);
    for (QWidget* w : {static_cast<QWidget*>(lblAbrBitrate), static_cast<QWidget*>(udAbrBitrate)})
        w->setEnabled(any && abr);
    for (QWidget* w : {static_cast<QWidget*>(frmVbrBitrate), static_cast<QWidget*>(frmVbrAdvanced),
                       static_cast<QWidget*>(lblVbrBitrate), static_cast<QWidget*>(sldrVbrBitrate),
                       static_cast<QWidget*>(chWriteVBRHeader), static_cast<QWidget*>(chStrictlyEnforceMinBitrate)})
        w->setEnabled(any);
}

void FrmMp3::pushControls(MP3LameEncoder& e) const
{
    if (cmbFrequency->currentIndex() >= 0)
        e.OutputFrequency = cmbFrequency->currentData().toInt();
    e.VbrMethod = cmbVBRCodingMethod->currentIndex() - 1;
    e.Bitrate = options::bitrateStep(sldrBitrate->value());
    e.MaxVbrBitrate = options::bitrateStep(sldrVbrBitrate->value());
    e.AthControl = cmbATHControl->currentIndex();
    if (cmbChMode->currentIndex() == 0) {
        e.ChannelCount = 1;
    } else {
        e.ChannelCount = 2;
        e.ChannelMode = cmbChMode->currentIndex();
    }
    e.Emphasis = cmbEmphasis->currentIndex();
    e.WriteVbrHeader = chWriteVBRHeader->isChecked();
    e.EnforceMinBitrate = chStrictlyEnforceMinBitrate->isChecked();
    e.ErrorProtection = chErrorProtection->isChecked();
    e.BlockTypesDiffer = chBlockType->isChecked();
    e.BitReservoir = chBitReservoir->isChecked();
    e.ShortBlocks = chShortBlocks->isChecked();
    e.StrictIso = chStrictlyISOCompliance->isChecked();
    e.AbrBitrate = udAbrBitrate->value();
    e.HighpassFrequency = chHFilt->isChecked() ? udHFiltF->value() : -1;
    e.LowpassFrequency = chLFilt->isChecked() ? udLFiltF->value() : -1;
    e.HighpassWidth = udHFiltW->value();
    e.LowpassWidth = udLFiltW->value();
    e.VbrQuality = udVbrQuality->value();
}

void FrmMp3::refuse(const QString& reason)
{
    quandor::shell::messageBox(this, localizedMessage(reason), QStringLiteral("Tavrel"),
                               quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Critical);
}

bool FrmMp3::ApplyMP3Settings()
{
    if (!bound_)
        AppelAudioTool();
    MP3LameEncoder& e = *bound_;
    const bool dataTab = tabMP3->currentIndex() < PresetTab;
    switch (tabMP3->currentIndex()) {
    case PresetTab:
        if (!e.ApplyPreset(Preset)) {
            refuse(e.LastError());
            return false;
        }
        LoadMP3Settings();
        break;
    case AltPresetTab:
        if (!e.ApplyAltPreset(AltPreset)) {
            refuse(e.LastError());
            return false;
        }
        LoadMP3Settings();
        break;
    case CommandLine:
        if (!e.ApplyCommandLine(txtCommLine->text())) {
            refuse(e.LastError());
            return false;
        }
        LoadMP3Settings();
        break;
    default: {
        MP3LameEncoder edited = e;
        pushControls(edited);
        takeEdited(e, edited, shown_);
        break;
    }
    }
    if (!settings_.writer().SetFormatMP3Ex(e)) {
        refuse(settings_.writer().LastError());
        return false;
    }
    settings_.formatTextChanged(settings_.writer().FormatString());
    // Ok without a change leaves the file as it was, keys it never held included.
    if (!dataTab || !sameSettings(saved_, e))
        saveKeys();
    return true;
}

void FrmMp3::saveKeys()
{
    const MP3LameEncoder& e = *bound_;
    const QString values[22] = {QString::number(e.AbrBitrate),
                                QString::number(e.AthControl),
                                QString::number(e.Bitrate),
                                options::trueFalse(e.BitReservoir),
                                options::trueFalse(e.BlockTypesDiffer),
                                QString::number(e.ChannelCount),
                                QString::number(e.Emphasis),
                                QString::number(e.EncoderQuality),
                                options::trueFalse(e.ErrorProtection),
                                QString::number(e.OutputFrequency),
                                QString::number(e.HighpassFrequency),
                                QString::number(e.HighpassWidth),
                                QString::number(e.LowpassFrequency),
                                QString::number(e.LowpassWidth),
                                options::trueFalse(e.ShortBlocks),
                                options::trueFalse(e.StrictIso),
                                options::trueFalse(e.EnforceMinBitrate),
                                QString::number(e.ChannelMode),
                                QString::number(e.MaxVbrBitrate),
                                QString::number(e.VbrMethod),
                                QString::number(e.VbrQuality),
                                options::trueFalse(e.WriteVbrHeader)};
    QList<Lang_Loader::IniValue> stored;
    for (int key = 1; key <= 22; ++key)
        stored.append({QLatin1String(config_keys::Mp3Section), QString::number(key), values[key - 1]});
    Lang_Loader::SaveIni(this, settings_.configFile(), stored);
    saved_ = e;
}

void FrmMp3::cmdApply_Click()
{
    ApplyMP3Settings();
}

void FrmMp3::cmdOk_Click()
{
    // After a refusal the window stays as it is, the typed line included, for
    // the user to correct.
    if (ApplyMP3Settings())
        accept();
}

void FrmMp3::cmdCancel_Click()
{
    reject();
}

void showMp3Options(OptionSettings& settings)
{
    FrmMp3 window(settings);
    window.AppelAudioTool();
    window.exec();
}

} // namespace tavrel
