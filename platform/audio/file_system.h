#pragma once
// The converter's file-system object.

#include <QString>

namespace quandor::audio {

/// True when `path` names an existing file (not a folder).
bool FileExists(const QString& path);

} // namespace quandor::audio
