#pragma once
// The file an encoder writes. It has no name until it is complete: a
// conversion that is stopped, fails or is killed half-way leaves nothing,
// rather than a cut file under the finished name (where the file system has
// no unnamed files, the file has its name from the start and is removed when
// abandoned). Every write goes straight to the system, so a failure (a full
// disk, a size limit) is reported in the system's own words.

#include <QByteArray>
#include <QString>

namespace quandor::audio {

class EncodedFile {
public:
    EncodedFile() = default;
    ~EncodedFile(); ///< discards an unfinished file
    EncodedFile(const EncodedFile&) = delete;
    EncodedFile& operator=(const EncodedFile&) = delete;

    /// Starts the file that `complete` names `path` (replacing a file of that name).
    bool create(const QString& path, QString& error);
    /// Writes at the end of what was written so far (or where `seek` put it).
    bool write(const char* data, qint64 size, QString& error);
    bool write(const QByteArray& bytes, QString& error) { return write(bytes.constData(), bytes.size(), error); }
    /// Writes `size` bytes at `position` (a header filled in at the end).
    bool writeAt(qint64 position, const char* data, qint64 size, QString& error);
    /// lseek's `whence`; the new position, or -1 with the reason in `lastErrno`.
    qint64 seek(qint64 offset, int whence);
    qint64 size() const;
    /// The system's error number of the last failure.
    int lastErrno() const { return lastErrno_; }
    /// Gives the complete file its name and closes it.
    bool complete(QString& error);
    /// Closes and drops the file: nothing is left of it.
    void discard();

    QString fileName() const { return path_; }
    /// The path through which this process opens the unfinished file (a
    /// writer of tags reaches it there before it has its name).
    QByteArray workingPath() const;

private:
    bool fail(const QString& what, QString& error);
    /// Writes all of `data` at `position`, or at the file position when negative.
    bool writeAll(qint64 position, const char* data, qint64 size, QString& error);
    bool giveName();

    QString path_;
    int fd_ = -1;
    bool unnamed_ = false;
    int lastErrno_ = 0;
};

} // namespace quandor::audio
