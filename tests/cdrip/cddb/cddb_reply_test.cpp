#include "cdrip/cddb/cddb_entry.h"
#include "cdrip/cddb/cddb_reply.h"

#include <gtest/gtest.h>

using namespace brenlow;

TEST(CddbReply, StatusCodesAndMatchLists)
{
    struct Case {
        const char* name;
        QByteArray reply;
        CddbReplyKind kind;
        int matches;
    };
    const Case cases[] = {
        {"exact", "200 rock 0501ac02 Artist / Album\r\n", CddbReplyKind::ExactMatch, 1},
        {"list of three",
         "211 close matches\r\nrock 0501ac02 A / B\r\njazz 0501ac03 C / D\r\n"
         "misc 0501ac04 E / F\r\n.\r\n",
         CddbReplyKind::MatchList, 3},
        {"list without its dot", "210 exact\nrock 0501ac02 A / B\nfolk 0501ac09 C\n", CddbReplyKind::MatchList, 2},
        {"no match", "202 No match for disc ID 0501ac02.\r\n", CddbReplyKind::NoMatch, 0},
        {"server error", "403 Database entry is corrupt.\r\n", CddbReplyKind::Failure, 0},
        {"busy", "409 No handshake.\r\n", CddbReplyKind::Failure, 0},
        {"empty", "", CddbReplyKind::Failure, 0},
        {"short status", "200 rock\r\n", CddbReplyKind::Failure, 0},
        {"path in category", "200 ../../evil 0501ac02 x\r\n", CddbReplyKind::Failure, 0},
        {"unknown category", "200 Rock 0501ac02 x\r\n", CddbReplyKind::Failure, 0},
        {"bad disc id", "200 rock 0501ac02/.. x\r\n", CddbReplyKind::Failure, 0},
        {"long disc id", "200 rock 0501ac0200 x\r\n", CddbReplyKind::Failure, 0},
        {"list of hostile rows", "211 x\r\n../x 0501ac02 a\r\nrock ../../etc b\r\n.\r\n", CddbReplyKind::Failure, 0},
    };
    for (const Case& c : cases) {
        const CddbQueryReply reply = parseCddbQueryReply(c.reply);
        EXPECT_EQ(reply.kind, c.kind) << c.name;
        EXPECT_EQ(static_cast<int>(reply.matches.size()), c.matches) << c.name;
    }
    const CddbQueryReply list = parseCddbQueryReply("211 x\r\nrock 0501ac02 Artist  /  Album\r\n.\r\n");
    ASSERT_EQ(list.matches.size(), 1u);
    EXPECT_EQ(list.matches[0].number, 1);
    EXPECT_EQ(list.matches[0].category, QStringLiteral("rock"));
    EXPECT_EQ(list.matches[0].title, QStringLiteral("Artist  /  Album")) << "the title stands as sent";
}

TEST(CddbReply, HugeLinesAndManyMatchesAreHandledWhole)
{
    QByteArray reply = "211 many\r\n";
    for (int i = 0; i < 500; ++i)
        reply += "rock " + QByteArray::number(0x10000000 + i, 16) + " " + QByteArray(3000, 'x') + "\r\n";
    reply += ".\r\n";
    const CddbQueryReply parsed = parseCddbQueryReply(reply);
    ASSERT_EQ(parsed.matches.size(), 500u);
    EXPECT_EQ(parsed.matches.back().title.size(), 3000);
    EXPECT_EQ(parsed.matches.back().number, 500);
}

