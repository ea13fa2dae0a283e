#include "platform/files/unnamed_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quandor::files {

FileDescriptor openUnnamed(int folder, int access, mode_t mode)
{
    return FileDescriptor(::openat(folder, ".", O_TMPFILE | access | O_CLOEXEC, mode));
}

QByteArray descriptorPath(int fd)
{
    return QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd);
}

int linkUnnamed(int fd, int folder, const char* name)
{
    if (::linkat(AT_FDCWD, descriptorPath(fd).constData(), folder, name, AT_SYMLINK_FOLLOW) == 0)
        return 0;
    return errno;
}

int writeFully(int fd, const char* data, qint64 size, qint64 position)
{
    while (size > 0) {
        const ssize_t written =
            position < 0 ? ::write(fd, data, size_t(size)) : ::pwrite(fd, data, size_t(size), off_t(position));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        data += written;
        size -= written;
        if (position >= 0)
            position += written;
    }
    return 0;
}

} // namespace quandor::files
