#pragma once
// The header object at the start of an ASF (WMA) file holds all its tags;
// the audio follows it.

#include <QString>

namespace quandor::audio {

/// The size in bytes of the header object `path` starts with; -1 when the
/// file does not start with one that fits in it.
qint64 asfHeaderObjectSize(const QString& path);

} // namespace quandor::audio
