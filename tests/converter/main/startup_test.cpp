#include "converter/main/audiotool.h"
#include "converter/main/deb.h"
#include "converter/main/form1.h"

#include "tests/converter/main/window_fixture.h"
#include "tests/support/recording_services.h"
#include "tests/support/wav_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::duringARun;
using test::ModalWatcher;
using test::numbered;
using test::ProgramFolder;

TEST(Startup, FirstLaunchWritesDefaultsAsksForTheLanguageAndOpensTheSetupPageOnce)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("English.lng"), QStringLiteral("en"));
    folder.addNumberedLanguage(QStringLiteral("Francais.lng"), QStringLiteral("fr"));
    quandor::test::RecordingServices services;

    QStringList listed;
    QString preselected;
    bool okEnabled = true;
    qsizetype highlighted = -1;
    ModalWatcher chooser([&](QWidget& modal) {
        auto* form = qobject_cast<Form1*>(&modal);
        ASSERT_NE(form, nullptr);
        for (int row = 0; row < form->ListView1->count(); ++row)
            listed.append(form->ListView1->item(row)->text());
        preselected = form->ListView1->currentItem() ? form->ListView1->currentItem()->text() : QString();
        okEnabled = form->Command1->isEnabled();
        highlighted = form->ListView1->selectedItems().size();
        form->reject(); // closed without confirming
    });
    auto window = folder.window();
    window->Form_Load();

    EXPECT_TRUE(chooser.seen());
    EXPECT_EQ(listed, (QStringList{"English", "Francais"}));
    EXPECT_EQ(preselected, QStringLiteral("English"));
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(highlighted, 0); // nothing looks chosen while "Ok" is disabled

    EXPECT_EQ(folder.value("Track", "COLOR"), QStringLiteral("16576"));
    EXPECT_EQ(folder.value("LAUNCH", "VALUE"), QStringLiteral("True"));
    EXPECT_EQ(folder.value("WMA", "WMASUPPORT"), QStringLiteral("False"));
    EXPECT_EQ(folder.value("LANGUE", "VALUE"), QStringLiteral("0"));
    EXPECT_EQ(services.openedUrls.size(), 1);
    EXPECT_EQ(window->Text1->text(), folder.path());
    EXPECT_EQ(window->Combo1->currentText(), QStringLiteral("Mp3"));
    EXPECT_EQ(window->TrackColor, 16576u);
    ASSERT_EQ(window->LangueName.size(), 2);
    EXPECT_TRUE(window->LangueName[0]->isChecked());
    EXPECT_EQ(window->Command3->text(), numbered("en", 23));
    EXPECT_EQ(window->splash(), nullptr);

    // A second start writes nothing and opens nothing.
    const QByteArray afterFirst = folder.configBytes();
    ModalWatcher noChooser([](QWidget& modal) { modal.close(); });
    auto second = folder.window();
    second->Form_Load();
    EXPECT_FALSE(noChooser.seen());
    EXPECT_EQ(folder.configBytes(), afterFirst);
    EXPECT_EQ(services.openedUrls.size(), 1);
}

TEST(Startup, ConfirmedChooserStoresTheLanguageNumber)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("English.lng"), QStringLiteral("en"));
    folder.addNumberedLanguage(QStringLiteral("Francais.lng"), QStringLiteral("fr"));
    quandor::test::RecordingServices services;
    ModalWatcher chooser([](QWidget& modal) {
        auto& form = static_cast<Form1&>(modal);
        form.ListView1->setCurrentRow(1);
        EXPECT_TRUE(form.Command1->isEnabled());
        form.Command1->click();
    });
    auto window = folder.window();
    window->Form_Load();

    EXPECT_EQ(folder.value("LANGUE", "VALUE"), QStringLiteral("1"));
    EXPECT_TRUE(window->LangueName[1]->isChecked());
    EXPECT_FALSE(window->LangueName[0]->isChecked());
    EXPECT_EQ(window->Label8->text(), numbered("fr", 10));
}

TEST(Startup, SplashShowsFromInitialiseToTheEndOfTheLoad)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    folder.setValue("LANGUE", "VALUE", "0");
    auto window = folder.window();
    window->Form_Initialize();
    ASSERT_NE(window->splash(), nullptr);
    EXPECT_TRUE(window->splash()->isVisible());
    EXPECT_EQ(window->splash()->size(), QSize(Deb::PictureWidth, Deb::PictureHeight));
    window->Form_Load();
    EXPECT_EQ(window->splash(), nullptr);
}

TEST(Startup, WindowKeepsOneSize)
{
    ProgramFolder folder;
    auto window = folder.window();
    EXPECT_EQ(window->size(), QSize(468, 535));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
}

struct FormatRow {
    const char* stored;
    const char* wmaSupport;
    const char* shown; // Combo1's text afterwards
    bool text2Visible;
    bool combo2Visible;
    bool combo3Visible;
};

