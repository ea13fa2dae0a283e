#include "platform/audio/encoded_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quandor::audio {

namespace {

QByteArray procPath(int fd)
{
    return QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd);
}

} // namespace

EncodedFile::~EncodedFile()
{
    discard();
}

bool EncodedFile::fail(const QString& what, QString& error)
{
    lastErrno_ = errno;
    error = QStringLiteral("%1 %2: %3").arg(what, path_, qt_error_string(lastErrno_));
    return false;
}

bool EncodedFile::create(const QString& path, QString& error)
{
    discard();
    path_ = path;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    fd_ = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    unnamed_ = fd_ >= 0;
    if (!unnamed_) {
        // No unnamed files here: the file has its name from the start.
        fd_ = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0)
            return fail(QStringLiteral("Cannot create"), error);
    }
    return true;
}

bool EncodedFile::write(const char* data, qint64 size, QString& error)
{
    return writeAll(-1, data, size, error);
}

bool EncodedFile::writeAt(qint64 position, const char* data, qint64 size, QString& error)
{
    return writeAll(position, data, size, error);
}

bool EncodedFile::writeAll(qint64 position, const char* data, qint64 size, QString& error)
{
    // A short write carries no reason; the write of the rest that follows
    // fails with it (or completes the data where a signal cut the first).
    while (size > 0) {
        const ssize_t written =
            position < 0 ? ::write(fd_, data, size_t(size)) : ::pwrite(fd_, data, size_t(size), off_t(position));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(QStringLiteral("Cannot write"), error);
        data += written;
        size -= written;
        if (position >= 0)
            position += written;
    }
    return true;
}

qint64 EncodedFile::seek(qint64 offset, int whence)
{
    const off_t at = ::lseek(fd_, off_t(offset), whence);
    if (at < 0)
        lastErrno_ = errno;
    return at;
}

qint64 EncodedFile::size() const
{
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? qint64(info.st_size) : -1;
}

bool EncodedFile::giveName()
{
    const QByteArray name = QFile::encodeName(path_);
    if (::linkat(AT_FDCWD, procPath(fd_).constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    // A file of that name is replaced: the new one takes a name of its own
    // beside it first, so the old one is there until the new one is complete.
    for (int attempt = 0;; ++attempt) {
        const QByteArray beside = name + ".new-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(attempt);
        if (::linkat(AT_FDCWD, procPath(fd_).constData(), AT_FDCWD, beside.constData(), AT_SYMLINK_FOLLOW) == 0) {
            if (::rename(beside.constData(), name.constData()) == 0)
                return true;
            const int saved = errno;
            ::unlink(beside.constData());
            errno = saved;
            return false;
        }
        if (errno != EEXIST)
            return false;
    }
}

bool EncodedFile::complete(QString& error)
{
    if (unnamed_ && !giveName())
        return fail(QStringLiteral("Cannot complete"), error);
    unnamed_ = false;
    const int fd = fd_;
    fd_ = -1;
    // A file system that writes late reports a failed write only here.
    if (::close(fd) != 0) {
        fail(QStringLiteral("Cannot write"), error);
        ::unlink(QFile::encodeName(path_).constData());
        return false;
    }
    return true;
}

void EncodedFile::discard()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    if (!unnamed_)
        ::unlink(QFile::encodeName(path_).constData());
}

} // namespace quandor::audio
