#include "cdrip/cddb/cddb_download.h"

#include "tests/support/canned_http_server.h"
#include "tests/support/tools.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace brenlow;
using quandor::test::CannedHttpServer;
using quandor::test::CannedReply;

TEST(CddbDownload, ReplyReplacesTheFileOnlyOnSuccess)
{
    CannedHttpServer server([](const QString& target) {
        if (target.startsWith(QStringLiteral("/ok")))
            return CannedReply{200, "200 rock 0501ac02 x\r\n"};
        if (target.startsWith(QStringLiteral("/missing")))
            return CannedReply{404, "not here"};
        return CannedReply{500, "broken"};
    });
    QTemporaryDir dir;
    const QString request = dir.filePath(QStringLiteral("request.txt"));
    ASSERT_TRUE(quandor::test::writeAll(request, "previous"));

    EXPECT_TRUE(downloadToFile(server.baseUrl() + QStringLiteral("ok?cmd=a+b"), request).ok);
    EXPECT_EQ(quandor::test::readAll(request), QByteArray("200 rock 0501ac02 x\r\n"));
    for (const char* path : {"missing", "fail"}) {
        const DownloadResult failed = downloadToFile(server.baseUrl() + QString::fromLatin1(path), request);
        EXPECT_FALSE(failed.ok) << path;
        EXPECT_FALSE(failed.error.isEmpty());
        EXPECT_EQ(quandor::test::readAll(request), QByteArray("200 rock 0501ac02 x\r\n")) << path;
    }
    EXPECT_EQ(server.requests(),
              (QStringList{QStringLiteral("/ok?cmd=a+b"), QStringLiteral("/missing"), QStringLiteral("/fail")}));
    // Nothing listens on the port of a closed server.
    QString closedUrl;
    {
        CannedHttpServer gone([](const QString&) { return CannedReply{}; });
        closedUrl = gone.baseUrl();
    }
    EXPECT_FALSE(downloadToFile(closedUrl, request).ok);
}

TEST(CddbDownload, CancelAndTimeOutEndAStalledTransferQuickly)
{
    CannedHttpServer server([](const QString&) { return CannedReply{200, "late", 5000}; });
    QTemporaryDir dir;
    const QString request = dir.filePath(QStringLiteral("request.txt"));

    std::atomic<bool> cancel{false};
    QElapsedTimer clock;
    clock.start();
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const DownloadResult cancelled = downloadToFile(server.baseUrl(), request, &cancel);
    canceller.join();
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_FALSE(QFile::exists(request));

    DownloadLimits quick;
    quick.totalTimeoutSeconds = 1;
    clock.restart();
    EXPECT_FALSE(downloadToFile(server.baseUrl(), request, nullptr, quick).ok);
    EXPECT_LT(clock.elapsed(), 4000);
}
