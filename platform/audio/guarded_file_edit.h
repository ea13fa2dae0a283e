#pragma once
// Edits a user's file through code we cannot vouch for (a tag writer handed a
// hostile file may crash, hang, grow the file without end, or stop writing on
// a full disk without a word): the edit runs in a child process on a hidden
// copy, and the copy takes the file's place only when every write reached the
// disk and the caller's check vouches for the result. The file keeps its
// owner, group, mode and links.

#include <QString>

#include <functional>

namespace quandor::audio {

struct GuardedEditLimits {
    qint64 maxGrowthBytes = 0; ///< how much larger than the original the copy may get
    int timeoutMs = 0;         ///< the edit is killed after this long
};

/// Edits the copy in place, given a path that opens it (not a name of its
/// own: the edit neither removes nor renames it). True when it succeeded.
using GuardedEdit = std::function<bool(const QString& copyPath)>;
/// Vouches for the finished copy: empty when it may replace the original,
/// else why not.
using CopyCheck = std::function<QString(const QString& originalPath, const QString& copyPath)>;

struct GuardedEditResult {
    bool saved = false;
    QString error; ///< why the file was left as it was (the system's reason where it gave one)
    /// Set when the file was being rewritten in place and its former bytes
    /// could not be put back: the file may be damaged, they are kept here.
    QString keptCopy;
};

/// Runs `edit` on a copy of `path` in a child process (its file size limited
/// to the bound, its run time to the time-out). The copy replaces `path` when
/// `edit` returned true, the copy stayed within its bound, was written out in
/// full and `check` passed. On any failure the file stays byte for byte as it
/// was (or, where even that failed, `keptCopy` holds what it was), and no
/// copy is left, whatever ends the process. A file the user may
/// not write is refused.
GuardedEditResult editCopyGuarded(const QString& path, const GuardedEditLimits& limits, const GuardedEdit& edit,
                                  const CopyCheck& check = {});

/// As editCopyGuarded, for an edit that reads and rewrites only the first
/// `headBytes` of the file (a header that holds the tags): the copy the edit
/// gets holds those bytes alone, the bound applies to them, and the rest of
/// the file follows the edited head unchanged. Saves moving the whole file
/// when the head changes size.
GuardedEditResult editHeadGuarded(const QString& path, qint64 headBytes, const GuardedEditLimits& limits,
                                  const GuardedEdit& edit, const CopyCheck& check = {});

} // namespace quandor::audio