TEST(CddbReply, LineBoundCountsEachLineWithoutItsEnd)
{
    const QByteArray longest(kMaxCddbLineBytes, 'x');
    struct Case {
        const char* name;
        QByteArray reply;
        bool within;
    } cases[] = {
        {"empty", "", true},
        {"short lines", "211 x\r\nrock 0501ac02 a\r\n.\r\n", true},
        {"longest line, CR LF", "200 x\r\n" + longest + "\r\n.\r\n", true},
        {"longest line, LF", longest + "\n", true},
        {"longest line, no end", "200 x\n" + longest, true},
        {"one byte more, CR LF", "200 x\r\n" + longest + "y\r\n", false},
        {"one byte more, last line", "200 x\n" + longest + "y", false},
        {"a CR inside a long line is no line end", longest + "\ry\n", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cddbLinesWithinBound(c.reply), c.within) << c.name;
}

TEST(CddbReply, DiscIdsAndCategoriesAreWholeWordsWithoutALineEnd)
{
    // A line end at the end must not pass: the disc id becomes a file name.
    struct Case {
        const char* id;
        bool valid;
    } ids[] = {
        {"0501a002", true},    {"0501A0FF", true}, {"0501a002\n", false}, {"0501a002\r\n", false},
        {"\n0501a002", false}, {"0501a00", false}, {"0501a0022", false},  {"0501a00g", false},
    };
    for (const Case& c : ids)
        EXPECT_EQ(isCddbDiscId(QString::fromLatin1(c.id)), c.valid) << QByteArray(c.id).toPercentEncoding().data();
    for (const char* category : {"rock\n", "rock\r\n", " rock", "Rock"})
        EXPECT_FALSE(isCddbCategory(QString::fromLatin1(category))) << QByteArray(category).toPercentEncoding().data();
    EXPECT_TRUE(isCddbCategory(QStringLiteral("soundtrack")));
}

TEST(CddbReply, ReadStatusIsCheckedBeforeItNamesAFile)
{
    EXPECT_EQ(parseCddbReadStatus("210 rock 0501ac02 CD database entry follows\r\n").kind, CddbReplyKind::ExactMatch);
    EXPECT_EQ(parseCddbReadStatus("401 rock 0501ac02 Specified CDDB entry not found.\r\n").kind,
              CddbReplyKind::Failure);
    EXPECT_EQ(parseCddbReadStatus("210 ../x 0501ac02 y\r\n").kind, CddbReplyKind::Failure);
}

TEST(CddbEntry, ParsesTheFieldsOfAReadReply)
{
    const QByteArray reply = "210 rock 0501ac02 CD database entry follows (until terminating `.')\r\n"
                             "# xmcd\r\n"
                             "DISCID=0501ac02\r\n"
                             "DTITLE=Artist / Album / Live\r\n"
                             "DYEAR=  1994 \r\n"
                             "DGENRE=Rock\r\n"
                             "TTITLE0=Intro: Part 1/2\r\n"
                             "TTITLE1=A=B and a very long title that \r\n"
                             "TTITLE1=goes on\r\n"
                             "EXTD=\r\n"
                             ".\r\n";
    const auto entry = parseCddbEntry(reply);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->artist, QStringLiteral("Artist"));
    EXPECT_EQ(entry->album, QStringLiteral("Album"));
    EXPECT_EQ(entry->year, QStringLiteral("1994"));
    EXPECT_EQ(entry->genre, QStringLiteral("Rock"));
    EXPECT_EQ(entry->titles.at(0), QStringLiteral("Intro_ Part 1_2"));
    EXPECT_EQ(entry->titles.at(1), QStringLiteral("A=B and a very long title that goes on"));
}

TEST(CddbEntry, OddReplies)
{
    EXPECT_FALSE(parseCddbEntry("401 rock 0501ac02 not found\r\n"));
    EXPECT_FALSE(parseCddbEntry("210 rock 0501ac02 x\r\nDYEAR=1999\r\n")) << "no DTITLE";
    EXPECT_FALSE(parseCddbEntry(""));
    const auto noSlash = parseCddbEntry("210 x\nDTITLE=Just One Name\n");
    ASSERT_TRUE(noSlash);
    EXPECT_EQ(noSlash->artist, QStringLiteral("Just One Name"));
    EXPECT_EQ(noSlash->album, QStringLiteral("Just One Name"));
    const auto latin1 = parseCddbEntry("210 x\nDTITLE=Bj\xF6rk / D\xE9"
                                       "but\nTTITLE0=\xC9t\xE9\n");
    ASSERT_TRUE(latin1);
    EXPECT_EQ(latin1->artist, QStringLiteral("Bj\u00F6rk"));
    EXPECT_EQ(latin1->titles.at(0), QStringLiteral("\u00C9t\u00E9"));
}

TEST(CddbEntry, TextHelpers)
{
    EXPECT_EQ(trimSpaces(QStringLiteral("  Some   title  ")), QStringLiteral("Some title"));
    EXPECT_EQ(trimSpaces(QStringLiteral("\t\r\n")), QString());
    EXPECT_EQ(replaceTitleChars(QStringLiteral("a/b\\c:d*e?f<g>h|i.j")), QStringLiteral("a_b_c_d_e_f_g_h_i.j"));
}
