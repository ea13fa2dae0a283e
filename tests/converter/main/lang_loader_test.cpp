#include "converter/common/lang_loader.h"

#include "tests/converter/main/window_fixture.h"
#include "tests/support/recording_services.h"

#include <QDir>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::ProgramFolder;

TEST(LanguageText, LinesEndAtCarriageReturnsOnly)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"crlf", "File\r\nAdd\r\n", {"File", "Add"}},
        {"bare cr", "File\rAdd\r", {"File", "Add"}},
        {"last line without end", "File\r\nAdd", {"File", "Add"}},
        {"empty lines are captions", "\r\n\r\nThird\r\n", {"", "", "Third"}},
        {"bare lf stays inside one line", "File\nAdd\n", {"File\nAdd\n"}},
        {"cr then lone lf", "A\r\n\nB\r\n", {"A", "\nB"}},
        {"empty file", "", {}},
        {"byte 0x80 is the euro sign",
         "\x80 10\r\n\xe9t\xe9\r\n",
         {QStringLiteral("\u20ac 10"), QStringLiteral("\u00e9t\u00e9")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lang_Loader::SplitLanguageText(c.bytes), c.lines) << c.name;
}

TEST(LanguageText, KeepsAtMost32767Lines)
{
    const QByteArray bytes = QByteArray("x\r\n").repeated(32770);
    EXPECT_EQ(Lang_Loader::SplitLanguageText(bytes).size(), 32767);
}

TEST(LanguageFiles, ListsOnlyLngFilesInNameOrder)
{
    ProgramFolder folder;
    folder.addLanguage(QStringLiteral("c.txt"), "x\r\n");
    folder.addLanguage(QStringLiteral("b.LNG"), "x\r\n");
    folder.addLanguage(QStringLiteral("beta.lng"), "x\r\n");
    folder.addLanguage(QStringLiteral("Alpha.lng"), "x\r\n");
    folder.addLanguage(QStringLiteral("a.lng"), "x\r\n");
    QDir(folder.langFolder()).mkdir(QStringLiteral("folder.lng"));

    EXPECT_EQ(Lang_Loader::LanguageFileNames(folder.langFolder()), (QStringList{"a.lng", "Alpha.lng", "beta.lng"}));
    EXPECT_EQ(Lang_Loader::DisplayName(QStringLiteral("Alpha.lng")), QStringLiteral("Alpha"));
    EXPECT_TRUE(Lang_Loader::LanguageFileNames(folder.file(QStringLiteral("missing"))).isEmpty());
}

TEST(LanguageFiles, LoadingFillsTheTableWithOneEmptyElementMore)
{
    ProgramFolder folder;
    folder.addLanguage(QStringLiteral("x.lng"), "Zero\r\nOne\r\n");
    quandor::test::RecordingServices services;
    ASSERT_TRUE(Lang_Loader::LoadLanguageFile(QDir(folder.langFolder()).filePath("x.lng")));
    EXPECT_EQ(Lang_Loader::LanguageLineCount(), 2);
    EXPECT_EQ(Lang_Loader::Caption(0, QStringLiteral("built-in")), QStringLiteral("Zero"));
    EXPECT_EQ(Lang_Loader::Caption(1, QStringLiteral("built-in")), QStringLiteral("One"));
    // Lines the file lacks keep the built-in text.
    EXPECT_EQ(Lang_Loader::Caption(2, QStringLiteral("built-in")), QStringLiteral("built-in"));
    EXPECT_EQ(Lang_Loader::Caption(-1, QStringLiteral("built-in")), QStringLiteral("built-in"));
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST(LanguageFiles, MissingFileIsReportedAndKeepsTheTableInUse)
{
    ProgramFolder folder;
    folder.addLanguage(QStringLiteral("x.lng"), "Kept\r\n");
    quandor::test::RecordingServices services;
    ASSERT_TRUE(Lang_Loader::LoadLanguageFile(QDir(folder.langFolder()).filePath("x.lng")));

    EXPECT_FALSE(Lang_Loader::LoadLanguageFile(folder.file(QStringLiteral("Lang/gone.lng"))));
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(services.messages[0].text, QStringLiteral("Can't find the Language file"));
    EXPECT_EQ(services.messages[0].title, QStringLiteral("Tavrel"));
    EXPECT_EQ(services.messages[0].icon, quandor::shell::MessageIcon::Critical);
    EXPECT_EQ(Lang_Loader::LanguageLineCount(), 1);
    EXPECT_EQ(Lang_Loader::Caption(0, QStringLiteral("built-in")), QStringLiteral("Kept"));
}

TEST(ConfigFile, ReadsAtMost254CharactersAndNeverCreatesTheFile)
{
    ProgramFolder folder;
    EXPECT_TRUE(Lang_Loader::ReadIni(folder.configFile(), "Tavrel", "Format").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder.configFile()));

    const QString longValue(300, u'v');
    EXPECT_TRUE(Lang_Loader::WriteIni(folder.configFile(), "Tavrel", "OutputPath", longValue));
    EXPECT_EQ(Lang_Loader::ReadIni(folder.configFile(), "Tavrel", "OutputPath"), longValue.left(254));
}

} // namespace
} // namespace tavrel
