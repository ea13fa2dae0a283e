#pragma once
// The WAV header and trailer an APE file keeps from the WAV it was made
// from. When they still describe the decoded samples, writing them around
// the samples gives back the original WAV file byte for byte, its extra
// chunks (LIST, id3, ...) included.

#include "platform/mac/ape_format.h"

#include <QString>

#include <optional>

namespace quandor::mac {

struct StoredWav {
    QByteArray header; ///< everything up to and including the data chunk's size field
    QByteArray tail;   ///< everything after the samples
};

/// The stored parts of the APE file at `path`, described by `info`; empty
/// when there are none, or when they do not fit the samples the file holds.
std::optional<StoredWav> readStoredWav(const QString& path, const ApeFileInfo& info);

} // namespace quandor::mac
