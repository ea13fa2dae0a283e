// Every action that saves settings tells the user, once, when Config.ini
// cannot be written, and stays quiet when it can.

#include "converter/common/lang_loader.h"
#include "converter/options/aac_options_window.h"
#include "converter/options/mp3_options_window.h"
#include "converter/options/ogg_options_window.h"
#include "converter/options/wav_options_window.h"

#include "tests/converter/options/option_test_support.h"
#include "tests/support/recording_services.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <gtest/gtest.h>

#include <functional>

namespace tavrel {
namespace {

using test::ProgramFolder;

struct SaveAction {
    const char* name;
    std::function<void(Audiotool&, quandor::test::RecordingServices&)> run;
};

const SaveAction kSaveActions[] = {
    {"MP3 options",
     [](Audiotool& main, auto&) {
         FrmMp3 window(main.optionSettings());
         window.AppelAudioTool();
         window.sldrBitrate->setValue(14); // Apply without a change writes nothing
         window.cmdApply_Click();
     }},
    {"AAC options",
     [](Audiotool& main, auto&) {
         FrmAac window(main.optionSettings());
         window.fillFrom(main.optionSettings().aacSettings());
         window.Command1_Click();
     }},
    {"Ogg options",
     [](Audiotool& main, auto&) {
         FrmOgg window(main.optionSettings());
         window.loadaudiotool();
         window.cmdOk_Click();
     }},
    {"WAV options",
     [](Audiotool& main, auto&) {
         FrmWav window(main.optionSettings());
         window.Form_Load();
         window.Command1_Click();
     }},
    {"WMA profile",
     [](Audiotool& main, auto&) {
         main.Combo2->setCurrentIndex(3);
         main.Combo2_Click();
     }},
    {"APE level",
     [](Audiotool& main, auto&) {
         main.Combo3->setCurrentIndex(0);
         main.Combo3_Click();
     }},
    {"track colour",
     [](Audiotool& main, auto& services) {
         services.colorAnswers.push_back(QColor(10, 20, 30));
         main.trackcolor_Click();
     }},
    {"language", [](Audiotool& main, auto&) { main.LangueName_Click(0); }},
    {"shut-down",
     [](Audiotool& main, auto&) {
         int cancel = 0;
         main.Form_QueryUnload(cancel);
     }},
};

/// A started window whose WMA list and language menu have entries to pick.
std::unique_ptr<Audiotool> startedWithEveryChoice(const ProgramFolder& folder)
{
    folder.setValue(QStringLiteral("WMA"), QStringLiteral("WMASUPPORT"), QStringLiteral("True"));
    folder.addNumberedLanguage(QStringLiteral("English.lng"), QStringLiteral("Line"));
    return folder.started();
}

qsizetype failureReports(const quandor::test::RecordingServices& services, const QString& file)
{
    return services.messageTexts().count(Lang_Loader::SaveFailedText(file));
}

TEST(SettingsSave, AFailedSaveIsReportedOnceNamingTheFile)
{
    for (const SaveAction& action : kSaveActions) {
        SCOPED_TRACE(action.name);
        quandor::test::RecordingServices services;
        ProgramFolder folder;
        auto main = startedWithEveryChoice(folder);
        // A folder in place of the file cannot be replaced, even by root.
        QFile::remove(folder.configFile());
        ASSERT_TRUE(QDir().mkdir(folder.configFile()));
        action.run(*main, services);
        EXPECT_EQ(failureReports(services, folder.configFile()), 1) << services.messageTexts().join(u'|').toStdString();
    }
}

TEST(SettingsSave, ASuccessfulSaveSaysNothing)
{
    for (const SaveAction& action : kSaveActions) {
        SCOPED_TRACE(action.name);
        quandor::test::RecordingServices services;
        ProgramFolder folder;
        auto main = startedWithEveryChoice(folder);
        action.run(*main, services);
        EXPECT_EQ(failureReports(services, folder.configFile()), 0);
        EXPECT_TRUE(QFileInfo(folder.configFile()).isFile());
    }
}

TEST(SettingsSave, TheMessageNamesTheFile)
{
    EXPECT_EQ(Lang_Loader::SaveFailedText(QStringLiteral("/opt/tavrel/Config.ini")),
              QStringLiteral("The settings could not be saved to /opt/tavrel/Config.ini."));
}

} // namespace
} // namespace tavrel
