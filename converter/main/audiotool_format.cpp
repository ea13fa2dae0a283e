// The output-format area: format list, WMA profiles, APE levels, the
// save-beside box and the WMA support switch.
#include "converter/main/audiotool.h"

#include "converter/common/lang_loader.h"
#include "converter/main/captions.h"
#include "converter/main/config_values.h"
#include "converter/main/conversion_engine.h"

#include "platform/shell/services.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace tavrel {

namespace {

struct ApeLevel {
    const char* caption;
    int level;
    const char* stored;
};

constexpr ApeLevel apeLevels[] = {
    {"Compression Fast", 1000, "COMPRESSION_LEVEL_FAST"},
    {"Compression Normal", 2000, "COMPRESSION_LEVEL_NORMAL"},
    {"Compression High", 3000, "COMPRESSION_LEVEL_HIGH"},
    {"Compression Very High (Insane)", 4000, "COMPRESSION_LEVEL_EXTRA_HIGH"},
};

} // namespace

void Audiotool::showParameterShape(const QString& format)
{
    const bool wma = format == QLatin1String("Wma");
    const bool ape = format == QLatin1String("APE (MonKey's audio)");
    Text2->setVisible(!wma && !ape);
    Command2->setVisible(!wma && !ape);
    Combo2->setVisible(wma);
    Combo3->setVisible(ape);
}

void Audiotool::restoreWmaProfile()
{
    FileWenc.SelectWmaProfile(39);
    // An empty, "0" or unusable stored number selects the default profile.
    const int profile = config::wmaProfile(Lang_Loader::ReadIni(configFile(), config_keys::WmaProfile));
    FileWenc.SelectWmaProfile(profile);
    Text2->setText(FileWenc.FormatString());
    // Combo2 holds profile i at index i - 1.
    Combo2->setCurrentIndex(profile - 1 < Combo2->count() ? profile - 1 : -1);
}

void Audiotool::Combo1_Click()
{
    const QString format = Combo1->currentText();
    if (format == QLatin1String("AAC")) {
        Text2->clear();
        LoadAacSettings();
        Text2->setText(engine_->outputSettings().aac.formatString());
    } else if (format == QLatin1String("APE (MonKey's audio)")) {
        LoadApeSettings();
    } else if (format == QLatin1String("Mp3")) {
        LoadSettings();
        Text2->setText(FileWenc.FormatString());
    } else if (format == QLatin1String("Wav")) {
        Text2->clear();
        LoadWavSettings();
    } else if (format == QLatin1String("Ogg")) {
        LoadOggSettings();
        Text2->setText(FileWenc.FormatString());
    } else if (format == QLatin1String("Wma")) {
        restoreWmaProfile();
    } else {
        return;
    }
    showParameterShape(format);
}

void Audiotool::Combo2_Click()
{
    const int index = Combo2->currentIndex();
    if (index < 0)
        return;
    FileWenc.SelectWmaProfile(index + 1);
    Lang_Loader::SaveIni(this, configFile(), {{config_keys::WmaProfile, QString::number(index + 1)}});
}

void Audiotool::Combo3_Click()
{
    const QString text = Combo3->currentText();
    for (const ApeLevel& level : apeLevels) {
        if (text == QLatin1String(level.caption)) {
            OutputSettings settings = engine_->outputSettings();
            settings.apeLevel = level.level;
            engine_->applySettings(settings);
            Lang_Loader::SaveIni(this, configFile(), {{config_keys::ApeLevel, QLatin1String(level.stored)}});
            return;
        }
    }
}

void Audiotool::acceptWma_Click()
{
    const QString ini = configFile();
    const bool wasOn = Lang_Loader::ReadIni(ini, config_keys::WmaSupport) == QLatin1String("True");
    if (!Lang_Loader::SaveIni(this, ini,
                              {{config_keys::WmaSupport, wasOn ? QStringLiteral("False") : QStringLiteral("True")}})) {
        // Nothing changed: the box keeps showing what is stored.
        acceptWma->setChecked(wasOn);
        return;
    }
    acceptWma->setChecked(!wasOn);
    quandor::shell::messageBox(this, captions::text(captions::WmaSupportChanged), QStringLiteral("Tavrel"),
                               quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Information);
}

void Audiotool::addfile_Click()
{
    Image1_Click();
}

void Audiotool::Check1_Click()
{
    const bool besideSource = Check1->isChecked();
    Text1->setEnabled(!besideSource);
    Command1->setEnabled(!besideSource);
}

} // namespace tavrel
