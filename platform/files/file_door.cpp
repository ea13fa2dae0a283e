#include "platform/files/file_door.h"

#include "platform/files/unnamed_file.h"
#include "platform/files/working_file.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace quandor::files {
namespace {

QString reasonOf(int number)
{
    return qt_error_string(number);
}

QByteArray hiddenNameFor(const QByteArray& name)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    return '.' + name + '.' + QByteArray::number(qulonglong(random()), 36) + ".tmp";
}

FileDescriptor openFolderOf(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    return FileDescriptor(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

QByteArray nameIn(const QString& path)
{
    return QFile::encodeName(QFileInfo(path).fileName());
}

/// The mode of the regular file `name` in `folder`, 0 when there is none.
mode_t regularFileMode(int folder, const QByteArray& name)
{
    struct stat status {};
    if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return status.st_mode & 07777;
}

} // namespace

QString numberedName(const QString& path, int number)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > slash + 1;
    const QString base = hasExtension ? path.left(dot) : path;
    const QString extension = hasExtension ? path.mid(dot) : QString();
    return base + QLatin1Char('(') + QString::number(number) + QLatin1Char(')') + extension;
}

NewFile::~NewFile()
{
    discard();
}

bool NewFile::fail(const QString& what, QString* error, int number)
{
    lastErrno_ = number;
    if (error) {
        const QString shown = intoWorkingFile_ ? shownNameOf(path_) : QFileInfo(path_).absoluteFilePath();
        *error = QStringLiteral("%1 %2: %3").arg(what, shown, reasonOf(number));
    }
    return false;
}

bool NewFile::open(const QString& path, WhenTaken whenTaken, QString* error, mode_t mode)
{
    if (isWorkingFile(path))
        return openWorkingFile(path, error);
    intoWorkingFile_ = false;
    FileDescriptor folder = openFolderOf(path);
    if (!folder) {
        discard();
        path_ = path;
        return fail(QStringLiteral("Cannot create"), error, errno);
    }
    return openIn(std::move(folder), path, whenTaken, error, mode);
}

bool NewFile::openWorkingFile(const QString& path, QString* error)
{
    discard();
    path_ = path;
    intoWorkingFile_ = true;
    lastErrno_ = 0;
    // Its own descriptor on the working file: what the writer does with it
    // (closing it included) leaves the working file alive for the next step.
    fd_.reset(::open(QFile::encodeName(path).constData(), O_RDWR | O_TRUNC | O_CLOEXEC));
    if (!fd_)
        return fail(QStringLiteral("Cannot create"), error, errno);
    return true;
}

