#include "cdrip/ui/brenlow_start.h"

#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/language_dialog.h"
#include "shell_fixture.h"
#include "tests/support/tools.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

namespace brenlow::test {
namespace {

using Family = SystemVersion::Family;

SystemVersionProvider reporting(int major, int minor, Family family)
{
    return [=] { return std::optional<SystemVersion>(SystemVersion{major, minor, family}); };
}

TEST(SystemVersionCheck, CodesFollowTheVersionTable)
{
    struct Case {
        int major, minor;
        Family family;
        int code;
        bool supported;
    };
    const Case cases[] = {
        {3, 51, Family::NT, 0, true},        {3, 51, Family::Windows95, 0, true},  {4, 0, Family::NT, 1, true},
        {4, 0, Family::Windows95, 2, false}, {4, 10, Family::Windows95, 3, false}, {4, 90, Family::Windows95, 4, false},
        {5, 0, Family::NT, 5, true},         {5, 1, Family::NT, 6, true},          {5, 2, Family::NT, 7, true},
        {6, 0, Family::NT, 1, true},         {10, 0, Family::NT, 1, true},         {5, 3, Family::NT, 1, true},
    };
    for (const Case& c : cases) {
        const int code = checkWindowsVersion(reporting(c.major, c.minor, c.family));
        EXPECT_EQ(code, c.code) << c.major << '.' << c.minor;
        EXPECT_EQ(isSupportedVersionCode(code), c.supported) << c.major << '.' << c.minor;
    }
    EXPECT_EQ(checkWindowsVersion([] { return std::optional<SystemVersion>(); }), -1);
    EXPECT_FALSE(isSupportedVersionCode(-1));
    EXPECT_TRUE(isSupportedVersionCode(checkWindowsVersion(currentSystemVersion)));
}

class StartTest : public ShellTest {
protected:
    /// Runs the program; `onLanguage` answers the language dialog.
    int run(std::function<int(QDialog&)> onLanguage, SystemVersionProvider version = currentSystemVersion)
    {
        StartEnvironment environment;
        environment.startFolder = startFolder();
        environment.systemVersion = std::move(version);
        environment.runModal = [this, onLanguage](QDialog& dialog) {
            shown << dialog.objectName();
            if (dialog.objectName() == QStringLiteral("230"))
                return onLanguage(dialog);
            mainQuitCaption = static_cast<MainDialog&>(dialog).command(40001)->text();
            return 0;
        };
        return runBrenlow(environment);
    }
    QStringList setupPages() const { return services_.openedUrls.filter(QStringLiteral("setup6En.php?ASPI=")); }

    qsizetype messagesSaying(const QString& part) const { return services_.messageTexts().filter(part).size(); }

    QStringList shown;
    QString mainQuitCaption;
};

int pressCancel(QDialog& dialog)
{
    dialog.findChild<QPushButton*>(QStringLiteral("2"))->click();
    return dialog.result();
}

TEST_F(StartTest, FirstStartAsksTheLanguageThenOpensTheSetUpPageOnce)
{
    EXPECT_EQ(run(pressCancel), 0);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("230"), QStringLiteral("101")}));
    // Cancel stores nothing: English, and the question comes again.
    EXPECT_EQ(readRegistryValue(QStringLiteral("Langue")), std::nullopt);
    EXPECT_EQ(mainQuitCaption, QStringLiteral("Quit"));
    EXPECT_EQ(readRegistryValue(QStringLiteral("FirstLaunch")), QStringLiteral("1"));
    EXPECT_EQ(setupPages().size(), 1);

    shown.clear();
    run([](QDialog& dialog) {
        auto* german = dialog.findChild<QRadioButton*>(QStringLiteral("1069"));
        german->setChecked(true);
        dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return dialog.result();
    });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("230"), QStringLiteral("101")}));
    EXPECT_EQ(readRegistryValue(QStringLiteral("Langue")), QStringLiteral("2"));
    EXPECT_EQ(mainQuitCaption, QStringLiteral("Beenden"));
    // No "next start" note at start-up (in either language).
    EXPECT_EQ(messagesSaying(QStringLiteral("Brenlow starts")), 0);
    EXPECT_EQ(messagesSaying(QStringLiteral("n\u00e4chsten Start")), 0);
    EXPECT_EQ(setupPages().size(), 1);

    shown.clear();
    run(pressCancel);
    EXPECT_EQ(shown, QStringList{QStringLiteral("101")});
    EXPECT_EQ(setupPages().size(), 1);
}

TEST_F(StartTest, UnknownLanguageValueAsksAgain)
{
    for (const char* langue : {"7", "", "01"}) {
        writeRegistryValue(QStringLiteral("Langue"), QString::fromLatin1(langue));
        shown.clear();
        run(pressCancel);
        EXPECT_EQ(shown.value(0), QStringLiteral("230")) << langue;
        EXPECT_EQ(mainQuitCaption, QStringLiteral("Quit")) << langue;
    }
}

