#pragma once
// Copying between open files: a byte range, and the extended attributes
// (POSIX ACLs among them) that a file replaced by a copy must keep.

#include <QtGlobal>

namespace quandor::audio {

/// Copies `length` bytes of `from` at `fromOffset` to `to` at `toOffset`:
/// 0, or the errno of the first write or read that failed.
int copyRange(int from, qint64 fromOffset, qint64 length, int to, qint64 toOffset);

/// Gives `to` every extended attribute of `from` (its ACLs included). False
/// when one cannot be set here (a file system without them, an attribute
/// this process may not set): the copy would then lose it.
bool copyExtendedAttributes(int from, int to);

} // namespace quandor::audio
