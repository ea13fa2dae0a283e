#pragma once
// The file a tag writer edits, as TagLib reaches it, with every write checked.
// TagLib's own file stream drops the result of its writes, so a disk that
// fails in the middle of a save (EIO, a full disk) would leave a half
// rewritten file that passes for a tagged one. Here the first failure is
// kept, and the save is known to have damaged the file.

#include "platform/files/file_descriptor.h"

#include <QByteArray>
#include <taglib/tiostream.h>

namespace quandor::audio {

class CheckedTagStream final : public TagLib::IOStream {
public:
    /// Edits the file `fd` (open for reading and writing; the stream keeps
    /// its own descriptor); `name` is what TagLib calls it.
    CheckedTagStream(int fd, const QByteArray& name);

    /// The errno of the first write that failed; 0 while none has.
    int failure() const { return failure_; }

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start = 0, unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override { return false; }
    bool isOpen() const override { return bool(fd_); }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return position_; }
    long length() override;
    void truncate(long length) override;

private:
    bool writeAt(qint64 position, const char* data, qint64 size);
    /// Reads up to `size` bytes at `position`; the count read (short at the end or on an error).
    qint64 readUpTo(qint64 position, char* data, qint64 size);
    bool readAt(qint64 position, char* data, qint64 size);
    /// Moves the bytes from `from` to the end of the file so they start at
    /// `to`, through a buffer of fixed size, in the order that never
    /// overwrites a byte not yet moved.
    bool moveTail(qint64 from, qint64 to);
    void fail(int number);

    files::FileDescriptor fd_;
    QByteArray name_;
    qint64 position_ = 0;
    int failure_ = 0;
};

} // namespace quandor::audio