TEST_F(StartTest, TooOldOrUnknownSystemEndsWithTheMessage)
{
    for (const SystemVersionProvider& version :
         {reporting(4, 0, Family::Windows95), SystemVersionProvider([] { return std::optional<SystemVersion>(); })}) {
        services_.messages.clear();
        shown.clear();
        EXPECT_NE(run(pressCancel, version), 0);
        EXPECT_TRUE(shown.isEmpty());
        ASSERT_EQ(services_.messages.size(), 1);
        EXPECT_EQ(services_.messages[0].text,
                  QStringLiteral("Sorry, Brenlow is no more compatible with your Operating System... too old."));
        EXPECT_EQ(services_.messages[0].title, QStringLiteral("Brenlow"));
    }
    EXPECT_FALSE(QFile::exists(ripperIni()));
}

TEST_F(StartTest, HidingTheMainDialogForAnotherWindowKeepsTheProgramRunning)
{
    // The burner hides the main dialog while it runs and shows it again when
    // it closes; the program must go on until the main dialog itself ends.
    markStartedBefore();
    bool runningAfterTheOtherWindow = false;
    StartEnvironment environment;
    environment.startFolder = startFolder();
    environment.runModal = [&runningAfterTheOtherWindow](QDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog, &runningAfterTheOtherWindow] {
            QDialog other;
            dialog.hide();
            QTimer::singleShot(0, &other, [&other] { other.close(); });
            other.exec();
            dialog.show();
            QTimer::singleShot(0, &dialog, [&dialog, &runningAfterTheOtherWindow] {
                runningAfterTheOtherWindow = dialog.isVisible();
                static_cast<MainDialog&>(dialog).quit();
            });
        });
        return dialog.exec();
    };
    EXPECT_EQ(runBrenlow(environment), 0);
    EXPECT_TRUE(runningAfterTheOtherWindow);
}

TEST_F(StartTest, StartedFromAnotherFolderFindsTheCaptionsBesideTheProgram)
{
    markStartedBefore();
    QTemporaryDir elsewhere; // a current directory without a Lang folder
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    StartEnvironment environment = currentStartEnvironment();
    QDir::setCurrent(previous);
    EXPECT_EQ(QFileInfo(environment.startFolder).canonicalFilePath(), QFileInfo(elsewhere.path()).canonicalFilePath());
    EXPECT_EQ(environment.programFolder, QCoreApplication::applicationDirPath());

    // The built program's folder in place of this test's: it holds the shipped Lang folder.
    environment.programFolder = quandor::test::brenlowFolder();
    QString quitCaption;
    environment.runModal = [&quitCaption](QDialog& dialog) {
        quitCaption = static_cast<MainDialog&>(dialog).command(40001)->text();
        return 0;
    };
    EXPECT_EQ(runBrenlow(environment), 0);
    EXPECT_EQ(quitCaption, QStringLiteral("Quit"));
    // The settings stay in the folder it was started from.
    EXPECT_TRUE(QFile::exists(QDir(elsewhere.path()).filePath(QStringLiteral("Ripper.ini"))));
}

class LanguageDialogTest : public ShellTest {};

TEST_F(LanguageDialogTest, ChecksTheStoredChoice)
{
    const std::pair<std::optional<QString>, int> cases[] = {{std::nullopt, 1068},
                                                            {QStringLiteral("0"), 1067},
                                                            {QStringLiteral("3"), 1070},
                                                            {QStringLiteral("4"), 1094},
                                                            {QStringLiteral("9"), 1068}};
    for (const auto& [langue, checked] : cases) {
        if (langue)
            writeRegistryValue(QStringLiteral("Langue"), *langue);
        LanguageDialog dialog(nullptr, LanguageDialog::AtStartup);
        for (int id : LanguageDialog::kChoiceIds) {
            EXPECT_EQ(dialog.findChild<QRadioButton*>(QString::number(id))->isChecked(), id == checked) << id;
        }
    }
    LanguageDialog dialog(nullptr, LanguageDialog::AtStartup);
    EXPECT_EQ(dialog.findChild<QRadioButton*>(QStringLiteral("1094"))->text(), QStringLiteral("Portugu\u00eas"));
}

TEST_F(LanguageDialogTest, ChoiceFromTheMenuTellsItAppliesAtTheNextStart)
{
    markStartedBefore(QStringLiteral("1"));
    MainDialog main(startFolder());
    main.setModalRunner([](QDialog& dialog) {
        dialog.findChild<QRadioButton*>(QStringLiteral("1067"))->setChecked(true);
        dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return dialog.result();
    });
    services_.messages.clear();
    main.command(40036)->trigger();
    EXPECT_EQ(readRegistryValue(QStringLiteral("Langue")), QStringLiteral("0"));
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, main.text(149));
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Brenlow"));
    EXPECT_EQ(services_.messages[0].icon, quandor::shell::MessageIcon::Information);
    // The captions change only at the next start.
    EXPECT_EQ(main.command(40001)->text(), QStringLiteral("Quit"));

    main.setModalRunner([](QDialog& dialog) {
        dialog.findChild<QRadioButton*>(QStringLiteral("1069"))->setChecked(true);
        dialog.findChild<QPushButton*>(QStringLiteral("2"))->click();
        return dialog.result();
    });
    main.command(40036)->trigger();
    EXPECT_EQ(readRegistryValue(QStringLiteral("Langue")), QStringLiteral("0"));
    EXPECT_EQ(services_.messages.size(), 1);
}

} // namespace
} // namespace brenlow::test
