#pragma once
// The file an encoder writes, through the one door for new files. It has no
// name until it is complete: a conversion that is stopped, fails or is killed
// half-way leaves nothing, rather than a cut file under the finished name.
// Its data is on the disk and its close checked before it takes a name, and
// a file that appeared under that name meanwhile is never replaced: the
// output takes the next free name (`song(1).mp3`), which fileName() then
// gives. Every write goes straight to the system, so a failure (a full disk,
// a size limit) is reported in the system's own words.

#include "platform/files/file_door.h"

#include <QByteArray>
#include <QString>

namespace quandor::audio {

class EncodedFile {
public:
    EncodedFile() = default;
    ~EncodedFile(); ///< discards an unfinished file
    EncodedFile(const EncodedFile&) = delete;
    EncodedFile& operator=(const EncodedFile&) = delete;

    /// Starts the file that `complete` names `path`, or the next free name
    /// when `path` is taken by then.
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
    /// The last failure as the door tells it: what failed, the file and the
    /// system's reason ("Cannot write /a/song.wma: File too large").
    QString lastError() const { return lastError_; }
    /// Flushes and closes the complete file, then gives it its name.
    bool complete(QString& error);
    /// Closes and drops the file: nothing is left of it.
    void discard();

    /// The name asked for; after `complete`, the name the file took.
    QString fileName() const { return file_.path(); }
    /// The path through which this process opens the unfinished file (a
    /// writer of tags reaches it there before it has its name).
    QByteArray workingPath() const;

private:
    bool failed(QString& error);

    files::NewFile file_;
    int lastErrno_ = 0;
    QString lastError_;
};

} // namespace quandor::audio