bool NewFile::openIn(FileDescriptor folder, const QString& path, WhenTaken whenTaken, QString* error, mode_t mode)
{
    discard();
    intoWorkingFile_ = false;
    path_ = path;
    whenTaken_ = whenTaken;
    lastErrno_ = 0;
    folder_ = std::move(folder);
    const QByteArray name = nameIn(path);
    struct stat standing {};
    if (whenTaken == WhenTaken::Replace
        && ::fstatat(folder_.get(), name.constData(), &standing, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISDIR(standing.st_mode)) {
        folder_.reset();
        return fail(QStringLiteral("Cannot create"), error, EISDIR); // a folder is never replaced
    }
    keepMode_ = whenTaken == WhenTaken::Replace ? regularFileMode(folder_.get(), name) : 0;
    fd_ = openUnnamed(folder_.get(), O_RDWR, mode);
    if (!fd_) {
        // No unnamed files here: a hidden name of its own, made exclusively.
        hiddenName_ = hiddenNameFor(name);
        fd_.reset(
            ::openat(folder_.get(), hiddenName_.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd_) {
            const int number = errno;
            hiddenName_.clear();
            folder_.reset();
            return fail(QStringLiteral("Cannot create"), error, number);
        }
    }
    return true;
}

bool NewFile::write(const char* data, qint64 size, QString* error, qint64 position)
{
    if (!fd_)
        return fail(QStringLiteral("Cannot write"), error, EBADF);
    if (const int failure = writeFully(fd_.get(), data, size, position))
        return fail(QStringLiteral("Cannot write"), error, failure);
    return true;
}

QByteArray NewFile::workingPath() const
{
    if (!hiddenName_.isEmpty())
        return QFile::encodeName(QFileInfo(path_).absolutePath()) + '/' + hiddenName_;
    return descriptorPath(fd_.get());
}

/// Links the file reached through `fd` (or its hidden name) as `target`; 0 or the errno.
int NewFile::linkAs(int fd, const QByteArray& target) const
{
    const int folder = folder_.get();
    if (!hiddenName_.isEmpty())
        return ::linkat(folder, hiddenName_.constData(), folder, target.constData(), 0) == 0 ? 0 : errno;
    return linkUnnamed(fd, folder, target.constData());
}

/// Names the file reached through `fd` (or its hidden name); 0 or the errno.
int NewFile::giveName(int fd)
{
    return whenTaken_ == WhenTaken::Replace ? replaceName(fd) : takeFreeName(fd);
}

int NewFile::replaceName(int fd)
{
    // A rename puts the file in place of whatever stood there, a link
    // included, and never writes through it.
    const int folder = folder_.get();
    const QByteArray name = nameIn(path_);
    QByteArray beside = hiddenName_;
    if (beside.isEmpty()) {
        int linked = EEXIST;
        for (int attempt = 0; attempt < 100 && linked == EEXIST; ++attempt)
            linked = linkAs(fd, beside = hiddenNameFor(name));
        if (linked)
            return linked;
    }
    if (::renameat(folder, beside.constData(), folder, name.constData()) != 0) {
        const int number = errno;
        ::unlinkat(folder, beside.constData(), 0);
        return number;
    }
    hiddenName_.clear();
    return 0;
}

int NewFile::takeFreeName(int fd)
{
    for (int number = 0;; ++number) {
        const QString candidate = number == 0 ? path_ : numberedName(path_, number);
        const int linked = linkAs(fd, nameIn(candidate));
        if (linked == 0) {
            path_ = candidate;
            if (!hiddenName_.isEmpty())
                ::unlinkat(folder_.get(), hiddenName_.constData(), 0);
            hiddenName_.clear();
            return 0;
        }
        if (linked != EEXIST)
            return linked;
    }
}

bool NewFile::commit(QString* error)
{
    if (!fd_)
        return fail(QStringLiteral("Cannot complete"), error, EBADF);
    if (intoWorkingFile_) {
        // Read back by this process alone, and gone with it: no name to take,
        // and no need for it on the disk.
        if (::close(fd_.release()) != 0)
            return fail(QStringLiteral("Cannot write"), error, errno);
        return true;
    }
    if (::fdatasync(fd_.get()) != 0)
        return fail(QStringLiteral("Cannot write"), error, errno);
    if (keepMode_ != 0)
        ::fchmod(fd_.get(), keepMode_);
    // The name comes after a checked close (a file system that writes late
    // reports a failed write there): a second descriptor keeps the unnamed
    // file reachable for the link.
    FileDescriptor keep(hiddenName_.isEmpty() ? ::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0) : -1);
    if (hiddenName_.isEmpty() && !keep)
        return fail(QStringLiteral("Cannot complete"), error, errno);
    if (::close(fd_.release()) != 0)
        return fail(QStringLiteral("Cannot write"), error, errno);
    if (const int named = giveName(keep.get()))
        return fail(QStringLiteral("Cannot name"), error, named);
    ::fsync(folder_.get());
    folder_.reset();
    return true;
}

void NewFile::discard()
{
    fd_.reset();
    if (folder_ && !hiddenName_.isEmpty())
        ::unlinkat(folder_.get(), hiddenName_.constData(), 0);
    hiddenName_.clear();
    folder_.reset();
}

bool replaceFile(const QString& path, const QByteArray& bytes, QString* error)
{
    NewFile file;
    return file.open(path, WhenTaken::Replace, error) && file.write(bytes, error) && file.commit(error);
}

std::optional<QByteArray> readToEnd(int fd, qint64 maxBytes)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return bytes;
        if (bytes.size() + got > maxBytes) {
            errno = EFBIG;
            return std::nullopt;
        }
        bytes.append(buffer, got);
    }
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* error, bool* absent)
{
    const auto refuse = [&](const QString& why) -> std::optional<QByteArray> {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, why);
        return std::nullopt;
    };
    if (absent)
        *absent = false;
    const FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    if (!file) {
        // A link counts as no file: it is never read through, and a write
        // puts a file of the program's own in its place.
        if (absent)
            *absent = errno == ENOENT || errno == ELOOP;
        return refuse(reasonOf(errno));
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return refuse(reasonOf(errno));
    if (!S_ISREG(status.st_mode))
        return refuse(QStringLiteral("not a regular file"));
    if (status.st_size > maxBytes)
        return refuse(QStringLiteral("too large"));
    std::optional<QByteArray> bytes = readToEnd(file.get(), maxBytes);
    if (!bytes)
        return refuse(errno == EFBIG ? QStringLiteral("too large") : reasonOf(errno));
    return bytes;
}

FolderLock::FolderLock(const QString& path, int waitMs) : folder_(openFolderOf(path))
{
    if (!folder_) {
        reason_ = reasonOf(errno);
        return;
    }
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (::flock(folder_.get(), LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            // A file system without locks: the change goes on unguarded, as
            // it would on any other system.
            held_ = true;
            return;
        }
        if (deadline.hasExpired()) {
            reason_ = QStringLiteral("another program keeps it locked");
            return;
        }
        QThread::msleep(2);
    }
}

bool updateFile(const QString& path, const std::function<std::optional<QByteArray>(const QByteArray&)>& change,
                QString* error, qint64 maxBytes)
{
    const FolderLock lock(path);
    if (!lock.held()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, lock.reason());
        return false;
    }
    bool absent = false;
    const std::optional<QByteArray> old = readRegularFile(path, maxBytes, error, &absent);
    if (!old && !absent)
        return false; // there but unreadable: never replace what cannot be kept
    const std::optional<QByteArray> changed = change(old.value_or(QByteArray()));
    if (!changed)
        return false;
    if (old && *changed == *old)
        return true;
    return replaceFile(path, *changed, error);
}

int shortWriteReason(int fd)
{
    struct stat status {};
    struct rlimit limit {};
    if (::fstat(fd, &status) == 0 && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && rlim_t(status.st_size) >= limit.rlim_cur)
        return EFBIG;
    struct statvfs space {};
    if (::fstatvfs(fd, &space) == 0 && space.f_bavail == 0)
        return ENOSPC;
    return EIO;
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace quandor::files
