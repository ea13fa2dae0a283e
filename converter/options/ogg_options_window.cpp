#include "converter/options/ogg_options_window.h"

#include "converter/common/lang_loader.h"
#include "converter/options/option_controls.h"
#include "converter/options/option_settings.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/shell/services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <limits>
#include <utility>

namespace tavrel {

namespace {

QSlider* slider(const QString& name, int maximum, int tick)
{
    auto* s = new QSlider(Qt::Horizontal);
    s->setObjectName(name);
    s->setRange(0, maximum);
    s->setPageStep(tick);
    s->setTickInterval(tick);
    s->setTickPosition(QSlider::TicksBelow);
    return s;
}

QLabel* label(const QString& name, const QString& text)
{
    auto* l = new QLabel(text);
    l->setObjectName(name);
    return l;
}

QGroupBox* frame(const QString& name, const QString& title)
{
    auto* f = new QGroupBox(title);
    f->setObjectName(name);
    return f;
}

} // namespace

FrmOgg::FrmOgg(OptionSettings& settings) : QDialog(settings.ownerWindow()), settings_(settings)
{
    setObjectName(QStringLiteral("frmOgg"));
    setWindowTitle(QStringLiteral("Ogg Vorbis Option"));
    setModal(true);

    buildFormatFrames();
    buildRateFrames();
    connectControls();
    layOutFrames();
}

void FrmOgg::buildFormatFrames()
{
    frmChMode = frame(QStringLiteral("frmChMode"), QStringLiteral("Channels Mode"));
    cmbChMode = new QComboBox;
    cmbChMode->setObjectName(QStringLiteral("cmbChMode"));
    cmbChMode->addItems({QStringLiteral("Mono"), QStringLiteral("Stereo")});
    (new QVBoxLayout(frmChMode))->addWidget(cmbChMode);

    frmFrequency = frame(QStringLiteral("frmFrequency"), QStringLiteral("Sampling Frequency"));
    cmbFrequency = new QComboBox;
    cmbFrequency->setObjectName(QStringLiteral("cmbFrequency"));
    options::fillFrequencyList(*cmbFrequency);
    (new QVBoxLayout(frmFrequency))->addWidget(cmbFrequency);
}

void FrmOgg::buildRateFrames()
{
    frmQuality = frame(QStringLiteral("frmQuality"), QStringLiteral("Quality (Compression)"));
    sldrQuality = slider(QStringLiteral("sldrQuality"), 1000, 100);
    (new QVBoxLayout(frmQuality))->addWidget(sldrQuality);

    frmVbr = frame(QStringLiteral("frmVbr"), QStringLiteral("VBR"));
    sldrMinBitrate = slider(QStringLiteral("sldrMinBitrate"), 14, 1);
    sldrMaxBitrate = slider(QStringLiteral("sldrMaxBitrate"), 14, 1);
    lblMinBitrate = label(QStringLiteral("lblMinBitrate"), QStringLiteral("MinBitrate"));
    lblMaxBitrate = label(QStringLiteral("lblMaxBitrate"), QStringLiteral("MaxBitrate"));
    auto* vbrLayout = new QVBoxLayout(frmVbr);
    vbrLayout->addWidget(lblMinBitrate);
    vbrLayout->addWidget(sldrMinBitrate);
    vbrLayout->addWidget(lblMaxBitrate);
    vbrLayout->addWidget(sldrMaxBitrate);

    frmOption = frame(QStringLiteral("frmOption"), QStringLiteral("Option"));
    chQuality = new QCheckBox(QStringLiteral("Quality Enabled"));
    chQuality->setObjectName(QStringLiteral("chQuality"));
    chVbr = new QCheckBox(QStringLiteral("VBR Enabled"));
    chVbr->setObjectName(QStringLiteral("chVbr"));
    sldrBitrate = slider(QStringLiteral("sldrBitrate"), 14, 1);
    lblBitrate = label(QStringLiteral("lblBitrate"), QStringLiteral("Bitrate"));
    auto* optionLayout = new QVBoxLayout(frmOption);
    optionLayout->addWidget(chQuality);
    optionLayout->addWidget(chVbr);
    optionLayout->addWidget(lblBitrate);
    optionLayout->addWidget(sldrBitrate);
}

void FrmOgg::connectControls()
{
    connect(chQuality, &QCheckBox::clicked, this, &FrmOgg::chQuality_Click);
    connect(chVbr, &QCheckBox::clicked, this, &FrmOgg::chVbr_Click);
    auto bitrateMove = [this](QSlider* s, int* member) {
        connect(s, &QSlider::valueChanged, this, [this, s, member](int position) {
            const int kbps = options::bitrateStep(position);
            if (kbps < 0)
                return;
            *member = kbps;
            s->setToolTip(QString::number(kbps));
            showBitrates();
        });
    };
    bitrateMove(sldrBitrate, &Bitrate);
    bitrateMove(sldrMinBitrate, &MinBitrate);
    bitrateMove(sldrMaxBitrate, &MaxBitrate);
    connect(sldrQuality, &QSlider::valueChanged, this, [this](int position) {
        Quality = position;
        sldrQuality->setToolTip(QLocale().toString(Quality / 100.0));
    });
}

void FrmOgg::layOutFrames()
{
    auto* cmdApply = new QPushButton(QStringLiteral("Apply"));
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    auto* cmdOk = new QPushButton(QStringLiteral("Ok"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdApply, &QPushButton::clicked, this, &FrmOgg::cmdApply_Click);
    connect(cmdOk, &QPushButton::clicked, this, &FrmOgg::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &FrmOgg::cmdCancel_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(frmFrequency, 0, 0);
    grid->addWidget(frmChMode, 0, 1);
    grid->addWidget(frmOption, 1, 0);
    grid->addWidget(frmVbr, 1, 1);
    grid->addWidget(frmQuality, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
}

void FrmOgg::showBitrates()
{
    lblBitrate->setText(QStringLiteral("Current nominal bitrate: ") + QString::number(Bitrate)
                        + QStringLiteral(" kbit"));
    lblMinBitrate->setText(QStringLiteral("Current min bitrate: ") + QString::number(MinBitrate)
                           + QStringLiteral(" kbit"));
    lblMaxBitrate->setText(QStringLiteral("Current max bitrate: ") + QString::number(MaxBitrate)
                           + QStringLiteral(" kbit"));
}

OggFormat FrmOgg::formatInEffect() const
{
    if (const auto writer = settings_.writer().OggVorbisFormat())
        return {writer->sampleRate,  writer->channels,    writer->nominalKbps,
                writer->minimumKbps, writer->maximumKbps, writer->quality};
    // The writer holds another format: the one choosing Ogg would put in
    // effect, for the conversion's rate and channels while nothing is stored.
    OggFormat unstored;
    unstored.frequency = settings_.frequency();
    unstored.channels = settings_.channels();
    const QString file = settings_.configFile();
    if (!loadOggStoredChoice(file).qualityMode)
        return unstored;
    const OggLoadResult stored =
        loadOggSettings(file, [this](int frequency, int channels, int nominal, int minimum, int maximum) {
            return settings_.writer().IsFormatOggVorbisAvailable(frequency, channels, nominal, minimum, maximum);
        });
    return stored.format.value_or(unstored);
}

void FrmOgg::loadaudiotool()
{
    // The format in effect decides what it governs; the values it leaves
    // unused come back as they were last stored, so that Ok without a change
    // keeps the whole choice.
    const OggFormat f = formatInEffect();
    const OggStoredChoice stored = loadOggStoredChoice(settings_.configFile());
    const auto storedRate = [](std::optional<std::int32_t> kbps) {
        return kbps && *kbps > 0 && *kbps <= std::numeric_limits<std::int16_t>::max() ? *kbps : 128;
    };
    QualityEnabled = f.quality >= 0;
    Quality = QualityEnabled ? f.quality : stored.quality.value_or(300);
    VbrEnabled = QualityEnabled ? stored.managed.value_or(0) == 1 : f.minimum > 0 || f.maximum > 0;
    const bool managedInEffect = !QualityEnabled && VbrEnabled;
    Bitrate = QualityEnabled ? storedRate(stored.nominal) : f.nominal;
    MinBitrate = managedInEffect ? f.minimum : storedRate(stored.minimum);
    MaxBitrate = managedInEffect ? f.maximum : storedRate(stored.maximum);

    // A frequency outside the list shows the main window's, or 44 100 Hz.
    if (!options::selectFrequency(*cmbFrequency, f.frequency)
        && !options::selectFrequency(*cmbFrequency, settings_.frequency()))
        options::selectFrequency(*cmbFrequency, 44100);
    cmbChMode->setCurrentIndex(f.channels == 1 ? 0 : 1);
    const std::pair<QSlider*, int> rates[] = {
        {sldrBitrate, Bitrate}, {sldrMinBitrate, MinBitrate}, {sldrMaxBitrate, MaxBitrate}};
    for (const auto& [s, kbps] : rates) {
        // A rate that is not a step shows in the label; the slider stays in the middle.
        const int position = options::bitrateStepPosition(kbps);
        QSignalBlocker block(s);
        s->setValue(position >= 0 ? position : 9);
    }
    showBitrates();
    chVbr->setChecked(VbrEnabled);
    vbrRule();
    chQuality->setChecked(QualityEnabled);
    qualityRule();
    sldrQuality->setValue(Quality);
    Quality = sldrQuality->value();
}

void FrmOgg::qualityRule()
{
    const bool on = chQuality->isChecked();
    if (on) {
        for (QWidget* w : std::initializer_list<QWidget*>{chVbr, frmVbr, sldrBitrate, sldrMinBitrate, sldrMaxBitrate,
                                                          lblBitrate, lblMinBitrate, lblMaxBitrate})
            w->setEnabled(false);
        frmQuality->setEnabled(true);
        sldrQuality->setEnabled(true);
    } else {
        frmVbr->setEnabled(false);
        sldrQuality->setEnabled(false);
        for (QWidget* w : std::initializer_list<QWidget*>{chVbr, lblBitrate, sldrBitrate})
            w->setEnabled(true);
        vbrRule();
    }
    QualityEnabled = on;
}

void FrmOgg::vbrRule()
{
    const bool on = chVbr->isChecked();
    if (on) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{frmVbr, sldrMinBitrate, sldrMaxBitrate, lblMinBitrate, lblMaxBitrate})
            w->setEnabled(true);
    } else {
        for (QWidget* w :
             std::initializer_list<QWidget*>{frmQuality, sldrMinBitrate, sldrMaxBitrate, lblMinBitrate, lblMaxBitrate})
            w->setEnabled(false);
    }
    VbrEnabled = on;
}

void FrmOgg::chQuality_Click()
{
    qualityRule();
}

void FrmOgg::chVbr_Click()
{
    vbrRule();
}

bool FrmOgg::ApplyOggSettings()
{
    const int frequency = cmbFrequency->currentData().toInt();
    const int channels = cmbChMode->currentIndex() + 1;
    auto& writer = settings_.writer();

    int nominal = Bitrate;
    int minimum = 0;
    int maximum = 0;
    int quality = -1;
    if (QualityEnabled) {
        nominal = 128;
        quality = Quality;
    } else {
        if (VbrEnabled) {
            minimum = MinBitrate;
            maximum = MaxBitrate;
        }
        if (!writer.IsFormatOggVorbisAvailable(frequency, channels, nominal, minimum, maximum)) {
            // A refused choice is not stored: the next start would restore it.
            quandor::shell::messageBox(this, QStringLiteral("Incorrect format"), QStringLiteral("Tavrel"),
                                       quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Critical);
            return false;
        }
    }

    if (!writer.SetFormatOggVorbis(frequency, channels, nominal, minimum, maximum, quality)) {
        quandor::shell::messageBox(this, QStringLiteral("Incorrect format"), QStringLiteral("Tavrel"),
                                   quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Critical);
        return false;
    }
    OggStoredChoice choice;
    choice.qualityMode = QualityEnabled ? 1 : 0;
    choice.managed = VbrEnabled ? 1 : 0;
    choice.frequency = frequency;
    choice.channels = channels;
    choice.quality = Quality;
    choice.nominal = Bitrate;
    choice.maximum = MaxBitrate;
    // The minimum has a key of its own so that it no longer replaces the nominal one.
    choice.minimum = MinBitrate;
    const QString section = QLatin1String(config_keys::OggSection);
    QList<Lang_Loader::IniValue> stored;
    for (const auto& [key, value] : oggKeysToStore(choice, settings_.configFile()))
        stored.append({section, key, value});
    Lang_Loader::SaveIni(this, settings_.configFile(), stored);

    settings_.formatTextChanged(writer.FormatString());
    return true;
}

void FrmOgg::cmdApply_Click()
{
    ApplyOggSettings();
}

void FrmOgg::cmdOk_Click()
{
    if (ApplyOggSettings())
        accept();
}

void FrmOgg::cmdCancel_Click()
{
    reject();
}

void showOggOptions(OptionSettings& settings)
{
    FrmOgg window(settings);
    window.loadaudiotool();
    window.exec();
}

} // namespace tavrel
