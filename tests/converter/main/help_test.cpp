#include "converter/main/about_window.h"
#include "converter/main/audiotool.h"
#include "converter/main/help_menu.h"
#include "converter/main/web_links.h"

#include "tests/converter/main/window_fixture.h"
#include "tests/support/recording_services.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::ModalWatcher;
using test::ProgramFolder;

TEST(HelpMenu, FaqPageFollowsTheStoredLanguageValue)
{
    const struct {
        const char* value;
        bool french;
    } cases[] = {{"1", true}, {"0", false}, {"2", false}, {"x", false}, {"", false}, {" 1", true}};
    for (const auto& c : cases) {
        ProgramFolder folder;
        auto window = folder.started();
        folder.setValue("LANGUE", "VALUE", c.value);
        quandor::test::RecordingServices services;
        window->FAQ_Click();
        ASSERT_EQ(services.openedUrls.size(), 1) << c.value;
        EXPECT_TRUE(services.openedUrls[0].endsWith(c.french ? "FAQ/FAQ_Tavrel.htm" : "FAQ/FAQ_TavrelEn.htm"))
            << c.value << " -> " << services.openedUrls[0].toStdString();
    }
}

TEST(HelpMenu, HelpFileHomepageAndTranslationRequest)
{
    ProgramFolder folder;
    auto window = folder.started();
    quandor::test::RecordingServices services;

    window->Aide_Click(); // no help file: nothing opens, nothing is said
    EXPECT_TRUE(services.openedUrls.isEmpty());
    EXPECT_TRUE(services.messages.isEmpty());
    QFile help(folder.file("Tavrel.chm"));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    window->Aide_Click();
    ASSERT_EQ(services.openedUrls.size(), 1);
    EXPECT_EQ(QFileInfo(services.openedUrls[0]).fileName(), "Tavrel.chm");

    window->Homepage_Click();
    EXPECT_EQ(services.openedUrls.last(), links::homePage());
    EXPECT_TRUE(links::homePage().endsWith("indexEn.html"));

    window->Helpus_Click();
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(services.messages[0].title, "Tavrel");
    EXPECT_EQ(services.messages[0].text,
              "If you want to translate Tavrel in your natural language, take the english file in the Lang directory "
              "of Tavrel and translate it contents. Send your translated file at "
                  + links::makerEmail() + "\r\nThanks.");
}

TEST(AboutWindow, CaptionsLinksAndTheDonationCurrency)
{
    const struct {
        QByteArray line53;
        const char* currency;
    } cases[] = {{"\x80", "EUR"}, {"\x80 ", "USD"}, {"$", "USD"}};
    for (const auto& c : cases) {
        ProgramFolder folder;
        QByteArray bytes;
        for (int line = 0; line < 56; ++line) {
            QByteArray text = "line " + QByteArray::number(line);
            if (line == 53)
                text = c.line53;
            bytes += text + "\r\n";
        }
        folder.addLanguage("Test.lng", bytes);
        folder.setValue("LANGUE", "VALUE", "0");
        folder.setValue("LANGUE", "FILE", "Test.lng");
        auto window = folder.started();
        window->ApplyLanguage(QDir(folder.langFolder()).filePath("Test.lng"));

        FrmSplash about(window.get());
        about.Form_Load();
        EXPECT_EQ(about.Version->text(), FrmSplash::versionText());
        EXPECT_TRUE(about.Version->text().startsWith("Version "));
        EXPECT_EQ(about.lblCompanyProduct->text(), "line 44 : " + links::makerName());
        EXPECT_EQ(about.Label3->text(), "line 50");
        EXPECT_EQ(about.Command1->text(), "line 54");

        quandor::test::RecordingServices services;
        about.Command1_Click();
        ASSERT_EQ(services.openedUrls.size(), 1);
        EXPECT_TRUE(services.openedUrls[0].endsWith(QStringLiteral("currency_code=") + c.currency))
            << services.openedUrls[0].toStdString();
        about.Label1_Click();
        EXPECT_EQ(services.openedUrls.last(), "mailto:" + links::makerEmail() + "?subject=Tavrel");
        about.Label2_Click();
        EXPECT_EQ(services.openedUrls.last(), links::site());
        about.Label4_Click();
        ASSERT_EQ(services.messages.size(), 1);
        EXPECT_TRUE(services.messages[0].text.startsWith("If you are designer and want to help (for free)"));
        EXPECT_TRUE(services.messages[0].text.endsWith(links::makerEmail()));
    }
}

TEST(AboutWindow, ShortLanguageFileKeepsBuiltInCaptionsAndAKeyCloses)
{
    ProgramFolder folder;
    folder.addNumberedLanguage("Short.lng", "short", 10);
    auto window = folder.started();
    window->ApplyLanguage(QDir(folder.langFolder()).filePath("Short.lng"));
    FrmSplash about(window.get());
    about.Form_Load();
    EXPECT_EQ(about.Label6->text(), "$");
    EXPECT_EQ(about.Label3->text(), "Traduction : ");
    quandor::test::RecordingServices services;
    about.Command1_Click();
    ASSERT_EQ(services.openedUrls.size(), 1);
    EXPECT_TRUE(services.openedUrls[0].endsWith("currency_code=USD"));

    // The menu command shows it modally; a key press closes it.
    ModalWatcher watcher([](QWidget& modal) {
        EXPECT_EQ(modal.objectName(), "frmSplash");
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&modal, &press);
    });
    window->About_Click();
    EXPECT_TRUE(watcher.seen());
}

TEST(WebAddresses, StartUpMenusAndAboutWindowOpenOnlyPlaceholders)
{
    const QString placeholders = QStringLiteral("quandor.example.org");
    ProgramFolder folder;
    folder.addNumberedLanguage("English.lng", "en");
    folder.setValue("LANGUE", "VALUE", "0");
    quandor::test::RecordingServices services;
    auto window = folder.window();
    window->Form_Load(); // the first launch opens the set-up page
    ASSERT_EQ(services.openedUrls.size(), 1);
    window->FAQ_Click();
    folder.setValue("LANGUE", "VALUE", "1");
    window->FAQ_Click();
    window->Homepage_Click();
    window->Helpus_Click();
    FrmSplash about(window.get());
    about.Form_Load();
    about.Command1_Click();
    about.Label1_Click();
    about.Label2_Click();
    about.Label4_Click();

    EXPECT_EQ(services.openedUrls.size(), 7);
    EXPECT_EQ(quandor::test::addressesOutside(services.openedUrls, placeholders), QStringList{});
    // The mail address the messages give is one of them too.
    ASSERT_EQ(services.messages.size(), 2);
    for (const auto& message : services.messages) {
        const QString address = message.text.section(QLatin1Char(' '), -1).section(QLatin1Char('\r'), 0, 0);
        EXPECT_TRUE(address.endsWith(QLatin1Char('@') + placeholders)) << message.text.toStdString();
    }
}

} // namespace
} // namespace tavrel
