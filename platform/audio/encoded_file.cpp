#include "platform/audio/encoded_file.h"

#include "platform/files/unnamed_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quandor::audio {

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
    const files::FileDescriptor folder(
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    fd_ = folder ? files::openUnnamed(folder.get(), O_WRONLY, 0666).release() : -1;
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
    if (const int failure = files::writeFully(fd_, data, size, position)) {
        errno = failure;
        return fail(QStringLiteral("Cannot write"), error);
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

QByteArray EncodedFile::workingPath() const
{
    return unnamed_ ? files::descriptorPath(fd_) : QFile::encodeName(path_);
}

bool EncodedFile::giveName()
{
    const QByteArray name = QFile::encodeName(path_);
    const int linked = files::linkUnnamed(fd_, AT_FDCWD, name.constData());
    if (linked != EEXIST)
        return linked == 0;
    // A file of that name is replaced: the new one takes a name of its own
    // beside it first, so the old one is there until the new one is complete.
    for (int attempt = 0;; ++attempt) {
        const QByteArray beside = name + ".new-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(attempt);
        const int besideLinked = files::linkUnnamed(fd_, AT_FDCWD, beside.constData());
        if (besideLinked == 0) {
            if (::rename(beside.constData(), name.constData()) == 0)
                return true;
            const int saved = errno;
            ::unlink(beside.constData());
            errno = saved;
            return false;
        }
        if (besideLinked != EEXIST)
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
