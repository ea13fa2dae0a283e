#include "converter/options/wav_options_window.h"

#include "converter/common/lang_loader.h"
#include "converter/options/option_settings.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/shell/services.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace tavrel {

namespace {

constexpr std::array<int, 12> Hertz{96000, 88200, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 6000};
constexpr std::array<int, 2> ChannelCounts{1, 2};
constexpr std::array<int, 8> Bits{2, 3, 4, 5, 8, 16, 24, 32};
constexpr int CdFrequencyIndex = 3;
constexpr int CdChannelIndex = 1;
constexpr int CdBitsIndex = 5;

int selectedIndex(const QList<QRadioButton*>& group)
{
    for (int i = 0; i < group.size(); ++i) {
        if (group[i]->isChecked())
            return i;
    }
    return -1;
}

QGroupBox* optionGroup(QWidget* owner, const QString& frameName, const QString& title, const QString& name,
                       const QStringList& captions, const QList<int>& grey, QList<QRadioButton*>& buttons)
{
    auto* frame = new QGroupBox(title, owner);
    frame->setObjectName(frameName);
    auto* layout = new QVBoxLayout(frame);
    auto* exclusive = new QButtonGroup(frame);
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions[i]);
        button->setObjectName(name);
        button->setProperty("Index", i);
        if (grey.contains(i))
            button->setStyleSheet(QStringLiteral("color: rgb(128, 128, 128)"));
        exclusive->addButton(button, i);
        layout->addWidget(button);
        buttons.append(button);
    }
    return frame;
}

} // namespace

FrmWav::FrmWav(OptionSettings& settings) : QDialog(settings.ownerWindow()), settings_(settings)
{
    setObjectName(QStringLiteral("frmWav"));
    setWindowTitle(QStringLiteral("Wav PCM Option format"));
    setModal(true);

    QStringList frequencies;
    for (int hz : Hertz)
        frequencies << QString::number(hz) + QStringLiteral(" Hz");
    QStringList bits;
    for (int b : Bits)
        bits << QString::number(b) + QStringLiteral(" bits per sample");

    auto* frame1 = optionGroup(this, QStringLiteral("Frame1"), QStringLiteral("Sampling Frequency :"),
                               QStringLiteral("Option1"), frequencies, {0, 1}, Option1);
    auto* frame2 =
        optionGroup(this, QStringLiteral("Frame2"), QStringLiteral("Channel Mode :"), QStringLiteral("Option2"),
                    {QStringLiteral("Mono"), QStringLiteral("St\u00e9r\u00e9o")}, {}, Option2);
    auto* frame3 = optionGroup(this, QStringLiteral("Frame3"), QStringLiteral("Bits per sample :"),
                               QStringLiteral("Option3"), bits, {0, 1, 2, 3, 6, 7}, Option3);
    Option1[CdFrequencyIndex]->setChecked(true);
    Option2[CdChannelIndex]->setChecked(true);
    Option3[CdBitsIndex]->setChecked(true);

    auto* command1 = new QPushButton(QStringLiteral("Apply"));
    command1->setObjectName(QStringLiteral("Command1"));
    auto* command2 = new QPushButton(QStringLiteral("Restore CD Audio default format"));
    command2->setObjectName(QStringLiteral("Command2"));
    connect(command1, &QPushButton::clicked, this, &FrmWav::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &FrmWav::Command2_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(frame1, 0, 0, 2, 1);
    grid->addWidget(frame2, 0, 1);
    grid->addWidget(frame3, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(command2);
    buttons->addStretch();
    buttons->addWidget(command1);
    grid->addLayout(buttons, 2, 0, 1, 2);
}

void FrmWav::Form_Load()
{
    const QString file = settings_.configFile();
    const struct {
        const ConfigKey& key;
        QList<QRadioButton*>* group;
    } keys[] = {
        {config_keys::WavFrequency, &Option1}, {config_keys::WavChannel, &Option2}, {config_keys::WavBits, &Option3}};
    for (const auto& k : keys) {
        const QString text = Lang_Loader::ReadIni(file, k.key).trimmed();
        bool ok = false;
        const int index = text.toInt(&ok);
        if (ok && index >= 0 && index < k.group->size())
            (*k.group)[index]->setChecked(true);
    }
}

void FrmWav::storeSelection()
{
    QList<Lang_Loader::IniValue> stored;
    const struct {
        const ConfigKey& key;
        int index;
    } choices[] = {{config_keys::WavFrequency, selectedIndex(Option1)},
                   {config_keys::WavChannel, selectedIndex(Option2)},
                   {config_keys::WavBits, selectedIndex(Option3)}};
    for (const auto& choice : choices) {
        if (choice.index >= 0)
            stored.append({choice.key, QString::number(choice.index)});
    }
    Lang_Loader::SaveIni(this, settings_.configFile(), stored);
}

void FrmWav::Command1_Click()
{
    storeSelection();
    const int frequency = Hertz[static_cast<std::size_t>(selectedIndex(Option1))];
    const int channels = ChannelCounts[static_cast<std::size_t>(selectedIndex(Option2))];
    const int bits = Bits[static_cast<std::size_t>(selectedIndex(Option3))];
    settings_.writer().SetFormatPCM(frequency, channels, bits);
    settings_.formatTextChanged(settings_.writer().FormatString());
    if (!settings_.formatText().isEmpty()) {
        accept();
        return;
    }
    quandor::shell::messageBox(
        this, QStringLiteral("Can't set this format to the encoder. Please modify format options."),
        QStringLiteral("Tavrel"), quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Warning);
}

void FrmWav::restoreCdFormat()
{
    Option1[CdFrequencyIndex]->setChecked(true);
    Option2[CdChannelIndex]->setChecked(true);
    Option3[CdBitsIndex]->setChecked(true);
    settings_.writer().SetFormatPCM(44100, 2, 16);
    settings_.formatTextChanged(settings_.writer().FormatString());
    storeSelection();
}

void FrmWav::Command2_Click()
{
    restoreCdFormat();
    accept();
}

void FrmWav::done(int result)
{
    // Every closing: an output without a format gets the audio-CD format.
    if (settings_.formatText().isEmpty())
        restoreCdFormat();
    QDialog::done(result);
}

void showWavOptions(OptionSettings& settings)
{
    FrmWav window(settings);
    window.Form_Load();
    window.exec();
}

} // namespace tavrel
