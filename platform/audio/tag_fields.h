#pragma once
// Tag text fields by their property names ("TITLE", "DATE", ...), the text in
// UTF-8. An empty text is a field to remove.

#include <QByteArray>

#include <utility>
#include <vector>

namespace quandor::audio {

using TagFieldList = std::vector<std::pair<const char*, QByteArray>>;

} // namespace quandor::audio
