#include "platform/files/regular_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace quandor::files {

bool isRegularFile(const std::string& path)
{
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool isRegularFile(const QString& path)
{
    return isRegularFile(std::string(QFile::encodeName(path).constData()));
}

FileDescriptor openRegularFile(const std::string& path, std::string* error)
{
    const auto refuse = [&](const std::string& why) {
        if (error)
            *error = why;
        return FileDescriptor();
    };
    if (path.empty())
        return refuse("no file name");
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return refuse(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return refuse(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return refuse(S_ISDIR(status.st_mode) ? "is a folder" : "is not a regular file");
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return refuse(std::strerror(errno));
    return fd;
}

bool openRegularFile(QFile& file, const QString& path, QIODevice::OpenMode extraMode)
{
    FileDescriptor fd = openRegularFile(std::string(QFile::encodeName(path).constData()));
    if (!fd)
        return false;
    if (!file.open(fd.get(), QIODevice::ReadOnly | extraMode, QFileDevice::AutoCloseHandle))
        return false;
    fd.release();
    return true;
}

} // namespace quandor::files
