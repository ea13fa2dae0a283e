// Start-up and shut-down of the main window.
#include "converter/main/audiotool.h"

#include "converter/common/lang_loader.h"
#include "converter/main/config_values.h"
#include "converter/main/conversion_engine.h"
#include "converter/main/deb.h"
#include "converter/main/form1.h"
#include "converter/main/kill_process.h"
#include "converter/main/web_links.h"
#include "platform/files/file_door.h"
#include "platform/profile/profile_file.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

namespace tavrel {

namespace {

void writeDefault(const QString& ini, const ConfigKey& key, const QString& value)
{
    quandor::profile::writeDefault(ini, key.sectionName(), key.keyName(), value);
}

void writeDefault(const QString& ini, const ConfigKey& key)
{
    writeDefault(ini, key, key.fallbackText());
}

} // namespace

void Audiotool::Form_Initialize()
{
    // A write past a file-size limit then fails with EFBIG and is reported
    // like a full disk, instead of killing the program and its batch.
    quandor::files::ignoreFileSizeSignal();
    deb_ = std::make_unique<Deb>();
    deb_->show();
    QApplication::processEvents();
}

void Audiotool::unloadSplash()
{
    if (deb_) {
        deb_->close();
        deb_.reset();
    }
}

void Audiotool::Form_Load()
{
    const QString ini = configFile();
    LoadLanguageMenu(); // the window's size is fixed at construction
    loadTrackColor(ini);
    AddFileFolder = Lang_Loader::ReadIni(ini, config_keys::AddFileFolder);
    showSetupPageOnce(ini);
    loadLanguage(ini);
    const bool wmaOn = loadWmaSupport(ini);
    if (wmaOn)
        fillWmaProfiles();
    FileWenc.SetFormatMP3(44100, 128, 2); // the writer's default format
    Text2->setText(FileWenc.FormatString());
    loadOutputFolder(ini);
    fillOutputFormats(wmaOn);
    unloadSplash();
}

// A value that is not a colour means the default.
void Audiotool::loadTrackColor(const QString& ini)
{
    const QString color = Lang_Loader::ReadIni(ini, config_keys::TrackColor);
    if (color.isEmpty()) {
        writeDefault(ini, config_keys::TrackColor, QString::number(config::DefaultTrackColor));
        TrackColor = config::DefaultTrackColor;
    } else {
        TrackColor = config::trackColor(color);
    }
}

void Audiotool::showSetupPageOnce(const QString& ini)
{
    if (Lang_Loader::ReadIni(ini, config_keys::Launched) != QLatin1String(config_keys::Launched.fallback)) {
        writeDefault(ini, config_keys::Launched);
        Lang_Loader::ShellOpen(links::setupPage());
    }
}

// The chooser when no language is stored, then its captions.
void Audiotool::loadLanguage(const QString& ini)
{
    QString language = Lang_Loader::ReadIni(ini, config_keys::Language);
    if (language.isEmpty()) {
        unloadSplash();
        Form1 chooser(langFolder(), ini, this);
        chooser.exec();
        language = Lang_Loader::ReadIni(ini, config_keys::Language);
    }
    int languageNumber = 0;
    if (language.isEmpty())
        writeDefault(ini, config_keys::Language);
    else
        languageNumber = config::languageNumber(language);
    if (languageNumber < LangueName.size()) {
        QAction* item = LangueName[languageNumber];
        item->setChecked(true);
        item->setProperty("inUse", true);
        ApplyLanguage(item->data().toString());
    }
}

// The component objects exist with the window; only their WMA support is set.
bool Audiotool::loadWmaSupport(const QString& ini)
{
    QString wmaSupport = Lang_Loader::ReadIni(ini, config_keys::WmaSupport);
    if (wmaSupport.isEmpty()) {
        writeDefault(ini, config_keys::WmaSupport);
        wmaSupport = config_keys::WmaSupport.fallbackText();
    }
    const bool wmaOn = wmaSupport == QLatin1String("True");
    FileWenc.SetWmaSupport(wmaOn);
    FileRenc.SetWmaSupport(wmaOn);
    probeReader_.SetWmaSupport(wmaOn);
    acceptWma->setChecked(wmaOn);
    return wmaOn;
}

// Numbered 01 to 51.
void Audiotool::fillWmaProfiles()
{
    for (int profile = 1; profile <= config::WmaProfileCount; ++profile) {
        FileWenc.SelectWmaProfile(profile);
        Combo2->addItem(QStringLiteral("%1 - %2").arg(profile, 2, 10, QLatin1Char('0')).arg(FileWenc.FormatString()));
    }
}

void Audiotool::loadOutputFolder(const QString& ini)
{
    const QString outputPath = Lang_Loader::ReadIni(ini, config_keys::OutputPath);
    Text1->setText(outputPath.isEmpty() ? QDir::toNativeSeparators(paths_.programFolder) : outputPath);
    const QString modePath = Lang_Loader::ReadIni(ini, config_keys::SaveBesideSource);
    if (!modePath.isEmpty()) {
        Check1->setChecked(modePath == QLatin1String("TRUE"));
        Check1_Click();
    }
}

// The output formats and the one last used.
void Audiotool::fillOutputFormats(bool wmaOn)
{
    Combo1->clear();
    Combo1->addItems({QStringLiteral("Mp3"), QStringLiteral("Wav"), QStringLiteral("Ogg"), QStringLiteral("AAC"),
                      QStringLiteral("APE (MonKey's audio)")});
    if (wmaOn)
        Combo1->addItem(QStringLiteral("Wma"));
    restoreOutputFormat(wmaOn);
}

void Audiotool::restoreOutputFormat(bool wmaSupport)
{
    // A value the program never stores there (edited by hand, or from another
    // version) means the default, as an empty one does: the list is never left
    // without a format, which would make "Convert !" do nothing.
    QString format = Lang_Loader::ReadIni(configFile(), config_keys::OutputFormat);
    const QStringList known{QStringLiteral("Mp3"),
                            QStringLiteral("AAC"),
                            QStringLiteral("Wav"),
                            QStringLiteral("Ogg"),
                            QStringLiteral("APE (MonKey's audio)"),
                            QStringLiteral("Wma")};
    if (!known.contains(format))
        format = QStringLiteral("Mp3");
    auto select = [this](const QString& text) {
        Combo1->setCurrentIndex(Combo1->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    };
    if (format == QLatin1String("Mp3")) {
        select(QStringLiteral("Mp3"));
        FileWenc.SetFormatMP3(44100, 128, 2);
        LoadSettings();
        Text2->setText(FileWenc.FormatString());
    } else if (format == QLatin1String("AAC")) {
        LoadAacSettings();
        select(format);
        Text2->setText(engine_->outputSettings().aac.formatString());
    } else if (format == QLatin1String("Wav")) {
        LoadWavSettings();
        Text2->setText(FileWenc.FormatString());
        select(format);
    } else if (format == QLatin1String("Ogg")) {
        select(format);
        FileWenc.SetFormatOggVorbis(44100, 2, 128, 0, 0, -1);
        LoadOggSettings();
        Text2->setText(FileWenc.FormatString());
    } else if (format == QLatin1String("APE (MonKey's audio)")) {
        select(format);
        LoadApeSettings();
    } else if (format == QLatin1String("Wma") && wmaSupport) {
        select(format);
        restoreWmaProfile();
    } else { // "Wma" while WMA support is off
        select(QStringLiteral("Mp3"));
        FileWenc.SetFormatMP3(44100, 128, 2);
        Text2->setText(FileWenc.FormatString());
    }
    showParameterShape(Combo1->currentText());
}

void Audiotool::Form_QueryUnload(int& cancel, int)
{
    const QString ini = configFile();
    Lang_Loader::SaveIni(
        this, ini,
        {{config_keys::OutputPath, Text1->text()},
         {config_keys::SaveBesideSource, Check1->isChecked() ? QStringLiteral("TRUE") : QStringLiteral("FALSE")},
         {config_keys::OutputFormat, Combo1->currentText()}});
    if (engine_->isConverting()) {
        cancel = 1;
        return;
    }
    KillProcess::KillByName(QStringLiteral("Tavrel.exe"));
}

} // namespace tavrel
