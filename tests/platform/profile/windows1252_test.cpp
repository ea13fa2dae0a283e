#include "platform/profile/windows1252.h"

#include <gtest/gtest.h>

using namespace quandor::profile;

TEST(Windows1252, HighControlRangeUsesTheCodePageTable)
{
    EXPECT_EQ(fromWindows1252("\x80"), QStringLiteral("\u20AC"));
    EXPECT_EQ(fromWindows1252("\x92\x93\x94\x96\x99\x9F"), QStringLiteral("\u2019\u201C\u201D\u2013\u2122\u0178"));
    EXPECT_EQ(fromWindows1252("\xE9\xFF"), QStringLiteral("\u00E9\u00FF"));
    EXPECT_EQ(toWindows1252(QStringLiteral("\u20AC\u2019\u00E9")), QByteArray("\x80\x92\xE9"));
    EXPECT_EQ(toWindows1252(QStringLiteral("\u65E5")), QByteArray("?"));
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        EXPECT_EQ(toWindows1252(fromWindows1252(one)), one) << b;
    }
}

TEST(Windows1252, StoredTextPrefersValidUtf8)
{
    EXPECT_EQ(fromStoredText("Caf\xC3\xA9"), QStringLiteral("Caf\u00E9")); // UTF-8
    EXPECT_EQ(fromStoredText("Caf\xE9"), QStringLiteral("Caf\u00E9"));     // Windows-1252
    EXPECT_EQ(toStoredText(QStringLiteral("Caf\u00E9")), QByteArray("Caf\xE9"));
    EXPECT_EQ(toStoredText(QStringLiteral("\u65E5")), QByteArray("\xE6\x97\xA5"));
}

TEST(Windows1252, StoredTextReadsBackUnchanged)
{
    // Windows-1252 whenever its bytes cannot be mistaken for UTF-8.
    EXPECT_EQ(toStoredText(QStringLiteral("\u00C9t\u00E9 \u20AC")), QByteArray("\xC9t\xE9 \x80"));
    EXPECT_EQ(toStoredText(QStringLiteral("\u00C3\u00A9dir")),
              QByteArray("\xC3\x83\xC2\xA9"
                         "dir"));
    for (const QString& text : {QStringLiteral("CAF\u00C9\u2013BAR"), QStringLiteral("\u00C3\u00A9dir"),
                                QStringLiteral("\u00C2\u00A3 5"), QStringLiteral("\u00E2\u201A\u00AC")})
        EXPECT_EQ(fromStoredText(toStoredText(text)), text);
}
