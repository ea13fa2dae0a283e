#include "platform/audio/guarded_file_edit.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quandor::audio {

namespace {

/// A file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

/// A new file beside the one to edit, removed again unless kept.
class CopyBeside {
public:
    explicit CopyBeside(const QFileInfo& target)
    {
        const QString suffix = target.suffix().isEmpty() ? QString() : QLatin1Char('.') + target.suffix();
        for (int attempt = 0; attempt < 16 && !file_.isOpen(); ++attempt) {
            const QString tag = QString::number(QRandomGenerator::global()->generate64(), 36);
            file_.setFileName(target.absolutePath() + QStringLiteral("/.tavrel-edit-") + tag + suffix);
            file_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
        }
    }
    ~CopyBeside()
    {
        file_.close();
        if (!kept_ && !file_.fileName().isEmpty())
            QFile::remove(file_.fileName());
    }
    CopyBeside(const CopyBeside&) = delete;
    CopyBeside& operator=(const CopyBeside&) = delete;

    QFile& file() { return file_; }
    void keep() { kept_ = true; }

private:
    QFile file_;
    bool kept_ = false;
};

bool writeFully(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

/// Appends `length` bytes of `from`, starting at `offset`, to `to`.
bool copyRange(int from, qint64 offset, qint64 length, int to)
{
#ifdef __linux__
    // In the kernel where the file system allows it: no trip through our memory.
    loff_t at = offset;
    while (length > 0) {
        const ssize_t copied = ::copy_file_range(from, &at, to, nullptr, size_t(std::min<qint64>(length, 1 << 30)), 0);
        if (copied <= 0)
            break; // not possible here, or the end of the file: the plain copy below decides
        length -= copied;
    }
    offset = at;
#endif
    if (length == 0)
        return true;
    std::vector<char> buffer(size_t(std::min<qint64>(length, 1 << 20)));
    while (length > 0) {
        const ssize_t got =
            ::pread(from, buffer.data(), size_t(std::min<qint64>(length, qint64(buffer.size()))), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !writeFully(to, buffer.data(), got))
            return false;
        offset += got;
        length -= got;
    }
    return true;
}

/// In the child: limits, the edit, and an exit status that says how it went.
[[noreturn]] void runChild(const QString& copyPath, qint64 maxBytes, const std::function<bool(const QString&)>& edit)
{
    // Passing the bound kills the child at once (SIGXFSZ), mid-write.
    signal(SIGXFSZ, SIG_DFL);
    rlimit size{rlim_t(maxBytes), rlim_t(maxBytes)};
    setrlimit(RLIMIT_FSIZE, &size);
    rlimit noCore{0, 0}; // a crash here is expected now and then; it leaves no core file
    setrlimit(RLIMIT_CORE, &noCore);
    _exit(edit(copyPath) ? 0 : 1);
}

/// Waits for the child; kills it when the time is up. True when it exited
/// with 0. `exitSignal` is the read end of a pipe whose write end only the
/// child holds: it reads as ended the moment the child is gone.
bool childSucceeded(pid_t child, int exitSignal, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0)
            return false;
        if (deadline.hasExpired()) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        // Woken by the child's end; the slice bounds the wait should another
        // process have come to hold the pipe too.
        pollfd ended{exitSignal, POLLIN, 0};
        const int slice = int(std::clamp<qint64>(deadline.remainingTime(), 0, 50));
        if (::poll(&ended, 1, slice) > 0 && (ended.revents & (POLLHUP | POLLIN))) {
            char drained;
            while (::read(exitSignal, &drained, 1) > 0) {}
        }
    }
}

/// Runs `edit` on `copyPath` in a child process within `maxBytes` and the time-out.
bool editInChild(const QString& copyPath, qint64 maxBytes, int timeoutMs,
                 const std::function<bool(const QString&)>& edit)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    ::fcntl(readEnd.get(), F_SETFL, ::fcntl(readEnd.get(), F_GETFL) | O_NONBLOCK);

    std::fflush(nullptr); // nothing buffered is written twice by the child
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
        runChild(copyPath, maxBytes, edit); // keeps the write end open until it exits
    writeEnd.reset();
    return childSucceeded(child, readEnd.get(), timeoutMs);
}

/// The edit on a copy of the first `headBytes` of `path` (all of it when
/// negative); the rest of the file is appended to the edited copy.
bool editGuarded(const QString& path, qint64 headBytes, const GuardedEditLimits& limits,
                 const std::function<bool(const QString&)>& edit)
{
    // A link is followed: the file it names is edited, the link stays.
    const QFileInfo target(QFileInfo(path).canonicalFilePath());
    if (target.filePath().isEmpty() || !target.isFile())
        return false;
    Descriptor original(::open(QFile::encodeName(target.filePath()).constData(), O_RDONLY | O_CLOEXEC));
    if (original.get() < 0)
        return false;
    const qint64 size = ::lseek(original.get(), 0, SEEK_END);
    if (size < 0 || headBytes > size)
        return false;
    const qint64 head = headBytes < 0 ? size : headBytes;

    CopyBeside copy(target);
    if (!copy.file().isOpen() || !copyRange(original.get(), 0, head, copy.file().handle()))
        return false;
    copy.file().setPermissions(QFile::permissions(target.filePath()));
    copy.file().close();
    const QString copyPath = copy.file().fileName();
    const qint64 maxBytes = head + limits.maxGrowthBytes;

    if (!editInChild(copyPath, maxBytes, limits.timeoutMs, edit))
        return false;
    const qint64 written = QFileInfo(copyPath).size();
    if (written <= 0 || written > maxBytes)
        return false;
    if (head < size) {
        // The edit may have rewritten the copy as a new file: append by name
        // (without O_APPEND, which the kernel's copy refuses).
        const Descriptor edited(::open(QFile::encodeName(copyPath).constData(), O_WRONLY | O_CLOEXEC));
        if (edited.get() < 0 || ::lseek(edited.get(), 0, SEEK_END) != written
            || !copyRange(original.get(), head, size - head, edited.get()))
            return false;
    }
    if (std::rename(QFile::encodeName(copyPath).constData(), QFile::encodeName(target.filePath()).constData()) != 0)
        return false;
    copy.keep();
    return true;
}

} // namespace

bool editCopyGuarded(const QString& path, const GuardedEditLimits& limits,
                     const std::function<bool(const QString& copyPath)>& edit)
{
    return editGuarded(path, -1, limits, edit);
}

bool editHeadGuarded(const QString& path, qint64 headBytes, const GuardedEditLimits& limits,
                     const std::function<bool(const QString& copyPath)>& edit)
{
    return headBytes >= 0 && editGuarded(path, headBytes, limits, edit);
}

} // namespace quandor::audio
