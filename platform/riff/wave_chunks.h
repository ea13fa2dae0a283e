#pragma once
// The chunk structure of RIFF WAVE files and the fields of their "fmt " chunk,
// read the same way by every WAV reader of both programs.

#include <QByteArray>
#include <QIODevice>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace quandor::riff {

constexpr quint16 kFormatPcm = 0x0001;
constexpr quint16 kFormatFloat = 0x0003;
constexpr quint16 kFormatExtensible = 0xFFFE;

/// WAVE_FORMAT_EXTENSIBLE's extension of a "fmt " chunk.
struct FormatExtension {
    int size = 0;             ///< the extension's declared size (22 for this layout)
    int validBits = 0;        ///< valid bits in each sample; 0 when not given
    quint32 channelMask = 0;  ///< speaker positions; 0 when not given
    bool standardGuid = true; ///< the sub-format GUID is a plain format tag in the standard GUID
};

/// The fields of a "fmt " chunk.
struct WaveFormat {
    quint16 tag = 0;       ///< as written: kFormatExtensible for an extensible format
    quint16 subFormat = 0; ///< an extensible format's sub-format tag; 0 otherwise
    int channels = 0;
    quint32 sampleRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    std::optional<FormatExtension> extension; ///< extensible formats whose chunk holds all of it
};

/// The fields of a "fmt " chunk's body; none when it is shorter than the 16 bytes of every format.
std::optional<WaveFormat> parseWaveFormat(const QByteArray& body);

/// A chunk: its four-character id, where its body starts and its declared size.
struct Chunk {
    QByteArray id;
    qint64 body = 0;
    qint64 size = 0;
};

enum class WalkResult {
    Finished, ///< every chunk was visited, or the visitor stopped the walk
    NotWave,  ///< the device does not start as a RIFF WAVE file
    ReadFailed,
};

/// Visits the chunks of the RIFF WAVE data in `device` (from its start) in order,
/// with the device positioned at each chunk's body. `visit` returns false to stop.
/// Chunk sizes are as declared: a visitor checks them against what the device holds.
WalkResult walkWaveChunks(QIODevice& device, const std::function<bool(const Chunk&)>& visit);

} // namespace quandor::riff
