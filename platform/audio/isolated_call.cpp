#include "platform/audio/isolated_call.h"

#include "platform/audio/hidden_copy.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quandor::audio {

namespace {

[[noreturn]] void runChild(int output, pid_t parent, const std::function<QByteArray()>& work)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(2);
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const QByteArray result = work();
    const char* data = result.constData();
    qsizetype left = result.size();
    while (left > 0) {
        const ssize_t written = ::write(output, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            _exit(3);
        data += written;
        left -= written;
    }
    _exit(0);
}

/// Everything the child writes, until it closes its end or the time is up.
bool readUntilEnd(int input, QDeadlineTimer deadline, QByteArray& result)
{
    char buffer[4096];
    for (;;) {
        pollfd ready{input, POLLIN, 0};
        const int slice = int(std::clamp<qint64>(deadline.remainingTime(), 0, 1000));
        const int polled = ::poll(&ready, 1, slice);
        if (polled < 0 && errno != EINTR)
            return false;
        if (polled > 0) {
            const ssize_t got = ::read(input, buffer, sizeof buffer);
            if (got == 0)
                return true;
            if (got > 0)
                result.append(buffer, got);
            else if (errno != EINTR && errno != EAGAIN)
                return false;
        }
        if (deadline.hasExpired())
            return false;
    }
}

} // namespace

std::optional<QByteArray> callIsolated(const std::function<QByteArray()>& work, int timeoutMs)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return std::nullopt;
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    std::fflush(nullptr); // nothing buffered is written twice by the child
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0)
        runChild(writeEnd.get(), parent, work);
    writeEnd.reset();

    QByteArray result;
    const bool ended = readUntilEnd(readEnd.get(), QDeadlineTimer(timeoutMs), result);
    if (!ended)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

} // namespace quandor::audio
