#include "platform/profile/profile_file.h"

#include "tests/support/tools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using quandor::profile::readString;
using quandor::profile::writeString;
using quandor::test::readAll;
using quandor::test::writeAll;

namespace {

// A file as an old Windows program would leave it: CR LF, comments, odd
// spacing, quotes, a repeated section and a repeated key, a last line
// without its line end.
const QByteArray kWindowsStyle = "; settings\r\n"
                                 "[LANGUE]\r\n"
                                 "VALUE=2\r\n"
                                 "\r\n"
                                 "[ Tavrel ]\r\n"
                                 "  OutputPath  =  C:\\Music Out  \r\n"
                                 "Format=\"APE (MonKey's audio)\"\r\n"
                                 "format=Wav\r\n"
                                 ";Modepath=TRUE\r\n"
                                 "Quoted='single'\r\n"
                                 "Half=\"open\r\n"
                                 "Empty=\r\n"
                                 "Eq=a=b\r\n"
                                 "\r\n"
                                 "[tavrel]\r\n"
                                 "Modepath=FALSE\r\n"
                                 "[Euro]\r\n"
                                 "Sign=\x80 5\r\n"
                                 "[Last]\r\n"
                                 "Key=end";

class ProfileFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("Config.ini"));
    void SetUp() override { ASSERT_TRUE(writeAll(file, kWindowsStyle)); }
};

struct ReadCase {
    const char* section;
    const char* key;
    const char* expected;
};

