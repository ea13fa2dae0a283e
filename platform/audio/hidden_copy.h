#pragma once
// A copy of a file that nobody sees until it replaces the file: on Linux an
// unnamed file in the file's own folder (it vanishes with the process,
// whatever ends it); where the file system has no unnamed files, a hidden
// named one that a later save removes once no process holds it.

#include "platform/files/file_descriptor.h"

#include <QByteArray>
#include <QString>

namespace quandor::audio {

class HiddenCopy {
public:
    /// A new, empty copy in `folder`; `error()` says why when there is none.
    explicit HiddenCopy(const QString& folder);
    ~HiddenCopy();
    HiddenCopy(const HiddenCopy&) = delete;
    HiddenCopy& operator=(const HiddenCopy&) = delete;

    bool isOpen() const { return file_.get() >= 0; }
    int error() const { return error_; }
    int fd() const { return file_.get(); }
    /// A path that opens the copy, in this process and in its children.
    QString path() const;
    /// Puts the copy in place of `name` in its folder, in one step for anyone
    /// looking; 0, or the errno of the failure (the copy then stays hidden).
    int replace(const QString& name);
    /// Gives the copy a name of its own in its folder, `name` or, when that
    /// is taken, `name` with "-1", "-2"... added (it replaces nothing): the
    /// copy's full path, or empty when it could not be named.
    QString keep(const QString& name);

private:
    QString folderPath_;
    files::FileDescriptor folder_;
    files::FileDescriptor file_;
    QByteArray name_; ///< the named fallback's name; empty for an unnamed copy
    int error_ = 0;
};

/// Removes the copies that saves in `folder` left when their process was
/// ended before it could (those no living process holds).
void removeStaleCopies(const QString& folder);

} // namespace quandor::audio
