#include "platform/audio/guarded_file_edit.h"

#include "platform/audio/file_copy.h"
#include "platform/audio/hidden_copy.h"
#include "platform/audio/in_place_rewrite.h"
#include "platform/files/unnamed_file.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quandor::audio {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

GuardedEditResult refused(const QString& reason)
{
    return {false, reason};
}

GuardedEditResult refusedBy(int error)
{
    return refused(systemReason(error));
}

enum class ChildEnd { Succeeded, Refused, TimedOut, PassedSizeLimit, Crashed };

/// In the child: limits, the edit, and an exit status that says how it went.
[[noreturn]] void runChild(const QString& copyPath, rlim_t maxBytes, pid_t parent, const GuardedEdit& edit)
{
    // The copy lives as long as some process holds it: this one must not
    // outlive a parent that is killed.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(1);
    // Passing the bound kills the child at once (SIGXFSZ), mid-write.
    signal(SIGXFSZ, SIG_DFL);
    rlimit size{};
    getrlimit(RLIMIT_FSIZE, &size);
    size.rlim_cur = std::min(size.rlim_cur, maxBytes);
    setrlimit(RLIMIT_FSIZE, &size);
    rlimit noCore{0, 0}; // a crash here is expected now and then; it leaves no core file
    setrlimit(RLIMIT_CORE, &noCore);
    _exit(edit(copyPath) ? 0 : 1);
}

/// Waits for the child; kills it when the time is up. `exitSignal` is the
/// read end of a pipe whose write end only the child holds: it reads as
/// ended the moment the child is gone.
ChildEnd waitForChild(pid_t child, int exitSignal, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            if (WIFEXITED(status))
                return WEXITSTATUS(status) == 0 ? ChildEnd::Succeeded : ChildEnd::Refused;
            return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ ? ChildEnd::PassedSizeLimit : ChildEnd::Crashed;
        }
        if (done < 0)
            return ChildEnd::Crashed;
        if (deadline.hasExpired()) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return ChildEnd::TimedOut;
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
ChildEnd editInChild(const QString& copyPath, qint64 maxBytes, int timeoutMs, const GuardedEdit& edit)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return ChildEnd::Crashed;
    files::FileDescriptor readEnd(ends[0]);
    files::FileDescriptor writeEnd(ends[1]);
    ::fcntl(readEnd.get(), F_SETFL, ::fcntl(readEnd.get(), F_GETFL) | O_NONBLOCK);

    std::fflush(nullptr); // nothing buffered is written twice by the child
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0)
        return ChildEnd::Crashed;
    if (child == 0)
        runChild(copyPath, rlim_t(maxBytes), parent, edit); // keeps the write end open until it exits
    writeEnd.reset();
    return waitForChild(child, readEnd.get(), timeoutMs);
}

/// True when the file system holding `fd` has (nearly) no room left: a tag
/// writer that fails there was stopped by the full disk.
bool diskFull(int fd)
{
    struct statvfs fs {};
    constexpr qint64 kNearlyFull = 64 * 1024;
    return ::fstatvfs(fd, &fs) == 0 && qint64(fs.f_bavail) * qint64(fs.f_frsize) < kNearlyFull;
}

