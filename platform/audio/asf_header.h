#pragma once
// The header object at the start of an ASF (WMA) file holds all its tags;
// the audio follows it, in the Data object.

#include <QString>

namespace quandor::audio {

/// The size in bytes of the header object `path` starts with; -1 when the
/// file does not start with one whose size its contents bear out: the sizes
/// of the objects it holds add up to it, and a Data object follows it.
qint64 asfHeaderObjectSize(const QString& path);

} // namespace quandor::audio
