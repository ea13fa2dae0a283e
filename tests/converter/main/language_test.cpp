#include "converter/common/lang_loader.h"
#include "converter/common/message_lines.h"
#include "converter/main/audiotool.h"
#include "converter/main/file_list_view.h"

#include "tests/converter/main/window_fixture.h"
#include "tests/support/recording_services.h"
#include "tests/support/wav_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::duringARun;
using test::numbered;
using test::ProgramFolder;

int checkedItems(const Audiotool& window)
{
    int checked = 0;
    for (const QAction* item : window.LangueName)
        checked += item->isChecked() ? 1 : 0;
    return checked;
}

TEST(LanguageMenu, ListsTheLanguagesAndAppliesTheCaptionTable)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("English.lng"), QStringLiteral("en"));
    folder.addNumberedLanguage(QStringLiteral("German.lng"), QStringLiteral("de"));
    quandor::test::RecordingServices services;
    folder.setValue("LANGUE", "VALUE", "1");
    auto window = folder.started();

    ASSERT_EQ(window->LangueName.size(), 2);
    EXPECT_EQ(window->LangueName[0]->text(), QStringLiteral("English"));
    EXPECT_EQ(window->LangueName[1]->text(), QStringLiteral("German"));
    EXPECT_EQ(window->LangueName[1]->data().toString(), folder.file(QStringLiteral("Lang/German.lng")));

    struct Shown {
        int line;
        QString text;
    };
    const Shown shown[] = {
        {0, window->Fichier->title()},        {1, window->addfile->text()},     {1, window->Image1->toolTip()},
        {2, window->Exite->text()},           {3, window->Options->title()},    {4, window->Languer->title()},
        {5, window->TagEditor->text()},       {6, window->acceptWma->text()},   {7, window->Informations->title()},
        {8, window->Homepage->text()},        {9, window->About->text()},       {10, window->Label8->text()},
        {12, window->Image5->toolTip()},      {13, window->Label11->text()},    {14, window->Check1->text()},
        {15, window->Label2->text()},         {16, window->Label1->text()},     {17, window->Label3->text()},
        {19, window->Label12->text()},        {20, window->Label4->text()},     {21, window->Command5->text()},
        {22, window->Command4->text()},       {23, window->Command3->text()},   {24, window->ConvertNow->text()},
        {25, window->Deletefromlist->text()}, {47, window->trackcolor->text()}, {49, window->Aide->text()},
    };
    for (const Shown& s : shown)
        EXPECT_EQ(s.text, numbered("de", s.line)) << "line " << s.line;
    EXPECT_EQ(window->Label10->text(), QStringLiteral("0 ") + numbered("de", 11));
    // Menus outside the table keep their own texts.
    EXPECT_EQ(window->FAQ->text(), QStringLiteral("F.A.Q"));
    EXPECT_EQ(window->Helpus->text(), QStringLiteral("Help us translate Tavrel"));
}

TEST(LanguageMenu, PickingALanguageLeavesExactlyOneItemChecked)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("a.lng"), QStringLiteral("a"));
    folder.addNumberedLanguage(QStringLiteral("b.lng"), QStringLiteral("b"));
    folder.addNumberedLanguage(QStringLiteral("c.lng"), QStringLiteral("c"));
    quandor::test::RecordingServices services;
    auto window = folder.started();

    for (int pick : {2, 2, 0, 1}) {
        window->LangueName[pick]->trigger(); // as the user's click does
        EXPECT_EQ(checkedItems(*window), 1) << "pick " << pick;
        EXPECT_TRUE(window->LangueName[pick]->isChecked()) << "pick " << pick;
        EXPECT_EQ(folder.value("LANGUE", "VALUE"), QString::number(pick));
        EXPECT_EQ(window->Command3->text(), numbered(QString(QChar(u'a' + pick)), 23));
    }
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST(LanguageMenu, VanishedFileIsReportedAndTheProgramGoesOnWithItsCaptions)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("a.lng"), QStringLiteral("a"));
    folder.addNumberedLanguage(QStringLiteral("b.lng"), QStringLiteral("b"));
    quandor::test::RecordingServices services;
    auto window = folder.started();
    ASSERT_TRUE(QFile::remove(folder.file(QStringLiteral("Lang/b.lng"))));

    window->LangueName[1]->trigger();
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(services.messages[0].text, QStringLiteral("Can't find the Language file"));
    EXPECT_EQ(window->Command3->text(), numbered("a", 23));
    EXPECT_TRUE(window->LangueName[0]->isChecked());
    EXPECT_FALSE(window->LangueName[1]->isChecked());
    EXPECT_EQ(folder.value("LANGUE", "VALUE"), QStringLiteral("0"));
}

TEST(LanguageMenu, ShortFileKeepsTheBuiltInCaptionsOfTheLinesItLacks)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("short.lng"), QStringLiteral("s"), 11);
    quandor::test::RecordingServices services;
    auto window = folder.started();
    EXPECT_EQ(window->Fichier->title(), numbered("s", 0));
    EXPECT_EQ(window->Label8->text(), numbered("s", 10));
    EXPECT_EQ(window->Label11->text(), QStringLiteral("Output configuration :"));
    EXPECT_EQ(window->Command3->text(), QStringLiteral("Convert !"));
    EXPECT_EQ(window->Label10->text(), QStringLiteral("0 files"));
    // The later steps of the start-up ran.
    EXPECT_EQ(window->Combo1->count(), 5);
}

