#pragma once
// Files that a program keeps inside one folder of its own (the CDDB cache):
// whatever stands in that folder, a write never leaves it.

#include <QByteArray>
#include <QString>
#include <optional>

namespace quandor::files {

/// Writes `bytes` as the file `relative` ("rock/0a0b0c0d.txt", '/'-separated,
/// no "." or ".." parts) under the existing folder `root`. Nothing lands outside
/// `root`: a symbolic link met in place of a folder on the way, or in place of
/// the file, is replaced by a plain folder or file, never followed. The file is
/// replaced whole: written without a name, every write and the flush checked,
/// then named, so a full disk or a kill leaves the old file as it was.
/// False with the reason in `error` when it could not be written.
bool writeFileBeneath(const QString& root, const QString& relative, const QByteArray& bytes, QString* error = nullptr);

/// The content of the regular file `relative` under `root`, read without
/// following a symbolic link; nothing when it is absent, something else, or
/// longer than `maxBytes`.
std::optional<QByteArray> readFileBeneath(const QString& root, const QString& relative, qint64 maxBytes);

} // namespace quandor::files