TEST(Startup, RestoresTheOutputFormat)
{
    const FormatRow rows[] = {
        {"", "False", "Mp3", true, false, false},
        {"Mp3", "False", "Mp3", true, false, false},
        {"mp3", "False", "Mp3", true, false, false}, // not a value the program stores: the default
        {"Wav", "False", "Wav", true, false, false},
        {"Ogg", "False", "Ogg", true, false, false},
        {"AAC", "False", "AAC", true, false, false},
        {"APE (MonKey's audio)", "False", "APE (MonKey's audio)", false, false, true},
        {"Wma", "False", "Mp3", true, false, false},
        {"Wma", "True", "Wma", false, true, false},
        {"Flac", "True", "Mp3", true, false, false},
    };
    for (const FormatRow& row : rows) {
        SCOPED_TRACE(std::string(row.stored) + " / " + row.wmaSupport);
        ProgramFolder folder;
        quandor::test::RecordingServices services;
        if (*row.stored)
            folder.setValue("Tavrel", "Format", QLatin1String(row.stored));
        folder.setValue("WMA", "WMASUPPORT", QLatin1String(row.wmaSupport));
        auto window = folder.started();
        window->show();
        EXPECT_EQ(window->Combo1->currentText(), QLatin1String(row.shown));
        if (QLatin1String(row.shown) == QLatin1String("Mp3")) {
            EXPECT_TRUE(window->Text2->text().startsWith(QStringLiteral("MP3"))) << window->Text2->text().toStdString();
        }
        EXPECT_EQ(window->Text2->isVisible(), row.text2Visible);
        EXPECT_EQ(window->Command2->isVisible(), row.text2Visible);
        EXPECT_EQ(window->Combo2->isVisible(), row.combo2Visible);
        EXPECT_EQ(window->Combo3->isVisible(), row.combo3Visible);
        const bool wma = QLatin1String(row.wmaSupport) == QLatin1String("True");
        EXPECT_EQ(window->Combo1->count(), wma ? 6 : 5);
        EXPECT_EQ(window->Combo2->count(), wma ? 51 : 0);
        EXPECT_EQ(window->acceptWma->isChecked(), wma);
        EXPECT_EQ(window->FileWenc.WmaSupport(), wma);
        EXPECT_EQ(window->FileRenc.WmaSupport(), wma);
    }
}

TEST(Startup, WmaProfileListIsNumberedAndTheStoredProfileIsShown)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    folder.setValue("WMA", "WMASUPPORT", "True");
    folder.setValue("Tavrel", "Format", "Wma");
    folder.setValue("WMA", "Num", "12");
    auto window = folder.started();
    ASSERT_EQ(window->Combo2->count(), 51);
    EXPECT_TRUE(window->Combo2->itemText(0).startsWith(QStringLiteral("01 - ")));
    EXPECT_TRUE(window->Combo2->itemText(50).startsWith(QStringLiteral("51 - ")));
    EXPECT_EQ(window->Combo2->currentIndex(), 11);
}

TEST(Startup, UnusableStoredValuesFallBackToDefaultsAndTheLaterStepsStillRun)
{
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"Track", "COLOR", "abc"},    {"LANGUE", "VALUE", "-1"}, {"LANGUE", "VALUE", "x"},
        {"LANGUE", "VALUE", "40000"}, {"WMA", "Num", "abc"},     {"Tavrel", "Modepath", "yes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " " + c.key + "=" + c.value);
        ProgramFolder folder;
        folder.addNumberedLanguage(QStringLiteral("English.lng"), QStringLiteral("en"));
        quandor::test::RecordingServices services;
        folder.setValue("LANGUE", "VALUE", "0");
        folder.setValue("WMA", "WMASUPPORT", "True");
        folder.setValue("Tavrel", "Format", "Wma");
        folder.setValue(QLatin1String(c.section), QLatin1String(c.key), QLatin1String(c.value));
        auto window = folder.started();

        EXPECT_EQ(window->TrackColor, 16576u);
        EXPECT_TRUE(window->LangueName[0]->isChecked());
        EXPECT_EQ(window->Command3->text(), numbered("en", 23));
        EXPECT_EQ(window->Combo1->currentText(), QStringLiteral("Wma"));
        EXPECT_EQ(window->Combo2->currentIndex(), 8); // profile 9
        EXPECT_FALSE(window->Check1->isChecked());
        EXPECT_TRUE(window->Text1->isEnabled());
        EXPECT_EQ(window->Text1->text(), folder.path());
        EXPECT_TRUE(services.messages.isEmpty());
        // Bad values are not rewritten behind the user's back.
        EXPECT_EQ(folder.value(QLatin1String(c.section), QLatin1String(c.key)), QLatin1String(c.value));
    }
}

