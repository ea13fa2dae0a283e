#pragma once
// Files opened from a name the user gives (a dropped file, a cue sheet, an
// image). Only regular files are opened: a FIFO or a device named x.wav would
// hold the opening thread in open() or read() for good.

#include "platform/files/file_descriptor.h"

#include <QFile>
#include <QString>
#include <string>

namespace quandor::files {

/// True when `path` names a regular file (a symbolic link to one counts).
/// Checked without opening, so that libraries which open the file by name
/// themselves are never handed anything else.
bool isRegularFile(const std::string& path);
bool isRegularFile(const QString& path);

/// Opens `path` read-only when it is a regular file. The open itself does not
/// block (O_NONBLOCK, cleared again afterwards) and the descriptor is checked
/// with fstat, so a file swapped for a FIFO after a check is refused too.
/// An empty descriptor and the reason in `error` otherwise.
FileDescriptor openRegularFile(const std::string& path, std::string* error = nullptr);

/// The same for a QFile: `file` is opened read-only (and `extraMode`, such as
/// Unbuffered) on the checked descriptor, which it closes; its fileName() is
/// empty then, so a caller keeps the name for its messages. False, and `file`
/// left closed, when `path` is not a regular file or cannot be opened.
bool openRegularFile(QFile& file, const QString& path, QIODevice::OpenMode extraMode = {});

} // namespace quandor::files
