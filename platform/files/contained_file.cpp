#include "platform/files/contained_file.h"

#include "platform/files/file_descriptor.h"
#include "platform/files/file_door.h"

#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

} // namespace

bool writeFileBeneath(const QString& root, const QString& relative, const QByteArray& bytes, QString* error)
{
    const QList<QByteArray> parts = partsOf(relative);
    if (parts.isEmpty())
        return fail(error, QStringLiteral("bad file name ") + relative);
    FileDescriptor folder = folderOf(root, parts, true);
    if (!folder)
        return fail(error, systemReason());
    // The door replaces a link in the file's place by the file, never its target.
    NewFile file;
    QString reason;
    const QString path = root + QLatin1Char('/') + relative;
    if (file.openIn(FileDescriptor(folder.release()), path, WhenTaken::Replace, &reason) && file.write(bytes, &reason)
        && file.commit(&reason))
        return true;
    return fail(error, reason);
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