/// Why the edit in the child did not succeed, in the user's terms.
QString childFailure(ChildEnd end, int copyFd, qint64 maxBytes)
{
    if (diskFull(copyFd))
        return systemReason(ENOSPC);
    switch (end) {
    case ChildEnd::PassedSizeLimit: {
        rlimit size{};
        if (getrlimit(RLIMIT_FSIZE, &size) == 0 && size.rlim_cur != RLIM_INFINITY && qint64(size.rlim_cur) < maxBytes)
            return systemReason(EFBIG); // the limit the program was started with
        return QStringLiteral("the tags would have made the file grow too much");
    }
    case ChildEnd::TimedOut:
        return QStringLiteral("the tag writer did not finish in time");
    case ChildEnd::Refused:
        return QStringLiteral("the tag writer could not write the tags into this file");
    default:
        return QStringLiteral("the tag writer failed on this file");
    }
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

/// Gives the copy the original's owner, group, mode and extended attributes
/// (its ACLs among them); false when this process may not (the file is then
/// written back in place).
bool takeIdentity(int copyFd, int originalFd, const struct stat& original)
{
    return ::fchown(copyFd, original.st_uid, original.st_gid) == 0 && ::fchmod(copyFd, original.st_mode & 07777) == 0
        && copyExtendedAttributes(originalFd, copyFd);
}

GuardedEditResult damaged(int error, const QString& keptCopy)
{
    return {false,
            QStringLiteral("%1; the file may be damaged, its former contents are in %2")
                .arg(systemReason(error), QDir::toNativeSeparators(keptCopy)),
            keptCopy};
}

/// The edit on a copy of the first `headBytes` of `path` (all of it when
/// negative); the rest of the file is appended to the edited copy.
GuardedEditResult editGuarded(const QString& path, qint64 headBytes, const GuardedEditLimits& limits,
                              const GuardedEdit& edit, const CopyCheck& check)
{
    // A link is followed: the file it names is edited, the link stays.
    const QFileInfo target(QFileInfo(path).canonicalFilePath());
    if (target.filePath().isEmpty())
        return refusedBy(ENOENT);
    const QByteArray targetName = QFile::encodeName(target.filePath());
    const files::FileDescriptor original(::open(targetName.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat before {};
    if (original.get() < 0 || ::fstat(original.get(), &before) != 0)
        return refusedBy(errno);
    if (!S_ISREG(before.st_mode))
        return refused(QStringLiteral("not a regular file"));
    // Renaming a copy over the file would succeed in a folder the user may
    // write, even where the file itself is not theirs to change.
    if (::faccessat(AT_FDCWD, targetName.constData(), W_OK, AT_EACCESS) != 0)
        return refusedBy(errno);
    const qint64 size = before.st_size;
    if (headBytes > size)
        return refused(QStringLiteral("the file is shorter than its header says"));
    const qint64 head = headBytes < 0 ? size : headBytes;

    removeStaleCopies(target.absolutePath());
    HiddenCopy copy(target.absolutePath());
    if (!copy.isOpen())
        return refusedBy(copy.error());
    if (const int error = copyRange(original.get(), 0, head, copy.fd(), 0))
        return refusedBy(error);
    const qint64 maxBytes = head + limits.maxGrowthBytes;

    const ChildEnd end = editInChild(copy.path(), maxBytes, limits.timeoutMs, edit);
    if (end != ChildEnd::Succeeded)
        return refused(childFailure(end, copy.fd(), maxBytes));
    struct stat edited {};
    if (::fstat(copy.fd(), &edited) != 0)
        return refusedBy(errno);
    const qint64 written = edited.st_size;
    if (written <= 0 || written > maxBytes)
        return refused(QStringLiteral("the tag writer left the file empty or too large"));
    if (head < size) {
        if (const int error = copyRange(original.get(), head, size - head, copy.fd(), written))
            return refusedBy(error);
    }
    // The last writes may only fail here (a full disk reported late).
    if (::fdatasync(copy.fd()) != 0)
        return refusedBy(errno);
    if (check) {
        const QString difference = check(target.filePath(), copy.path());
        if (!difference.isEmpty())
            return refused(diskFull(copy.fd()) ? systemReason(ENOSPC) : difference);
    }

    struct stat now {};
    if (::stat(targetName.constData(), &now) != 0 || !sameFile(before, now))
        return refused(QStringLiteral("another program changed the file during the save"));
    const qint64 finalSize = written + (size - head);
    if (before.st_nlink == 1 && takeIdentity(copy.fd(), original.get(), before)) {
        if (const int error = copy.replace(target.fileName()))
            return refusedBy(error);
        return {true, {}};
    }
    const InPlaceRewrite rewrite =
        rewriteInPlace(target.absolutePath(), targetName, original.get(), size, copy.fd(), finalSize);
    if (!rewrite.keptCopy.isEmpty())
        return damaged(rewrite.error, rewrite.keptCopy);
    if (rewrite.error)
        return refusedBy(rewrite.error);
    return {true, {}};
}

} // namespace

GuardedEditResult editCopyGuarded(const QString& path, const GuardedEditLimits& limits, const GuardedEdit& edit,
                                  const CopyCheck& check)
{
    return editGuarded(path, -1, limits, edit, check);
}

GuardedEditResult editHeadGuarded(const QString& path, qint64 headBytes, const GuardedEditLimits& limits,
                                  const GuardedEdit& edit, const CopyCheck& check)
{
    if (headBytes < 0)
        return refused(QStringLiteral("the file has no header to edit"));
    return editGuarded(path, headBytes, limits, edit, check);
}

} // namespace quandor::audio
