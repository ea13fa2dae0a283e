#pragma once
// The last look at a finished output before it takes its name.

#include <QString>

#include <functional>

namespace quandor::audio {

/// Called with the path that opens a finished file before it has its name:
/// the file is still the program's own then, so its tags go straight in.
/// False, with the reason in `error`, when the file is no longer whole: it is
/// dropped then instead of being named.
using BeforeNaming = std::function<bool(const QString& workingPath, QString& error)>;

} // namespace quandor::audio
