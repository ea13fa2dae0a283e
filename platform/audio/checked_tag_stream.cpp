#include "platform/audio/checked_tag_stream.h"

#include "platform/files/unnamed_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quandor::audio {

namespace {
constexpr qint64 kMoveBytes = 1024 * 1024;
} // namespace

CheckedTagStream::CheckedTagStream(int fd, const QByteArray& name) : fd_(::fcntl(fd, F_DUPFD_CLOEXEC, 0)), name_(name)
{}

void CheckedTagStream::fail(int number)
{
    if (failure_ == 0)
        failure_ = number != 0 ? number : EIO;
}

TagLib::FileName CheckedTagStream::name() const
{
    return name_.constData();
}

qint64 CheckedTagStream::readUpTo(qint64 position, char* data, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t read = ::pread(fd_.get(), data + got, size_t(size - got), off_t(position + got));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break;
        got += read;
    }
    return got;
}

bool CheckedTagStream::readAt(qint64 position, char* data, qint64 size)
{
    return readUpTo(position, data, size) == size;
}

bool CheckedTagStream::writeAt(qint64 position, const char* data, qint64 size)
{
    if (failure_ != 0)
        return false; // nothing more goes into a file already damaged
    if (const int failed = files::writeFully(fd_.get(), data, size, position)) {
        fail(failed);
        return false;
    }
    return true;
}

TagLib::ByteVector CheckedTagStream::readBlock(unsigned long length)
{
    const qint64 size = std::max<qint64>(0, std::min<qint64>(qint64(length), this->length() - position_));
    TagLib::ByteVector bytes(static_cast<unsigned int>(size), '\0');
    const qint64 got = readUpTo(position_, bytes.data(), size);
    bytes.resize(static_cast<unsigned int>(got));
    position_ += got;
    return bytes;
}

void CheckedTagStream::writeBlock(const TagLib::ByteVector& data)
{
    if (writeAt(position_, data.data(), data.size()))
        position_ += data.size();
}

bool CheckedTagStream::moveTail(qint64 from, qint64 to)
{
    const qint64 end = length();
    const qint64 count = end - from;
    QByteArray buffer;
    buffer.resize(qsizetype(std::min(kMoveBytes, std::max<qint64>(count, 0))));
    // Moving towards the end starts with the last bytes; towards the start, with the first.
    for (qint64 done = 0; done < count;) {
        const qint64 step = std::min<qint64>(kMoveBytes, count - done);
        const qint64 offset = to > from ? count - done - step : done;
        if (!readAt(from + offset, buffer.data(), step)) {
            fail(EIO);
            return false;
        }
        if (!writeAt(to + offset, buffer.constData(), step))
            return false;
        done += step;
    }
    return true;
}

void CheckedTagStream::insert(const TagLib::ByteVector& data, unsigned long start, unsigned long replace)
{
    const qint64 size = data.size();
    const qint64 oldEnd = length();
    const qint64 from = std::min<qint64>(qint64(start), oldEnd);
    // What is replaced ends at the file's end at the latest.
    const qint64 replaced = std::min<qint64>(from + qint64(replace), oldEnd) - from;
    if (size != replaced && !moveTail(from + replaced, from + size))
        return;
    if (!writeAt(from, data.data(), size))
        return;
    if (size < replaced)
        truncate(long(oldEnd - (replaced - size)));
    position_ = from + size;
}

void CheckedTagStream::removeBlock(unsigned long start, unsigned long length)
{
    insert(TagLib::ByteVector(), start, length);
}

void CheckedTagStream::seek(long offset, Position p)
{
    switch (p) {
    case Beginning:
        position_ = offset;
        break;
    case Current:
        position_ += offset;
        break;
    case End:
        position_ = length() + offset;
        break;
    }
    position_ = std::max<qint64>(position_, 0);
}

long CheckedTagStream::length()
{
    struct stat status {};
    return ::fstat(fd_.get(), &status) == 0 ? long(status.st_size) : 0;
}

void CheckedTagStream::truncate(long length)
{
    if (failure_ != 0)
        return;
    if (::ftruncate(fd_.get(), off_t(length)) != 0)
        fail(errno);
}

} // namespace quandor::audio
