#pragma once
// Runs a piece of work on hostile input in a child process: a crash or a
// hang there cannot take the program down, and whatever the work loads
// (FFmpeg, which the program opens only when a conversion needs it) stays
// out of the program.

#include <QByteArray>

#include <functional>
#include <optional>

namespace quandor::audio {

/// What `work` returned, computed in a child process; nothing when the child
/// crashed or did not finish within `timeoutMs` (it is then killed).
std::optional<QByteArray> callIsolated(const std::function<QByteArray()>& work, int timeoutMs);

} // namespace quandor::audio
