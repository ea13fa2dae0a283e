#include "cdrip/ui/ripper_settings.h"

#include "cdrip/encode/encoder_settings.h"

#include "platform/profile/profile_file.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace brenlow {
namespace {

using quandor::profile::readString;
using quandor::profile::writeString;

class RipperIniTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    RipperIni ini{folder.path()};

    QString stored(const RipperKey& key) const
    {
        return readString(ini.file(), QString::fromLatin1(key.section), QString::fromLatin1(key.key),
                          QStringLiteral("<absent>"));
    }
    QString storedEncoderKey(const char* section, const char* key) const
    {
        return stored(RipperKey{section, key, nullptr});
    }
};

TEST_F(RipperIniTest, AbsentKeyGetsItsDefaultWrittenBack)
{
    EXPECT_EQ(ini.file(), QDir(folder.path()).filePath(QStringLiteral("Ripper.ini")));
    EXPECT_EQ(stored(ripper_keys::FileNamePattern), QStringLiteral("<absent>"));
    EXPECT_EQ(ini.text(ripper_keys::FileNamePattern), QStringLiteral("%N - %T"));
    EXPECT_EQ(stored(ripper_keys::FileNamePattern), QStringLiteral("%N - %T"));

    // The output folder's default follows the start folder.
    const QString music = QDir(folder.path()).filePath(QStringLiteral("My Music"));
    EXPECT_EQ(ini.text(ripper_keys::OutputFolder), music);
    EXPECT_EQ(stored(ripper_keys::OutputFolder), music);
}

TEST_F(RipperIniTest, AnEmptyOutputFolderCountsAsAbsent)
{
    // "Chemin=" names no folder: the rip would have nowhere to go.
    ASSERT_TRUE(writeString(ini.file(), QStringLiteral("SAUVEGARDE"), QStringLiteral("Chemin"), QString()));
    const QString music = QDir(folder.path()).filePath(QStringLiteral("My Music"));
    EXPECT_EQ(ini.text(ripper_keys::OutputFolder), music);
    EXPECT_EQ(stored(ripper_keys::OutputFolder), music);
    // Other keys keep an empty value as it stands.
    ASSERT_TRUE(writeString(ini.file(), QStringLiteral("CDDB"), QStringLiteral("user"), QString()));
    EXPECT_EQ(ini.text(ripper_keys::CddbUser), QString());
}

TEST_F(RipperIniTest, PresentValueIsUsedAndNotRewritten)
{
    ASSERT_TRUE(writeString(ini.file(), QStringLiteral("Output"), QStringLiteral("Nom"), QStringLiteral("%A - %T")));
    const QByteArray before = quandor::test::readAll(ini.file());
    EXPECT_EQ(ini.text(ripper_keys::FileNamePattern), QStringLiteral("%A - %T"));
    EXPECT_EQ(quandor::test::readAll(ini.file()), before);
}

TEST_F(RipperIniTest, TheSentinelTextItselfCountsAsAbsent)
{
    ASSERT_TRUE(
        writeString(ini.file(), QStringLiteral("CDDB"), QStringLiteral("Query"), QString::fromLatin1(kAbsentValue)));
    EXPECT_EQ(ini.text(ripper_keys::CddbQuery), QStringLiteral("~cddb/cddb.cgi"));
    EXPECT_EQ(stored(ripper_keys::CddbQuery), QStringLiteral("~cddb/cddb.cgi"));
}

TEST_F(RipperIniTest, OutputSwitchesAreTrueOnlyForLowerCaseTrue)
{
    struct Case {
        const char* stored;
        bool expected;
    };
    const Case cases[] = {{"true", true}, {"TRUE", false},  {"True", false},
                          {"", false},    {"false", false}, {"1", false}};
    for (const Case& c : cases) {
        ASSERT_TRUE(
            writeString(ini.file(), QStringLiteral("Output"), QStringLiteral("Rep"), QString::fromLatin1(c.stored)));
        EXPECT_EQ(ini.outputFlag(ripper_keys::SaveInArtistAlbum), c.expected) << c.stored;
    }
}

