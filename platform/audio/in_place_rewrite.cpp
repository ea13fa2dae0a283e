#include "platform/audio/in_place_rewrite.h"

#include "platform/audio/file_copy.h"
#include "platform/audio/hidden_copy.h"
#include "platform/files/file_descriptor.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quandor::audio {

namespace {

/// Makes `file` hold the first `size` bytes of `from`, on the disk: 0 or the errno.
int overwrite(int file, int from, qint64 size)
{
    if (const int error = copyRange(from, 0, size, file, 0))
        return error;
    if (::ftruncate(file, off_t(size)) != 0 || ::fdatasync(file) != 0)
        return errno;
    return 0;
}

} // namespace

InPlaceRewrite rewriteInPlace(const QString& folder, const QByteArray& target, int originalFd, qint64 oldSize,
                              int copyFd, qint64 newSize)
{
    HiddenCopy former(folder);
    if (!former.isOpen())
        return {former.error(), {}};
    if (const int error = copyRange(originalFd, 0, oldSize, former.fd(), 0))
        return {error, {}};
    if (::fdatasync(former.fd()) != 0)
        return {errno, {}};

    const files::FileDescriptor file(::open(target.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file)
        return {errno, {}};
    // The room is reserved first, so that a full disk mostly stops the save
    // before the file has changed.
    if (newSize > oldSize && ::fallocate(file.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(newSize)) != 0
        && errno != EOPNOTSUPP)
        return {errno, {}};
    const int error = overwrite(file.get(), copyFd, newSize);
    if (error == 0)
        return {};
    if (overwrite(file.get(), former.fd(), oldSize) == 0)
        return {error, {}};
    return {error, former.keep(QFileInfo(QFile::decodeName(target)).fileName() + QStringLiteral(".before-save"))};
}

} // namespace quandor::audio
