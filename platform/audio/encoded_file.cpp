#include "platform/audio/encoded_file.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace quandor::audio {

EncodedFile::~EncodedFile()
{
    discard();
}

bool EncodedFile::failed(QString& error)
{
    lastErrno_ = file_.lastErrno();
    lastError_ = error;
    return false;
}

bool EncodedFile::create(const QString& path, QString& error)
{
    return file_.open(path, files::WhenTaken::TakeFreeName, &error) || failed(error);
}

bool EncodedFile::write(const char* data, qint64 size, QString& error)
{
    return file_.write(data, size, &error) || failed(error);
}

bool EncodedFile::writeAt(qint64 position, const char* data, qint64 size, QString& error)
{
    if (position < 0) {
        lastErrno_ = EINVAL;
        return false;
    }
    return file_.write(data, size, &error, position) || failed(error);
}

qint64 EncodedFile::seek(qint64 offset, int whence)
{
    const off_t at = ::lseek(file_.descriptor(), off_t(offset), whence);
    if (at < 0)
        lastErrno_ = errno;
    return at;
}

qint64 EncodedFile::size() const
{
    struct stat info {};
    return ::fstat(file_.descriptor(), &info) == 0 ? qint64(info.st_size) : -1;
}

QByteArray EncodedFile::workingPath() const
{
    return file_.workingPath();
}

bool EncodedFile::complete(QString& error)
{
    return file_.commit(&error) || failed(error);
}

void EncodedFile::discard()
{
    file_.discard();
}

} // namespace quandor::audio
