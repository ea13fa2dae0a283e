#pragma once
// The tag values an entry takes from its source file, read by kind: a file's
// own tag as TagLib reads it, or, for an APE source, the ID3v1 record at its
// end, its year kept as the text it is.

#include "converter/main/apply_tag.h"

#include <QString>
#include <optional>

namespace tavrel {

/// The values of `path`'s tag; nothing when it cannot be opened as a tagged file.
std::optional<TagValues> readSourceTagValues(const QString& path);
/// The values of the ID3v1 record an APE file ends in; nothing when it has none.
std::optional<TagValues> readApeTagValues(const QString& path);

} // namespace tavrel
