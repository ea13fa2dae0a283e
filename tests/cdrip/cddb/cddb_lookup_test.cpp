// The lookup's network steps against a CDDB server on 127.0.0.1: the requests
// sent, what each reply leads to, hostile replies and cancel.
#include "cdrip/cddb/cddb_lookup.h"

#include "tests/support/canned_http_server.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace brenlow;
using quandor::test::CannedHttpServer;
using quandor::test::CannedReply;

namespace {

const QString kExampleQuery = QStringLiteral("cddb query 0501ac02 2 150 15795 430 ");
const QByteArray kReadReply = "210 rock 0501ac02 CD database entry follows (until terminating `.')\r\n"
                              "# xmcd\r\nDISCID=0501ac02\r\nDTITLE=Artist / Album\r\nDYEAR=1999\r\n"
                              "DGENRE=Rock\r\nTTITLE0=One\r\nTTITLE1=Two\r\n.\r\n";

struct LookupFixture {
    explicit LookupFixture(CannedHttpServer::Handler handler) : server(std::move(handler))
    {
        setup.server = {server.baseUrl(), QStringLiteral("~cddb/cddb.cgi"), QStringLiteral("brenlow"),
                        QStringLiteral("quandor.example.org")};
        setup.requestFile = folder.filePath(QStringLiteral("request.txt"));
        setup.limits.connectTimeoutSeconds = 5;
        setup.limits.totalTimeoutSeconds = 10;
    }
    CddbStep query()
    {
        std::atomic<bool> cancel{false};
        return runCddbQuery(setup, kExampleQuery, cancel);
    }

    CannedHttpServer server;
    QTemporaryDir folder;
    CddbLookupSetup setup;
};

/// Answers queries with `queryReply` and reads with `readReply`.
CannedHttpServer::Handler answers(CannedReply queryReply, CannedReply readReply = {200, kReadReply})
{
    return [queryReply, readReply](const QString& target) {
        return target.contains(QStringLiteral("cmd=cddb+read")) ? readReply : queryReply;
    };
}

} // namespace

TEST(CddbLookup, ExampleDiscSendsQueryThenReadOfTheSingleMatch)
{
    LookupFixture f(answers({200, "200 rock 0501ac02 Artist / Album\r\n"}));
    const CddbStep step = f.query();

    const QString hello = QStringLiteral("&hello=brenlow+quandor.example.org+Brenlow+1.4&proto=5");
    EXPECT_EQ(f.server.requests(),
              (QStringList{QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+query+0501ac02+2+150+15795+430+") + hello,
                           QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+read+rock+0501ac02+") + hello}));
    ASSERT_EQ(step.kind, CddbStepKind::Entry);
    EXPECT_EQ(step.reply, kReadReply);
    EXPECT_EQ(step.category, QStringLiteral("rock"));
    EXPECT_EQ(step.discId, QStringLiteral("0501ac02"));
}

TEST(CddbLookup, ServerWithoutFinalSlashStillGetsTheScriptPath)
{
    LookupFixture f(answers({202, "202 No match found\r\n"}));
    f.setup.server.server.chop(1); // "http://127.0.0.1:<port>"
    EXPECT_EQ(f.query().kind, CddbStepKind::NoMatch);
    ASSERT_EQ(f.server.requests().size(), 1);
    EXPECT_TRUE(f.server.requests().front().startsWith(QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+query+")));
}

TEST(CddbLookup, RepliesAndWhatTheyLeadTo)
{
    const QByteArray longLine = "210 rock 0501ac02 " + QByteArray(3000, 'x') + "\r\n";
    struct Case {
        const char* name;
        CannedReply query;
        CannedReply read;
        CddbStepKind kind;
        size_t matches;
        int requests;
    } cases[] = {
        {"three matches",
         {200,
          "211 close matches found\r\nrock 0501ac02 A / B\r\njazz 0501ac03 C / D\r\n"
          "misc 0501ac04 E / F\r\n.\r\n"},
         {},
         CddbStepKind::Choose,
         3,
         1},
        {"exact list", {200, "210 exact matches\r\nrock 0501ac02 A / B\r\n.\r\n"}, {}, CddbStepKind::Choose, 1, 1},
        {"list without its closing dot",
         {200, "211 close\r\nrock 0501ac02 A\r\nfolk 0501ac05 B"},
         {},
         CddbStepKind::Choose,
         2,
         1},
        {"no match", {200, "202 No match found\r\n"}, {}, CddbStepKind::NoMatch, 0, 1},
        {"403", {200, "403 Database entry is corrupt\r\n"}, {}, CddbStepKind::Failed, 0, 1},
        {"409", {200, "409 No handshake\r\n"}, {}, CddbStepKind::Failed, 0, 1},
        {"500 reply", {200, "500 Command syntax error\r\n"}, {}, CddbStepKind::Failed, 0, 1},
        {"HTTP 500", {500, "200 rock 0501ac02 x\r\n"}, {}, CddbStepKind::Failed, 0, 1},
        {"empty reply", {200, ""}, {}, CddbStepKind::Failed, 0, 1},
        {"status line of two fields", {200, "200 rock\r\n"}, {}, CddbStepKind::Refused, 0, 1},
        {"category climbing out", {200, "200 ../../evil 0501ac02 x\r\n"}, {}, CddbStepKind::Refused, 0, 1},
        {"disc id with a path", {200, "200 rock ../0501ac0 x\r\n"}, {}, CddbStepKind::Refused, 0, 1},
        {"unknown category", {200, "200 Rock 0501ac02 x\r\n"}, {}, CddbStepKind::Refused, 0, 1},
        {"read answers an error",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, "401 rock 0501ac02 No such CD entry\r\n"},
         CddbStepKind::Failed,
         0,
         2},
        {"read names a hostile file",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, "210 ../.. 0501ac02 x\r\nDTITLE=a\r\n"},
         CddbStepKind::Refused,
         0,
         2},
        {"read fails over HTTP", {200, "200 rock 0501ac02 x\r\n"}, {404, kReadReply}, CddbStepKind::Failed, 0, 2},
        {"kilobytes on one line",
         {200, "200 rock 0501ac02 " + QByteArray(3000, 'y') + "\r\n"},
         {200, longLine},
         CddbStepKind::Entry,
         0,
         2},
        {"read names another category",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, QByteArray(kReadReply).replace("210 rock", "210 jazz")},
         CddbStepKind::Refused,
         0,
         2},
        {"read names another disc id",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, QByteArray(kReadReply).replace("210 rock 0501ac02", "210 rock 0501ac03")},
         CddbStepKind::Refused,
         0,
         2},
        {"megabytes of one match line",
         {200, "211 close\r\nrock 0501ac02 " + QByteArray(3 << 20, 'm') + "\r\n.\r\n"},
         {},
         CddbStepKind::Refused,
         0,
         1},
        {"megabytes of one status line",
         {200, "200 rock 0501ac02 " + QByteArray(3 << 20, 's')},
         {},
         CddbStepKind::Refused,
         0,
         1},
        {"megabytes of one title",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, QByteArray(kReadReply).replace("TTITLE0=One", "TTITLE0=" + QByteArray(3 << 20, 't'))},
         CddbStepKind::Refused,
         0,
         2},
    };
    for (const Case& c : cases) {
        LookupFixture f(
            answers(c.query, c.read.body.isEmpty() && c.read.status == 200 ? CannedReply{200, kReadReply} : c.read));
        const CddbStep step = f.query();
        EXPECT_EQ(step.kind, c.kind) << c.name;
        EXPECT_EQ(step.matches.size(), c.matches) << c.name;
        EXPECT_EQ(f.server.requests().size(), c.requests) << c.name;
        if (step.kind != CddbStepKind::Entry) {
            EXPECT_TRUE(step.reply.isEmpty()) << c.name;
        }
    }
}

