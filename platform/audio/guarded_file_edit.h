#pragma once
// Edits a user's file through code we cannot vouch for (a tag writer handed a
// hostile file may crash, hang or grow the file without end): the edit runs in
// a child process on a copy beside the file, and the copy replaces the file
// only when the edit succeeded and the copy stayed within its size bound.

#include <QString>

#include <functional>

namespace quandor::audio {

struct GuardedEditLimits {
    qint64 maxGrowthBytes = 0; ///< how much larger than the original the copy may get
    int timeoutMs = 0;         ///< the edit is killed after this long
};

/// Runs `edit` on a copy of `path` in a child process (its file size limited
/// to the bound, its run time to the time-out) and renames the copy over
/// `path` when `edit` returned true. On any failure the copy is removed, the
/// file stays byte for byte as it was and false is returned.
/// `edit` gets the copy's path, which keeps the file's extension.
bool editCopyGuarded(const QString& path, const GuardedEditLimits& limits,
                     const std::function<bool(const QString& copyPath)>& edit);

/// As editCopyGuarded, for an edit that reads and rewrites only the first
/// `headBytes` of the file (a header that holds the tags): the copy the edit
/// gets holds those bytes alone, the bound applies to them, and the rest of
/// the file follows the edited head unchanged. Saves moving the whole file
/// when the head changes size.
bool editHeadGuarded(const QString& path, qint64 headBytes, const GuardedEditLimits& limits,
                     const std::function<bool(const QString& copyPath)>& edit);

} // namespace quandor::audio