TEST(LanguageMenu, CurrentFileLabelNamesTheEntryDuringAConversion)
{
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("a.lng"), QStringLiteral("a"));
    quandor::test::RecordingServices services;
    auto window = folder.started();
    const QString source = folder.file(QStringLiteral("song.wav"));
    ASSERT_TRUE(quandor::test::writeWavFile(source, quandor::test::PcmFormat{}, 2.0));
    window->AddFileToList(source);
    EXPECT_TRUE(duringARun(*window, [&] {
        window->ListView1->clearSelection(); // the user unselects the entry at work
        window->ApplyLanguage(folder.file(QStringLiteral("Lang/a.lng")));
        EXPECT_EQ(window->Label4->text(), numbered("a", 20)); // no entry selected
    }));
}

TEST(LanguageMenu, ShippedLanguageFilesHaveEveryLine)
{
    const QString langSource = QStringLiteral(TAVREL_LANG_SOURCE_DIR);
    const QStringList names = Lang_Loader::LanguageFileNames(langSource);
    for (const char* expected : {"English.lng", "Francais.lng", "German.lng", "Nederlands.lng"})
        EXPECT_TRUE(names.contains(QLatin1String(expected))) << expected;
    EXPECT_TRUE(names.contains(QStringLiteral("Portugu\u00eas.lng")));
    for (const QString& name : names) {
        if (name.startsWith(QStringLiteral("Zek_")))
            continue;
        QFile file(langSource + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        // CR LF line ends only, and no UTF-8: the files are Windows-1252.
        EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n')) << name.toStdString();
        EXPECT_EQ(bytes.count("\r\n"), bytes.count('\r')) << name.toStdString();
        const QStringList lines = Lang_Loader::SplitLanguageText(bytes);
        ASSERT_GE(lines.size(), 55) << name.toStdString();
        for (int line = 0; line <= 54; ++line) {
            EXPECT_FALSE(lines[line].isEmpty()) << name.toStdString() << " line " << line;
            EXPECT_FALSE(lines[line].contains(QChar(0xC3))) << name.toStdString() << " line " << line;
        }
        EXPECT_EQ(lines[20].right(1), QStringLiteral(" ")) << name.toStdString();
    }
}

TEST(LanguageFiles, OwnMessagesAreShownInTheLanguageInUse)
{
    const QString langSource = QStringLiteral(TAVREL_LANG_SOURCE_DIR);
    const QString engineMessage = QStringLiteral(
        "Could not convert /music/a.wav\ncannot create the target: Cannot create /out/a.mp3: No space left on device");
    const struct {
        QString file;
        QString converted;
        QString lame;
        QString settingsNotSaved;
        QString ioError;
    } cases[] = {
        {QStringLiteral("English.lng"), engineMessage, QStringLiteral("Bad value for -V: 12"),
         QStringLiteral("The settings could not be saved to /opt/tavrel/Config.ini."),
         QStringLiteral("Cannot write /out/a.mp3: Input/output error")},
        {QStringLiteral("Francais.lng"),
         QString::fromUtf8("Impossible de convertir /music/a.wav\nimpossible de créer le fichier de destination: "
                           "Impossible de créer /out/a.mp3: Plus d'espace libre sur le disque"),
         QStringLiteral("Valeur incorrecte pour -V : 12"),
         QString::fromUtf8("Les réglages n'ont pas pu être enregistrés dans /opt/tavrel/Config.ini."),
         QString::fromUtf8("Impossible d'écrire /out/a.mp3: Erreur d'entrée/sortie")},
        {QStringLiteral("German.lng"),
         QString::fromUtf8("/music/a.wav konnte nicht konvertiert werden\ndie Zieldatei kann nicht angelegt werden: "
                           "/out/a.mp3 kann nicht angelegt werden: Kein Speicherplatz mehr auf dem Gerät"),
         QString::fromUtf8("Ungültiger Wert für -V: 12"),
         QStringLiteral("Die Einstellungen konnten nicht in /opt/tavrel/Config.ini gespeichert werden."),
         QStringLiteral("/out/a.mp3 kann nicht geschrieben werden: Ein-/Ausgabefehler")},
        {QStringLiteral("Nederlands.lng"),
         QStringLiteral("Kan /music/a.wav niet converteren\nkan het doelbestand niet aanmaken: Kan /out/a.mp3 niet "
                        "aanmaken: Geen ruimte meer op het apparaat"),
         QStringLiteral("Ongeldige waarde voor -V: 12"),
         QStringLiteral("De instellingen konden niet in /opt/tavrel/Config.ini worden opgeslagen."),
         QStringLiteral("Kan /out/a.mp3 niet schrijven: Invoer-/uitvoerfout")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        ASSERT_TRUE(Lang_Loader::LoadLanguageFile(langSource + u'/' + c.file));
        EXPECT_EQ(localizedMessage(engineMessage), c.converted);
        EXPECT_EQ(localizedMessage(QStringLiteral("Bad value for -V: 12")), c.lame);
        EXPECT_EQ(Lang_Loader::SaveFailedText(QStringLiteral("/opt/tavrel/Config.ini")), c.settingsNotSaved);
        EXPECT_EQ(localizedMessage(QStringLiteral("Cannot write /out/a.mp3: Input/output error")), c.ioError);
        EXPECT_EQ(localizedMessage(QStringLiteral("an unknown reason")), QStringLiteral("an unknown reason"));
    }

    // A user's own older file without the lines keeps the English text.
    ProgramFolder folder;
    folder.addNumberedLanguage(QStringLiteral("Old.lng"), QStringLiteral("Line"));
    ASSERT_TRUE(Lang_Loader::LoadLanguageFile(folder.file(QStringLiteral("Lang/Old.lng"))));
    EXPECT_EQ(localizedMessage(engineMessage), engineMessage);
    EXPECT_EQ(localizedMessage(QStringLiteral("Unknown LAME option: --x")), QStringLiteral("Unknown LAME option: --x"));
}

} // namespace
} // namespace tavrel