TEST(CddbLookup, MatchListKeepsCategoryDiscIdAndTitle)
{
    LookupFixture f(answers({200,
                             "211 close\r\nrock 0501ac02 Some Artist / Some Album\r\n"
                             "newage 0501ac0f Other / \xe9t\xe9\r\n.\r\n"},
                            {200, QByteArray(kReadReply).replace("210 rock 0501ac02", "210 newage 0501ac0f")}));
    const CddbStep step = f.query();
    ASSERT_EQ(step.matches.size(), 2u);
    EXPECT_EQ(step.matches[0].number, 1);
    EXPECT_EQ(step.matches[1].number, 2);
    EXPECT_EQ(step.matches[1].category, QStringLiteral("newage"));
    EXPECT_EQ(step.matches[1].discId, QStringLiteral("0501ac0f"));
    EXPECT_EQ(step.matches[1].title, QStringLiteral("Other / \u00e9t\u00e9")); // Latin-1 decoded

    std::atomic<bool> cancel{false};
    const CddbStep read = runCddbRead(f.setup, step.matches[1], cancel);
    EXPECT_EQ(f.server.requests().back(),
              QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+read+newage+0501ac0f+&hello=brenlow+quandor.example.org"
                             "+Brenlow+1.4&proto=5"));
    EXPECT_EQ(read.kind, CddbStepKind::Entry);
}

TEST(CddbLookup, EntryIsKeptUnderTheMatchAskedFor)
{
    // The disc id in the read reply's status line may differ in case only.
    LookupFixture f(answers({200, "200 rock 0501ac02 x\r\n"},
                            {200, QByteArray(kReadReply).replace("210 rock 0501ac02", "210 rock 0501AC02")}));
    const CddbStep step = f.query();
    ASSERT_EQ(step.kind, CddbStepKind::Entry);
    EXPECT_EQ(step.category, QStringLiteral("rock"));
    EXPECT_EQ(step.discId, QStringLiteral("0501ac02"));

    // After a choice: the read is for the chosen match, and only its entry counts.
    std::atomic<bool> cancel{false};
    const CddbMatch chosen{2, QStringLiteral("jazz"), QStringLiteral("0501ac03"), QStringLiteral("C / D")};
    EXPECT_EQ(runCddbRead(f.setup, chosen, cancel).kind, CddbStepKind::Refused); // the reply is rock 0501AC02
    LookupFixture g(
        answers({200, ""}, {200, QByteArray(kReadReply).replace("210 rock 0501ac02", "210 jazz 0501ac03")}));
    const CddbStep read = runCddbRead(g.setup, chosen, cancel);
    ASSERT_EQ(read.kind, CddbStepKind::Entry);
    EXPECT_EQ(read.category, QStringLiteral("jazz"));
    EXPECT_EQ(read.discId, QStringLiteral("0501ac03"));
}

TEST(CddbLookup, CancelDuringStalledReadAfterSingleMatch)
{
    LookupFixture f([](const QString& target) {
        if (target.contains(QStringLiteral("cmd=cddb+read")))
            return CannedReply{200, kReadReply, 8000};
        return CannedReply{200, "200 rock 0501ac02 x\r\n"};
    });
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        while (f.server.requests().size() < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    QElapsedTimer clock;
    clock.start();
    const CddbStep step = runCddbQuery(f.setup, kExampleQuery, cancel);
    canceller.join();
    EXPECT_EQ(step.kind, CddbStepKind::Cancelled);
    EXPECT_TRUE(step.reply.isEmpty());
    EXPECT_LT(clock.elapsed(), 5000);
}