TEST_F(ProfileFile, ReadsWithWindowsSemantics)
{
    const ReadCase cases[] = {
        {"LANGUE", "VALUE", "2"},
        {"langue", "value", "2"},                     // names ignore case
        {"Tavrel", "OutputPath", "C:\\Music Out"},    // spaces trimmed
        {"TAVREL", "Format", "APE (MonKey's audio)"}, // quotes stripped, first key wins
        {"Tavrel", "Modepath", "<none>"},             // commented out; the second section is not read
        {"Tavrel", "Quoted", "single"},
        {"Tavrel", "Half", "\"open"}, // an unmatched quote stays
        {"Tavrel", "Empty", ""},
        {"Tavrel", "Eq", "a=b"},
        {"Euro", "Sign", "\u20AC 5"}, // Windows-1252
        {"Last", "Key", "end"},       // no final line end
        {"Missing", "Key", "<none>"},
        {"LANGUE", "Missing", "<none>"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(readString(file, QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("<none>")),
                  QString::fromUtf8(c.expected))
            << c.section << "/" << c.key;
    }
}

TEST_F(ProfileFile, WritesKeepEveryOtherLineByteForByte)
{
    struct WriteCase {
        const char* section;
        const char* key;
        const char* value;
        QByteArray expected; // the file afterwards
    };
    QByteArray replaced = kWindowsStyle;
    replaced.replace("  OutputPath  =  C:\\Music Out  \r\n", "OutputPath=/home/a\r\n");
    QByteArray appendedKey = kWindowsStyle;
    appendedKey.replace("Key=end", "Key=end\r\nNew=1\r\n");
    QByteArray inSection = kWindowsStyle;
    inSection.replace("VALUE=2\r\n", "VALUE=2\r\nLAUNCH=True\r\n");
    QByteArray newSection = kWindowsStyle + "\r\n[WMA]\r\nNum=9\r\n";

    const WriteCase cases[] = {
        {"tavrel", "outputpath", "/home/a", replaced},
        {"Last", "New", "1", appendedKey},
        {"LANGUE", "LAUNCH", "True", inSection},
        {"WMA", "Num", "9", newSection},
    };
    for (const WriteCase& c : cases) {
        ASSERT_TRUE(writeAll(file, kWindowsStyle));
        EXPECT_TRUE(
            writeString(file, QString::fromUtf8(c.section), QString::fromUtf8(c.key), QString::fromUtf8(c.value)));
        EXPECT_EQ(readAll(file), c.expected) << c.section << "/" << c.key;
        EXPECT_EQ(readString(file, QString::fromUtf8(c.section), QString::fromUtf8(c.key)), QString::fromUtf8(c.value));
    }
}

TEST(ProfileFileEnding, ANewLineFollowsWhateverLineEndTheFileStopsWith)
{
    struct EndingCase {
        const char* name;
        QByteArray before;
        const char* section;
        QByteArray after;
    };
    const EndingCase cases[] = {
        {"lone CR, same section", "[Tavrel]\r\nFormat=Mp3\r", "Tavrel", "[Tavrel]\r\nFormat=Mp3\r\nModepath=TRUE\r\n"},
        {"lone CR, new section", "[Tavrel]\r\nFormat=Mp3\r", "New",
         "[Tavrel]\r\nFormat=Mp3\r\n[New]\r\nModepath=TRUE\r\n"},
        {"no line end", "[Tavrel]\r\nFormat=Mp3", "Tavrel", "[Tavrel]\r\nFormat=Mp3\r\nModepath=TRUE\r\n"},
        {"LF only", "[Tavrel]\nFormat=Mp3\n", "Tavrel", "[Tavrel]\nFormat=Mp3\nModepath=TRUE\r\n"},
    };
    for (const EndingCase& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Config.ini"));
        ASSERT_TRUE(writeAll(file, c.before));
        const QString section = QString::fromUtf8(c.section);
        EXPECT_TRUE(writeString(file, section, QStringLiteral("Modepath"), QStringLiteral("TRUE")));
        EXPECT_EQ(readAll(file), c.after) << c.name;
        EXPECT_EQ(readString(file, QStringLiteral("Tavrel"), QStringLiteral("Format")), QStringLiteral("Mp3"))
            << c.name;
        EXPECT_EQ(readString(file, section, QStringLiteral("Modepath")), QStringLiteral("TRUE")) << c.name;
    }
}

TEST_F(ProfileFile, RefusesValuesThatWouldBreakTheFile)
{
    for (const QString& value : {QStringLiteral("a\r\nb=c"), QStringLiteral("x\ny")})
        EXPECT_FALSE(writeString(file, QStringLiteral("Tavrel"), QStringLiteral("Format"), value));
    EXPECT_FALSE(writeString(file, QStringLiteral("A]B"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_FALSE(writeString(file, QStringLiteral("S"), QStringLiteral("k=v"), QStringLiteral("v")));
    EXPECT_FALSE(writeString(file, QStringLiteral(" "), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(readAll(file), kWindowsStyle);
}

TEST(ProfileFileCreation, ReadingNeverCreatesAndTheFirstWriteDoes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Ripper.ini"));
    EXPECT_EQ(readString(file, QStringLiteral("Output"), QStringLiteral("Rep"), QStringLiteral("023Error")),
              QStringLiteral("023Error"));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(writeString(file, QStringLiteral("Output"), QStringLiteral("Rep"), QStringLiteral("true")));
    EXPECT_EQ(readAll(file), QByteArray("[Output]\r\nRep=true\r\n"));
    EXPECT_FALSE(writeString(dir.filePath(QStringLiteral("no/such/folder.ini")), QStringLiteral("a"),
                             QStringLiteral("b"), QStringLiteral("c")));
}

TEST(ProfileFileText, KeysWithSpacesAndTextOutsideTheCodePageRoundTrip)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("CDDB.ini"));
    const QString query = QStringLiteral("cddb query 0501ac02 2 150 15795 430 ");
    const QString path = QStringLiteral("/music/\u00C9t\u00E9/\u65E5\u672C"); // only UTF-8 holds it
    const QString latin = QStringLiteral("Caf\u00E9 \u2019 \u20AC");          // fits Windows-1252
    ASSERT_TRUE(writeString(file, QStringLiteral("CDDBID"), query, QStringLiteral("rock/0501ac02.txt")));
    ASSERT_TRUE(writeString(file, QStringLiteral("Paths"), QStringLiteral("Out"), path));
    ASSERT_TRUE(writeString(file, QStringLiteral("Paths"), QStringLiteral("Name"), latin));
    EXPECT_EQ(readString(file, QStringLiteral("CDDBID"), query), QStringLiteral("rock/0501ac02.txt"));
    EXPECT_EQ(readString(file, QStringLiteral("Paths"), QStringLiteral("Out")), path);
    EXPECT_EQ(readString(file, QStringLiteral("Paths"), QStringLiteral("Name")), latin);
    EXPECT_TRUE(readAll(file).contains("Name=Caf\xE9 \x92 \x80"));
}

// Text whose Windows-1252 bytes would also be valid UTF-8 is the trap: read as
// UTF-8 it comes back as other text, and as a key it is never found again.
TEST(ProfileFileText, EveryValueAndKeyReadsBackAsWritten)
{
    const QString texts[] = {
        QStringLiteral("Plain ASCII 123"),
        QStringLiteral("Caf\u00E9 \u2019 \u20AC"),       // Windows-1252 only
        QStringLiteral("CAF\u00C9\u2013BAR"),            // its 1252 bytes C9 96 are UTF-8
        QStringLiteral("\u00C3\u00A9dir"),               // its 1252 bytes spell "\u00E9dir" in UTF-8
        QStringLiteral("\u00C2\u00A3 5"),                // its 1252 bytes spell "\u00A3 5"
        QStringLiteral("Anton\u00EDn Dvo\u0159\u00E1k"), // Latin beyond the code page
        QStringLiteral("\u65E5\u672C\u8A9E \u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC"),
    };
    for (const char* name : {"Config.ini", "Ripper.ini", "CDDB.ini"}) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QString::fromUtf8(name));
        for (const QString& text : texts) {
            ASSERT_TRUE(writeString(file, QStringLiteral("Values"), QStringLiteral("Key"), text));
            EXPECT_EQ(readString(file, QStringLiteral("Values"), QStringLiteral("Key")), text) << name;

            // Written twice as a key: found again, so its line is replaced, not repeated.
            ASSERT_TRUE(writeString(file, QStringLiteral("Keys"), text, QStringLiteral("first")));
            ASSERT_TRUE(writeString(file, QStringLiteral("Keys"), text, QStringLiteral("second")));
            EXPECT_EQ(readString(file, QStringLiteral("Keys"), text), QStringLiteral("second")) << name;
        }
        const QByteArray bytes = readAll(file);
        EXPECT_EQ(bytes.count("=second"), qsizetype(std::size(texts))) << "one line per key";
        EXPECT_EQ(bytes.count("=first"), 0);
    }
}

TEST(ProfileFileText, LongValuesAreKeptWhole)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.ini"));
    const QString longValue(5000, QLatin1Char('v'));
    ASSERT_TRUE(writeString(file, QStringLiteral("S"), QStringLiteral("K"), longValue));
    EXPECT_EQ(readString(file, QStringLiteral("S"), QStringLiteral("K")), longValue);
}

} // namespace
