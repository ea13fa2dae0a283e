#pragma once
// A working file of the program's own that never has a name: made in a
// folder of its choice (the system's temporary folder), reached by this
// process through a descriptor path while it lives, and gone with it, or with
// the process however that ends. A kill in the middle of a conversion then
// leaves nothing behind, where a named temporary file would stay for good.
//
// The one door writes into it when given its path (as it would a new file,
// but without a name to take), and messages call it by the name it is shown
// under.

#include "platform/files/file_descriptor.h"

#include <QString>

namespace quandor::files {

class WorkingFile {
public:
    WorkingFile() = default;
    ~WorkingFile(); ///< the file is gone
    WorkingFile(const WorkingFile&) = delete;
    WorkingFile& operator=(const WorkingFile&) = delete;

    /// Makes the file in `folder`; messages call it `shownName`. False with
    /// the reason, naming the folder, when the folder refuses it.
    bool create(const QString& folder, const QString& shownName, QString* error = nullptr);
    /// Drops the file: nothing is left of it.
    void release();
    bool isOpen() const { return bool(fd_); }

    /// The path that opens the file in this process ("/proc/self/fd/N");
    /// empty when there is none.
    QString path() const { return path_; }
    QString shownName() const { return shownName_; }
    /// Bytes written into it so far.
    qint64 size() const;

private:
    FileDescriptor fd_;
    QString path_;
    QString shownName_;
};

/// True when `path` opens a working file of this process that is alive.
bool isWorkingFile(const QString& path);

/// The name messages give the file at `path`: a working file's shown name,
/// else `path` itself.
QString shownNameOf(const QString& path);

} // namespace quandor::files
