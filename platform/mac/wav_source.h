#pragma once
// Where the PCM of a WAV file lies: the format chunk's layout, the data
// chunk's declared extent (cut to what the file holds and to whole blocks),
// and the bytes around it, kept so an encoder can store them.

#include "platform/mac/frame_encoder.h"
#include "platform/mac/mac_library.h"

#include <QFile>

namespace quandor::mac {

struct WavSource {
    PcmLayout layout;
    int sampleRate = 0;
    qint64 dataOffset = 0; ///< first byte of the samples
    qint64 dataLength = 0; ///< whole blocks only
    qint64 fileSize = 0;
    qint64 blocks() const { return dataLength / layout.blockAlign(); }
};

/// Reads the chunk structure of `file` (open for reading). `Result::InvalidInput`
/// for anything but a RIFF WAVE file with PCM samples, `Result::Unsupported` for
/// PCM this library does not handle (more than 2 channels, 32-bit samples).
Result readWavSource(QFile& file, WavSource& source);

} // namespace quandor::mac
