#include "converter/main/config_values.h"
#include "converter/main/file_list_text.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

TEST(FileListText, EntryNumbersHaveAtLeastThreeDigits)
{
    EXPECT_EQ(entryNumberText(1), QStringLiteral("001."));
    EXPECT_EQ(entryNumberText(12), QStringLiteral("012."));
    EXPECT_EQ(entryNumberText(1234), QStringLiteral("1234."));
}

TEST(FileListText, DurationsRoundHalvesToEven)
{
    struct Case {
        const char* name;
        QString text;
        const char* expected;
    };
    const Case cases[] = {
        {"aac 59.7 s", durationTextFromSeconds(59.7), "01:00:00"},
        {"aac 61.4 s", durationTextFromSeconds(61.4), "01:01:00"},
        {"aac 59.5 s rounds to 60", durationTextFromSeconds(59.5), "01:00:00"},
        {"aac 60.5 s rounds to 60", durationTextFromSeconds(60.5), "01:00:00"},
        {"aac 61.5 s rounds to 62", durationTextFromSeconds(61.5), "01:02:00"},
        {"reader 61 400 ms", durationTextFromMilliseconds(61400), "01:01:00"},
        {"reader 59 700 ms", durationTextFromMilliseconds(59700), "01:00:00"},
        {"reader 2 500 ms", durationTextFromMilliseconds(2500), "00:02:00"},
        {"reader 3 500 ms", durationTextFromMilliseconds(3500), "00:04:00"},
        {"ape 3 s", durationTextFromWholeSeconds(3), "00:03:00"},
        {"long", durationTextFromWholeSeconds(124 * 60 + 5), "124:05:00"},
        {"three minutes seven", durationTextFromWholeSeconds(187), "03:07:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, QLatin1String(c.expected)) << c.name;
}

TEST(FileListText, KindsAndDropFilter)
{
    EXPECT_EQ(kindOf(QStringLiteral("/m/Song.MP3")), QStringLiteral("mp3"));
    EXPECT_EQ(fileNamePart(QStringLiteral("/m/a b.ogg")), QStringLiteral("a b.ogg"));
    EXPECT_EQ(fileNamePart(QStringLiteral("noslash.ogg")), QString());
    for (const char* accepted : {"a.wav", "a.WMA", "a.mp3", "a.Ogg", "a.aac", "a.ape", "a.apl", "a.m4a"})
        EXPECT_TRUE(isAcceptedDrop(QLatin1String(accepted))) << accepted;
    for (const char* refused : {"a.txt", "a.flac", "/music/folder", "wav"})
        EXPECT_EQ(isAcceptedDrop(QLatin1String(refused)), QLatin1String(refused) == QLatin1String("wav")) << refused;
}

TEST(FileListText, RefusedFileMessages)
{
    EXPECT_EQ(cannotAddMessage(QStringLiteral("/m/a.mp3")), QStringLiteral("Can't add : \r\n/m/a.mp3"));
    EXPECT_EQ(cannotAddMessage(QStringLiteral("/m/a.WMA")),
              QStringLiteral("Can't add : \r\n/m/a.WMA\r\n\r\nYou wma file is it DRM protected ?"));
    EXPECT_EQ(cannotAddMessage(QStringLiteral("/m/a.aac")),
              QStringLiteral("Can't add : \r\n/m/a.aac\r\n\r\nThe file is not in a known AAC format for "
                             "Tavrel. Maybe Invalid Channel number or protected file."));
}

TEST(ConfigValues, UnusableValuesFallBackToTheDefaults)
{
    struct Case {
        const char* stored;
        quint32 color;
        int language;
        int wma;
    };
    const Case cases[] = {
        {"16576", 16576, 16576, 9}, {"255", 255, 255, 9},   {"12", 12, 12, 12},        {"51", 51, 51, 51},
        {"52", 52, 52, 9},          {"0", 0, 0, 9},         {"-1", 16576, 0, 9},       {"abc", 16576, 0, 9},
        {"x", 16576, 0, 9},         {"40000", 40000, 0, 9}, {"16777216", 16576, 0, 9}, {"3.5", 16576, 0, 9},
        {"", 16576, 0, 9},
    };
    for (const Case& c : cases) {
        const QString stored = QLatin1String(c.stored);
        EXPECT_EQ(config::trackColor(stored), c.color) << c.stored;
        EXPECT_EQ(config::languageNumber(stored), c.language) << c.stored;
        EXPECT_EQ(config::wmaProfile(stored), c.wma) << c.stored;
    }
    EXPECT_EQ(config::storedColor(192, 64, 0), 16576u);
    EXPECT_EQ(config::redOf(16576), 192);
    EXPECT_EQ(config::greenOf(16576), 64);
    EXPECT_EQ(config::blueOf(16576), 0);
}

} // namespace
} // namespace tavrel
