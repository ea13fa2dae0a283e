#pragma once
// The one way both programs write a file of the user's. A file is written
// without a name (or under a hidden one of its own), its data is flushed to
// the disk and its close checked, and only then does it take its name:
// - never through a symbolic link, never into a FIFO or a device: what stands
//   under the name is replaced by the file itself, or left alone;
// - never replacing a name the program did not choose: a file that appeared
//   under the name meanwhile keeps it, and the new one takes the next free
//   name (`base(1).ext`, `base(2).ext`, ...), chosen atomically (a link fails
//   with EEXIST, never a check followed by a rename);
// - a full disk or a size limit is an error with the system's reason (both
//   programs ignore SIGXFSZ, so a write past a limit fails with EFBIG).
// A change to a file several programs share (an INI file) is made under a
// lock on its folder, so that two writers keep both writers' changes.

#include "platform/files/file_descriptor.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace quandor::files {

/// What a completed file does when its name is taken.
enum class WhenTaken {
    /// The user agreed to replace it (or it is the program's own settings
    /// file): the file takes the name; a link there is replaced, never followed.
    Replace,
    /// The name is not the program's to take: the first free one of
    /// base(1).ext, base(2).ext, ... is taken instead.
    TakeFreeName,
};

/// A file being written, nameless until `commit`.
class NewFile {
public:
    NewFile() = default;
    ~NewFile(); ///< discards an uncommitted file
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    /// Starts the file that `commit` names `path`. `mode` is narrowed by the
    /// umask, as for any new file; a replaced file's own mode is kept. The
    /// path of a working file of this process (working_file.h) is written
    /// into from its start, and keeps having no name.
    bool open(const QString& path, WhenTaken whenTaken, QString* error = nullptr, mode_t mode = 0666);
    /// The same in a folder already open (reached without following links):
    /// the file is named `path`'s file name in `folder`; `path` names it in messages.
    bool openIn(FileDescriptor folder, const QString& path, WhenTaken whenTaken, QString* error = nullptr,
                mode_t mode = 0666);
    bool isOpen() const { return bool(fd_); }
    int descriptor() const { return fd_.get(); }

    /// Writes all of `data` at the file position, or at `position` when it is
    /// not negative.
    bool write(const char* data, qint64 size, QString* error = nullptr, qint64 position = -1);
    bool write(const QByteArray& bytes, QString* error = nullptr)
    {
        return write(bytes.constData(), bytes.size(), error);
    }

    /// The path through which this process opens the unfinished file.
    QByteArray workingPath() const;

    /// Data to the disk, the close checked, then the name. True when the file
    /// has its name: `path()` then tells which one.
    bool commit(QString* error = nullptr);
    /// Closes and drops the file: nothing is left of it.
    void discard();

    /// The name asked for, or after `commit` the name taken.
    QString path() const { return path_; }
    /// The system's error number of the last failure.
    int lastErrno() const { return lastErrno_; }

private:
    bool fail(const QString& what, QString* error, int number);
    bool openWorkingFile(const QString& path, QString* error);
    int giveName(int fd);
    int replaceName(int fd);
    int takeFreeName(int fd);
    int linkAs(int fd, const QByteArray& target) const;

    QString path_;
    WhenTaken whenTaken_ = WhenTaken::TakeFreeName;
    FileDescriptor folder_;
    FileDescriptor fd_;
    QByteArray hiddenName_; ///< where the file system has no unnamed files
    mode_t keepMode_ = 0;   ///< the mode of the file replaced, 0 when none
    bool intoWorkingFile_ = false;
    int lastErrno_ = 0;
};

/// The name `number` of the free-name rule: "a/song.mp3", 2 → "a/song(2).mp3".
QString numberedName(const QString& path, int number);

/// Writes `bytes` as the whole file `path`, replacing it (a link there is
/// replaced, never written through). A kill leaves the old or the new file.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

/// The rest of the open file `fd`, read to its end; nothing with errno set
/// (EFBIG once it grows past `maxBytes` bytes).
std::optional<QByteArray> readToEnd(int fd, qint64 maxBytes);

/// The content of `path` when it is a regular file, opened without waiting on
/// a FIFO. Nothing when it is absent or a symbolic link (`absent` set: a link
/// is never read through, and a write replaces it), something else,
/// unreadable or longer than `maxBytes`, with the reason.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, QString* error = nullptr,
                                          bool* absent = nullptr);

/// An exclusive lock on the folder holding `path`, held while it lives. The
/// kernel drops it with the process, so a kill never leaves it behind.
class FolderLock {
public:
    explicit FolderLock(const QString& path, int waitMs = 10000);
    bool held() const { return held_; }
    QString reason() const { return reason_; }

private:
    FileDescriptor folder_;
    bool held_ = false;
    QString reason_;
};

/// Changes the file `path` under its folder's lock: `change` gets its bytes
/// (empty when absent) and gives the new ones, or nothing to leave it as it
/// is. A file there that is not a regular one, or cannot be read, is left
/// alone: false with the reason.
bool updateFile(const QString& path, const std::function<std::optional<QByteArray>(const QByteArray&)>& change,
                QString* error = nullptr, qint64 maxBytes = 64 * 1024 * 1024);

/// Why a write into `fd` took fewer bytes than it was given (a write cut
/// short sets no error number): EFBIG at the size limit, ENOSPC on a full
/// file system, EIO otherwise.
int shortWriteReason(int fd);

/// Both programs call this first: a write past a size limit then fails with
/// EFBIG, reported like any other failed write, instead of killing the program.
void ignoreFileSizeSignal();

} // namespace quandor::files
