#include "tests/support/canned_http_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quandor::test {

CannedHttpServer::CannedHttpServer(Handler handler) : handler_(std::move(handler))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener_, 16) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

CannedHttpServer::~CannedHttpServer()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

QString CannedHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port_);
}

QStringList CannedHttpServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void CannedHttpServer::serve()
{
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        answer(client);
        ::close(client);
    }
}

void CannedHttpServer::answer(int client)
{
    QByteArray request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!request.contains("\r\n\r\n") && std::chrono::steady_clock::now() < deadline && !stopping_) {
        pollfd readable{client, POLLIN, 0};
        if (::poll(&readable, 1, 20) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, got);
    }
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QString target = requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QString();
    {
        std::lock_guard lock(mutex_);
        requests_.append(target);
    }
    const CannedReply reply = handler_(target);
    for (int waited = 0; waited < reply.stallMs && !stopping_; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const QByteArray head = "HTTP/1.0 " + QByteArray::number(reply.status) + " Canned\r\nContent-Type: text/plain\r\n"
        + "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    const QByteArray whole = head + reply.body;
    ::send(client, whole.constData(), static_cast<size_t>(whole.size()), MSG_NOSIGNAL);
}

} // namespace quandor::test
