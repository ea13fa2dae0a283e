#include "platform/audio/file_copy.h"

#include "platform/files/unnamed_file.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace quandor::audio {

int copyRange(int from, qint64 fromOffset, qint64 length, int to, qint64 toOffset)
{
#ifdef __linux__
    // In the kernel where the file system allows it: no trip through our memory.
    loff_t in = fromOffset;
    loff_t out = toOffset;
    while (length > 0) {
        const ssize_t copied = ::copy_file_range(from, &in, to, &out, size_t(std::min<qint64>(length, 1 << 30)), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP && errno != ENOSYS)
            return errno; // a full disk, a size limit, a failing disk
        if (copied <= 0)
            break; // not possible here, or the end of the source: the plain copy below decides
        length -= copied;
    }
    fromOffset = in;
    toOffset = out;
#endif
    if (length == 0)
        return 0;
    std::vector<char> buffer(size_t(std::min<qint64>(length, 1 << 20)));
    while (length > 0) {
        const ssize_t got =
            ::pread(from, buffer.data(), size_t(std::min<qint64>(length, qint64(buffer.size()))), off_t(fromOffset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO; // the source shrank meanwhile
        if (const int error = files::writeFully(to, buffer.data(), got, toOffset))
            return error;
        fromOffset += got;
        toOffset += got;
        length -= got;
    }
    return 0;
}

namespace {

/// The names of `fd`'s attributes, NUL-separated; nullopt-like empty with
/// `ok` false when they cannot be listed.
QByteArray attributeNames(int fd, bool& ok)
{
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            ok = errno == ENOTSUP; // a file system without attributes has none to lose
            return {};
        }
        QByteArray names(size, '\0');
        const ssize_t got = ::flistxattr(fd, names.data(), size_t(names.size()));
        if (got >= 0) {
            ok = true;
            return names.left(got);
        }
        if (errno != ERANGE) { // ERANGE: one was added meanwhile, list again
            ok = false;
            return {};
        }
    }
}

bool copyAttribute(int from, int to, const char* name)
{
    const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
    if (size < 0)
        return errno == ENODATA; // removed meanwhile
    QByteArray value(size, '\0');
    const ssize_t got = ::fgetxattr(from, name, value.data(), size_t(value.size()));
    return got >= 0 && ::fsetxattr(to, name, value.constData(), size_t(got), 0) == 0;
}

} // namespace

bool copyExtendedAttributes(int from, int to)
{
    bool ok = false;
    const QByteArray names = attributeNames(from, ok);
    if (!ok)
        return false;
    for (const QByteArray& name : names.split('\0')) {
        if (!name.isEmpty() && !copyAttribute(from, to, name.constData()))
            return false;
    }
    return true;
}

} // namespace quandor::audio