TEST(Startup, LanguageBeyondTheLastFileKeepsTheBuiltInCaptions)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("English.lng"), QStringLiteral("en"));
    quandor::test::RecordingServices services;
    folder.setValue("LANGUE", "VALUE", "3");
    auto window = folder.started();
    EXPECT_FALSE(window->LangueName[0]->isChecked());
    EXPECT_EQ(window->Command3->text(), QStringLiteral("Convert !"));
    EXPECT_EQ(window->Label10->text(), QStringLiteral("0 files"));
}

TEST(Startup, MissingLangFolderKeepsTheBuiltInCaptionsAndGoesOn)
{
    ProgramFolder folder; // no Lang folder at all
    quandor::test::RecordingServices services;
    ModalWatcher chooser([](QWidget& modal) { modal.close(); });
    auto window = folder.window();
    window->Form_Load();
    EXPECT_TRUE(window->LangueName.isEmpty());
    EXPECT_EQ(window->Label8->text(), QStringLiteral("Files to convert :"));
    EXPECT_EQ(window->Combo1->currentText(), QStringLiteral("Mp3"));
    EXPECT_EQ(folder.value("LANGUE", "VALUE"), QStringLiteral("0"));
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST(Startup, OutputFolderAndModeAreRestored)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    folder.setValue("Tavrel", "OutputPath", "/music/out");
    folder.setValue("Tavrel", "Modepath", "TRUE");
    auto window = folder.started();
    EXPECT_EQ(window->Text1->text(), QStringLiteral("/music/out"));
    EXPECT_TRUE(window->Check1->isChecked());
    EXPECT_FALSE(window->Text1->isEnabled());
    EXPECT_FALSE(window->Command1->isEnabled());
}

TEST(Shutdown, ClosingSavesTheOutputChoices)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    auto window = folder.started();
    window->show();
    window->Text1->setText(QStringLiteral("/music/converted"));
    window->Check1->setChecked(true);
    window->Combo1->setCurrentIndex(window->Combo1->findText(QStringLiteral("Ogg")));

    EXPECT_TRUE(window->close());
    EXPECT_EQ(folder.value("Tavrel", "OutputPath"), QStringLiteral("/music/converted"));
    EXPECT_EQ(folder.value("Tavrel", "Modepath"), QStringLiteral("TRUE"));
    EXPECT_EQ(folder.value("Tavrel", "Format"), QStringLiteral("Ogg"));

    // The next start brings them back.
    auto next = folder.started();
    EXPECT_EQ(next->Text1->text(), QStringLiteral("/music/converted"));
    EXPECT_TRUE(next->Check1->isChecked());
    EXPECT_EQ(next->Combo1->currentText(), QStringLiteral("Ogg"));
}

TEST(Shutdown, ClosingDuringAConversionSavesButKeepsTheWindowOpen)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    auto window = folder.started();
    window->show();
    window->Check1->setChecked(false);
    const QString source = folder.file(QStringLiteral("song.wav"));
    ASSERT_TRUE(quandor::test::writeWavFile(source, quandor::test::PcmFormat{}, 2.0));
    window->AddFileToList(source);

    EXPECT_TRUE(duringARun(*window, [&] {
        EXPECT_FALSE(window->close());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(folder.value("Tavrel", "Modepath"), QStringLiteral("FALSE"));
        EXPECT_EQ(folder.value("Tavrel", "Format"), QStringLiteral("Mp3"));
        // The box as the user left it: a run writes nothing back into it.
        EXPECT_EQ(folder.value("Tavrel", "OutputPath"), folder.path());
    }));
    EXPECT_TRUE(window->close());
}

TEST(Shutdown, OtherProcessesNamedLikeTheProgramSurvive)
{
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    if (sleep.isEmpty())
        GTEST_SKIP() << "no sleep program";
    ProgramFolder folder;
    // A process whose executable name contains "Tavrel.exe", in another case.
    const QString lookalike = folder.file(QStringLiteral("xTAVREL.EXE-helper"));
    ASSERT_TRUE(QFile::copy(sleep, lookalike));
    QProcess other;
    other.start(lookalike, {QStringLiteral("30")});
    ASSERT_TRUE(other.waitForStarted());

    quandor::test::RecordingServices services;
    auto window = folder.started();
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(other.waitForFinished(200));
    EXPECT_EQ(other.state(), QProcess::Running);
    other.kill();
    other.waitForFinished();
}

TEST(Shutdown, ExitMenuTakesTheSamePath)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    auto window = folder.started();
    window->show();
    window->Combo1->setCurrentIndex(window->Combo1->findText(QStringLiteral("AAC")));
    window->Exite->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(folder.value("Tavrel", "Format"), QStringLiteral("AAC"));
}

} // namespace
} // namespace tavrel
