#pragma once

#include "platform/mac/ape_format.h"

#include <QString>

namespace quandor::mac {

/// The descriptor and header of the APE file at `path`; empty when the file
/// cannot be read or is not an APE file.
std::optional<ApeFileInfo> readApeStart(const QString& path);

} // namespace quandor::mac
