#pragma once
// Files written without a name until they are complete (Linux O_TMPFILE), so
// that nothing half-written is ever seen under a name, whatever ends the
// process; and the one loop that writes all of a buffer.

#include "platform/files/file_descriptor.h"

#include <QByteArray>
#include <QtGlobal>
#include <sys/types.h>

namespace quandor::files {

/// A new file with no name in the open folder `folder` (AT_FDCWD: the current
/// one), opened with `access` (O_WRONLY or O_RDWR). Not open, with errno set,
/// where the file system has no unnamed files or the folder refuses it.
FileDescriptor openUnnamed(int folder, int access, mode_t mode);

/// The path through which this process and its children open `fd`.
QByteArray descriptorPath(int fd);

/// Gives the unnamed file `fd` the name `name` in `folder` (relative names
/// against it, or AT_FDCWD). 0, or the errno of the failure (EEXIST when the
/// name is taken: a link never replaces a file).
int linkUnnamed(int fd, int folder, const char* name);

/// Writes all `size` bytes of `data` at `position`, or at the file position
/// when it is negative, repeating short writes. 0, or the errno of the
/// failure (ENOSPC for a write that took nothing).
int writeFully(int fd, const char* data, qint64 size, qint64 position = -1);

} // namespace quandor::files
