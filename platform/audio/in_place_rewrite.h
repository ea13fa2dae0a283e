#pragma once
// Writing a finished copy over a file itself, for a file that must keep its
// identity (a hard-linked file: a rename would part it from its other names).
// The file's former bytes are kept aside until the rewrite is complete, and
// put back when a step of it fails.

#include <QByteArray>
#include <QString>

namespace quandor::audio {

struct InPlaceRewrite {
    int error = 0;    ///< 0, or the errno of the step that failed
    QString keptCopy; ///< where the former bytes are when they could not be put back
};

/// Writes the first `newSize` bytes of `copyFd` over `target` (in `folder`),
/// whose `oldSize` bytes `originalFd` reads. On failure the file holds its
/// former bytes again, or `keptCopy` names the file that holds them.
InPlaceRewrite rewriteInPlace(const QString& folder, const QByteArray& target, int originalFd, qint64 oldSize,
                              int copyFd, qint64 newSize);

} // namespace quandor::audio