TEST_F(RipperIniTest, EncoderSwitchesAreOffOnlyForALeadingZero)
{
    struct Case {
        const char* stored;
        bool expected;
        const char* afterwards; // what the file holds after the read
    };
    // An empty value has no first character: it reads as absent (default "0").
    const Case cases[] = {{"0", false, "0"}, {"00", false, "00"}, {"1", true, "1"},
                          {"x", true, "x"},  {"", false, "0"},    {"01", false, "01"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(
            writeString(ini.file(), QStringLiteral("MP3"), QStringLiteral("CRC"), QString::fromLatin1(c.stored)));
        EXPECT_EQ(LoadMp3Settings(ini.file()).mp3.crc, c.expected) << '"' << c.stored << '"';
        EXPECT_EQ(storedEncoderKey("MP3", "CRC"), QString::fromLatin1(c.afterwards)) << c.stored;
    }
    // Absent: the default is written back ("1" for the Ogg quality mode).
    EXPECT_TRUE(LoadMp3Settings(ini.file()).ogg.quality);
    EXPECT_EQ(storedEncoderKey("Ogg", "QUALITY"), QStringLiteral("1"));
}

TEST_F(RipperIniTest, EncoderSettingsReadEmptySwitchesAsAbsent)
{
    for (const char* key : {"CRC", "VBR", "PRIVATE"})
        ASSERT_TRUE(writeString(ini.file(), QStringLiteral("MP3"), QString::fromLatin1(key), QString()));
    ASSERT_TRUE(writeString(ini.file(), QStringLiteral("Ogg"), QStringLiteral("QUALITY"), QString()));
    const EncoderSettings settings = LoadMp3Settings(ini.file());
    EXPECT_FALSE(settings.mp3.crc);
    EXPECT_FALSE(settings.mp3.vbr);
    EXPECT_FALSE(settings.mp3.privateBit);
    EXPECT_TRUE(settings.ogg.quality);
    EXPECT_EQ(storedEncoderKey("MP3", "CRC"), QStringLiteral("0"));
    EXPECT_EQ(storedEncoderKey("Ogg", "QUALITY"), QStringLiteral("1"));
}

TEST_F(RipperIniTest, FlagWritersUseEachSectionsConvention)
{
    ASSERT_TRUE(ini.writeOutputFlag(ripper_keys::CddbAuto, true));
    EXPECT_EQ(stored(ripper_keys::CddbAuto), QStringLiteral("true"));
    ASSERT_TRUE(ini.writeOutputFlag(ripper_keys::CddbAuto, false));
    EXPECT_EQ(stored(ripper_keys::CddbAuto), QStringLiteral("false"));
}

TEST_F(RipperIniTest, GroupReadersFillTheTypedSettings)
{
    ASSERT_TRUE(writeString(ini.file(), QStringLiteral("CDDB"), QStringLiteral("Auto"), QStringLiteral("true")));
    const CddbSettings cddb = readCddbSettings(ini);
    EXPECT_TRUE(cddb.autoLookup);
    EXPECT_EQ(cddb.queryPath, QStringLiteral("~cddb/cddb.cgi"));
    EXPECT_EQ(cddb.clientName, QStringLiteral("Brenlow"));
    EXPECT_EQ(cddb.clientVersion, QStringLiteral("1.4"));
    EXPECT_EQ(stored(ripper_keys::CddbServer), cddb.server);
}

TEST(RipperSettings, CompressionIsMp3ByItsFirstThreeCharacters)
{
    RipperSettings settings;
    const std::pair<const char*, bool> cases[] = {{"MP3", true},  {"MP3x", true}, {"OGG", false},
                                                  {"mp3", false}, {"", false},    {"MP", false}};
    for (const auto& [text, mp3] : cases) {
        settings.compression = QString::fromLatin1(text);
        EXPECT_EQ(settings.compressionIsMp3(), mp3) << text;
    }
}

} // namespace
} // namespace brenlow
