#include "cdrip/ui/language_table.h"

#include "cdrip/encode/output_path.h"
#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/message_lines.h"
#include "platform/profile/windows1252.h"
#include "shell_fixture.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace brenlow::test {
namespace {

QByteArray numberedLines(int count, const char* lineEnd)
{
    QByteArray bytes;
    for (int n = 1; n <= count; ++n)
        bytes += "line " + QByteArray::number(n) + lineEnd;
    return bytes;
}

class LanguageTableTest : public ShellTest {
protected:
    QString write(const QByteArray& bytes)
    {
        const QString path = folder_.filePath(QStringLiteral("test.lng"));
        EXPECT_TRUE(quandor::test::writeAll(path, bytes));
        return path;
    }
};

TEST_F(LanguageTableTest, LineNIsEntryNCountedFromOne)
{
    for (const char* lineEnd : {"\r\n", "\n"}) {
        LanguageTable table;
        ASSERT_TRUE(table.loadFile(write(numberedLines(10, lineEnd))));
        EXPECT_EQ(table.line(1), QStringLiteral("line 1"));
        EXPECT_EQ(table.line(10), QStringLiteral("line 10"));
        EXPECT_TRUE(table.line(11).isEmpty());
        EXPECT_TRUE(table.line(0).isEmpty());
        EXPECT_TRUE(table.line(301).isEmpty());
    }
}

TEST_F(LanguageTableTest, ShorterFileKeepsTheLaterEntries)
{
    LanguageTable table;
    ASSERT_TRUE(table.loadFile(write(numberedLines(20, "\r\n"))));
    ASSERT_TRUE(table.loadFile(write("one\r\ntwo")));
    EXPECT_EQ(table.line(1), QStringLiteral("one"));
    EXPECT_EQ(table.line(2), QStringLiteral("two"));
    EXPECT_EQ(table.line(3), QStringLiteral("line 3"));
}

TEST_F(LanguageTableTest, LinesPastTheTableAreIgnored)
{
    LanguageTable table;
    ASSERT_TRUE(table.loadFile(write(numberedLines(350, "\r\n"))));
    EXPECT_EQ(table.line(300), QStringLiteral("line 300"));
    EXPECT_TRUE(table.line(301).isEmpty());
}

TEST_F(LanguageTableTest, TextIsWindows1252AndEmptyLinesStayEmpty)
{
    LanguageTable table;
    ASSERT_TRUE(table.loadFile(write("l\x92"
                                     "extraction\r\n\r\nfran\xe7"
                                     "ais\r\n")));
    EXPECT_EQ(table.line(1), QStringLiteral("l\u2019extraction"));
    EXPECT_TRUE(table.line(2).isEmpty());
    EXPECT_EQ(table.line(3), QStringLiteral("fran\u00e7ais"));
}

TEST_F(LanguageTableTest, MissingFileLeavesTheTableUnchanged)
{
    LanguageTable table;
    table.setLine(5, QStringLiteral("kept"));
    EXPECT_FALSE(table.loadFile(folder_.filePath(QStringLiteral("missing.lng"))));
    EXPECT_EQ(table.line(5), QStringLiteral("kept"));
}

TEST_F(LanguageTableTest, LangueValueChoosesTheFile)
{
    struct Case {
        std::optional<QString> langue;
        const char* file;
    };
    const Case cases[] = {
        {QStringLiteral("0"), "Zek_Francais.lng"},
        {QStringLiteral("1"), "Zek_English.lng"},
        {QStringLiteral("2"), "Zek_German.lng"},
        {QStringLiteral("3"), "Zek_Nederlands.lng"},
        {QStringLiteral("4"), "Zek_Portugu\xc3\xaas.lng"},
        {QStringLiteral("7"), "Zek_English.lng"},
        {QStringLiteral(""), "Zek_English.lng"},
        {QStringLiteral("11"), "Zek_English.lng"},
        {std::nullopt, "Zek_English.lng"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(languageFileName(c.langue), QString::fromUtf8(c.file)) << c.file;
}

TEST_F(LanguageTableTest, StoredChoiceLoadsThatFileFromTheStartFolder)
{
    struct Case {
        std::optional<QString> langue;
        const char* firstLine; // line 1 of the file: the File menu
    };
    const Case cases[] = {{QStringLiteral("1"), "File"},
                          {QStringLiteral("7"), "File"},
                          {std::nullopt, "File"},
                          {QStringLiteral("0"), "Fichier"},
                          {QStringLiteral("4"), "Arquivo"}};
    for (const Case& c : cases) {
        if (c.langue)
            writeRegistryValue(QStringLiteral("Langue"), *c.langue);
        LanguageTable table;
        ASSERT_TRUE(loadLanguageFile(table, startFolder()));
        EXPECT_EQ(table.line(1), QString::fromLatin1(c.firstLine));
    }
    // Português: Windows-1252 text decoded ("Ação").
    LanguageTable portuguese;
    ASSERT_TRUE(loadLanguageFile(portuguese, startFolder()));
    EXPECT_EQ(portuguese.line(3), QStringLiteral("A\u00e7\u00e3o"));
}

// The shipped files: Windows-1252, CR LF, the same number of lines, and a
// text for every line a dialog or message of the program uses.
TEST(ShippedLanguageFiles, HoldEveryUsedLineInWindows1252WithCrLf)
{
    const QDir folder(shippedLanguageFolder());
    const QStringList names = {QStringLiteral("Zek_English.lng"), QStringLiteral("Zek_Francais.lng"),
                               QStringLiteral("Zek_German.lng"), QStringLiteral("Zek_Nederlands.lng"),
                               QStringLiteral("Zek_Portugu\u00eas.lng")};
    qsizetype lineCount = -1;
    for (const QString& name : names) {
        const QByteArray bytes = quandor::test::readAll(folder.filePath(name));
        ASSERT_FALSE(bytes.isEmpty()) << name.toStdString();
        EXPECT_TRUE(bytes.endsWith("\r\n")) << name.toStdString();
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << name.toStdString() << ": bare LF";
        // Windows-1252: no UTF-8 sequences, no unassigned bytes.
        for (char byte : {'\x81', '\x8d', '\x8f', '\x90', '\x9d'})
            EXPECT_FALSE(bytes.contains(byte)) << name.toStdString();
        EXPECT_FALSE(bytes.contains("\xc3\xa9")) << name.toStdString() << " looks like UTF-8";

        if (lineCount < 0)
            lineCount = bytes.count("\r\n");
        EXPECT_EQ(bytes.count("\r\n"), lineCount) << name.toStdString();

        LanguageTable table;
        ASSERT_TRUE(table.loadFile(folder.filePath(name)));
        for (int n = 1; n <= 152; ++n)
            EXPECT_FALSE(table.line(n).trimmed().isEmpty()) << name.toStdString() << " line " << n;
        // Texts that are glued to numbers keep their spaces.
        EXPECT_TRUE(table.line(44).endsWith(QLatin1Char(' '))) << name.toStdString();
        EXPECT_TRUE(table.line(46).startsWith(QLatin1Char(' '))) << name.toStdString();
        EXPECT_TRUE(table.line(47).startsWith(QLatin1Char(' '))) << name.toStdString();
        EXPECT_EQ(table.line(63), QStringLiteral("OK"));
    }
    EXPECT_GE(lineCount, 152);
}

// The lines added after the original 152: every shipped file translates each
// one (the English file holds the English the program falls back on), keeps
// its "%1" and "%2", and a file that lacks them reads in English.
TEST(ShippedLanguageFiles, TranslateEveryAddedLine)
{
    using namespace message_lines;
    const MessageLine added[] = {
        {153, "Test write: nothing was written to the disc."},
        {154, "Test write completed. The disc is still blank."},
        {155, "The drive cache could not be written (%1)."},
        {156, "Session closed."},
        {157, "The session could not be closed (%1)."},
        RefusedCddbAnswer,
        EraseRefused,
        EraseFailed,
        EraseTimedOut,
        EraseNotRewritable,
        EraseNoDisc,
        EraseCannotWrite,
        EraseStillBusy,
        FileNotCreated,
        FileNotWritten,
        FolderNotCreated,
        TagNotWritten,
        OggEncoderRefused,
        NoDriveSelected,
        ImageReadFailed,
        ImageStopping,
        SettingsNotSaved,

        FileNotReadable,
        FolderNotReadable,
        ImageDataTrack,
    };
    const QDir folder(shippedLanguageFolder());
    LanguageTable english;
    ASSERT_TRUE(english.loadFile(folder.filePath(QStringLiteral("Zek_English.lng"))));
    const LanguageTable lacking; // an older file, without the added lines
    for (const MessageLine& line : added) {
        EXPECT_EQ(english.line(line.line), QString::fromUtf8(line.english)) << line.line;
        EXPECT_EQ(line.in(lacking), QString::fromUtf8(line.english)) << line.line;
    }
    for (const QString& name : {QStringLiteral("Zek_Francais.lng"), QStringLiteral("Zek_German.lng"),
                                QStringLiteral("Zek_Nederlands.lng"), QStringLiteral("Zek_Portugu\u00eas.lng")}) {
        LanguageTable table;
        ASSERT_TRUE(table.loadFile(folder.filePath(name)));
        for (const MessageLine& line : added) {
            const QString text = table.line(line.line);
            const QString original = QString::fromUtf8(line.english);
            EXPECT_FALSE(text.trimmed().isEmpty()) << name.toStdString() << " line " << line.line;
            EXPECT_NE(text, original) << name.toStdString() << " line " << line.line;
            for (const QLatin1String marker : {QLatin1String("%1"), QLatin1String("%2")})
                EXPECT_EQ(text.contains(marker), original.contains(marker))
                    << name.toStdString() << " line " << line.line;
            EXPECT_EQ(line.in(table), text);
        }
    }
}

// The legend of dialog 116 (lines 78 to 82, "%X : meaning") against what each
// code puts into a file name.
TEST(ShippedLanguageFiles, FileNameLegendNamesWhatEachCodeGives)
{
    OutputNaming naming;
    naming.outputFolder = QStringLiteral("/out");
    naming.artist = QStringLiteral("ArtistValue");
    naming.album = QStringLiteral("AlbumValue");
    naming.year = QStringLiteral("YearValue");
    const QString title = QStringLiteral("TitleValue");
    // What each meaning is called in the shipped languages, and what it gives.
    const std::vector<std::pair<QStringList, QString>> meanings = {
        {{QStringLiteral("track number"), QStringLiteral("num\u00e9ro de piste"), QStringLiteral("titelnummer"),
          QStringLiteral("nummer"), QStringLiteral("n\u00famero da faixa")},
         QStringLiteral("07")},
        {{QStringLiteral("title"), QStringLiteral("titre"), QStringLiteral("titel"), QStringLiteral("t\u00edtulo")},
         title},
        {{QStringLiteral("artist"), QStringLiteral("artiste"), QStringLiteral("interpret"), QStringLiteral("artiest"),
          QStringLiteral("artista")},
         naming.artist},
        {{QStringLiteral("album"), QStringLiteral("\u00e1lbum")}, naming.album},
        {{QStringLiteral("year"), QStringLiteral("ann\u00e9e"), QStringLiteral("jahr"), QStringLiteral("jaar"),
          QStringLiteral("ano")},
         naming.year},
    };
    static const QRegularExpression legendLine(QStringLiteral("^%([A-Z]) : (.+)$"));
    const QDir folder(shippedLanguageFolder());
    const QStringList names = folder.entryList({QStringLiteral("Zek_*.lng")}, QDir::Files);
    ASSERT_EQ(names.size(), 5);
    for (const QString& name : names) {
        LanguageTable table;
        ASSERT_TRUE(table.loadFile(folder.filePath(name)));
        QString codes;
        for (int line = 78; line <= 82; ++line) {
            const QRegularExpressionMatch legend = legendLine.match(table.line(line));
            ASSERT_TRUE(legend.hasMatch()) << name.toStdString() << " line " << line;
            const QString code = legend.captured(1);
            codes += code;
            const auto meaning = std::find_if(meanings.begin(), meanings.end(), [&](const auto& m) {
                return m.first.contains(legend.captured(2).toLower());
            });
            ASSERT_NE(meaning, meanings.end()) << name.toStdString() << " line " << line;
            naming.pattern = QLatin1Char('%') + code;
            const OutputPath out = BuildOutputPath(naming, 7, title, QStringLiteral("wav"), false);
            EXPECT_EQ(QFileInfo(out.path).completeBaseName(), meaning->second)
                << name.toStdString() << ": " << table.line(line).toStdString();
        }
        EXPECT_EQ(codes, QStringLiteral("NTACY")) << name.toStdString();
    }
}

} // namespace
} // namespace brenlow::test
