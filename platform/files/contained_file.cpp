#include "platform/files/contained_file.h"

#include "platform/files/file_descriptor.h"
#include "platform/files/unnamed_file.h"

#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>

namespace quandor::files {
namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

/// The parts of `relative`; empty when one of them could climb out or is empty.
QList<QByteArray> partsOf(const QString& relative)
{
    QList<QByteArray> parts;
    for (const QString& part : relative.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QStringLiteral(".") || part == QStringLiteral(".."))
            return {};
        parts.append(QFile::encodeName(part));
    }
    return parts;
}

bool isLink(int folder, const char* name)
{
    struct stat status {};
    return ::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

/// The folder `name` inside `folder`, made when missing; a link in its place
/// is removed first, so the folder made is a real one inside `folder`.
FileDescriptor enterFolder(int folder, const char* name, bool create)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        FileDescriptor inner(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (inner || !create)
            return inner;
        if (errno == ENOENT) {
            if (::mkdirat(folder, name, 0777) != 0 && errno != EEXIST)
                return {};
        } else if (isLink(folder, name)) {
            if (::unlinkat(folder, name, 0) != 0)
                return {};
        } else {
            return {};
        }
    }
    return {};
}

/// The folder holding the last part of `parts`, every step taken without following a link.
FileDescriptor folderOf(const QString& root, const QList<QByteArray>& parts, bool create)
{
    FileDescriptor folder(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (qsizetype i = 0; folder && i + 1 < parts.size(); ++i)
        folder = enterFolder(folder.get(), parts[i].constData(), create);
    return folder;
}

QByteArray temporaryName(const QByteArray& name)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    return '.' + name + '.' + QByteArray::number(qulonglong(random()), 36) + ".tmp";
}

/// Gives the written file `fd` a temporary name in `folder`: an unnamed file
/// (O_TMPFILE) is linked in, a named one already has it.
bool nameTemporary(int folder, int fd, bool unnamed, const QByteArray& temporary)
{
    if (!unnamed)
        return true;
    if (const int error = linkUnnamed(fd, folder, temporary.constData())) {
        errno = error;
        return false;
    }
    return true;
}

/// An unnamed file cannot be left behind by a kill; where the file system
/// has none, a hidden name of its own, created exclusively. `unnamed` tells
/// which of the two it is.
FileDescriptor openTemporary(int folder, const QByteArray& temporary, bool& unnamed)
{
    unnamed = true;
    FileDescriptor file = openUnnamed(folder, O_WRONLY, 0666);
    if (!file) {
        unnamed = false;
        file.reset(::openat(folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    }
    return file;
}

} // namespace

bool writeFileBeneath(const QString& root, const QString& relative, const QByteArray& bytes, QString* error)
{
    const QList<QByteArray> parts = partsOf(relative);
    if (parts.isEmpty())
        return fail(error, QStringLiteral("bad file name ") + relative);
    const FileDescriptor folder = folderOf(root, parts, true);
    if (!folder)
        return fail(error, systemReason());
    const QByteArray& name = parts.last();
    const QByteArray temporary = temporaryName(name);

    bool unnamed = true;
    FileDescriptor file = openTemporary(folder.get(), temporary, unnamed);
    if (!file)
        return fail(error, systemReason());
    const int writeError = writeFully(file.get(), bytes.constData(), bytes.size());
    if (writeError)
        errno = writeError;
    const bool written = !writeError && ::fdatasync(file.get()) == 0;
    const bool named = written && nameTemporary(folder.get(), file.get(), unnamed, temporary);
    QString reason = systemReason();
    const bool closed = ::close(file.release()) == 0;
    if (named && !closed)
        reason = systemReason();
    if (!named || !closed) {
        if (named || !unnamed)
            ::unlinkat(folder.get(), temporary.constData(), 0);
        return fail(error, reason);
    }
    // A rename replaces a link in the file's place by the file, never its target.
    if (::renameat(folder.get(), temporary.constData(), folder.get(), name.constData()) != 0) {
        const QString renameReason = systemReason();
        ::unlinkat(folder.get(), temporary.constData(), 0);
        return fail(error, renameReason);
    }
    return true;
}

std::optional<QByteArray> readFileBeneath(const QString& root, const QString& relative, qint64 maxBytes)
{
    const QList<QByteArray> parts = partsOf(relative);
    if (parts.isEmpty())
        return std::nullopt;
    const FileDescriptor folder = folderOf(root, parts, false);
    if (!folder)
        return std::nullopt;
    const FileDescriptor file(
        ::openat(folder.get(), parts.last().constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxBytes)
        return std::nullopt;
    QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    bytes.truncate(done);
    return bytes;
}

} // namespace quandor::files
