#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 (a free port) for tests: each request's
// target is logged and answered by a handler the test sets. Runs on its own
// thread, so blocking clients can be tested from the test's thread.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace quandor::test {

struct CannedReply {
    int status = 200;
    QByteArray body;
    int stallMs = 0; ///< wait this long before answering (client time-outs, cancel)
};

class CannedHttpServer {
public:
    using Handler = std::function<CannedReply(const QString& target)>;

    explicit CannedHttpServer(Handler handler);
    ~CannedHttpServer();
    CannedHttpServer(const CannedHttpServer&) = delete;
    CannedHttpServer& operator=(const CannedHttpServer&) = delete;

    /// "http://127.0.0.1:<port>/"
    QString baseUrl() const;
    /// The request targets (path and query, as sent) so far.
    QStringList requests() const;

private:
    void serve();
    void answer(int client);

    Handler handler_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    QStringList requests_;
    std::thread thread_;
};

} // namespace quandor::test
