#pragma once
// Encodes one APE frame: the CRC of the frame's PCM bytes, then the
// residuals of every block after channel decorrelation, the fixed predictor
// and the level's adaptive filters, range coded. Each frame starts afresh, so
// frames are independent of each other.

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace quandor::mac {

struct PcmLayout {
    int channels = 2;        ///< 1 or 2
    int bitsPerSample = 16;  ///< 8 (unsigned), 16 or 24 (signed little-endian)
    int blockAlign() const { return channels * bitsPerSample / 8; }
};

/// True when `level` is one this encoder writes (1000, 2000, 3000, 4000).
bool isSupportedLevel(int level);

class FrameEncoder {
public:
    FrameEncoder(const PcmLayout& layout, int level);

    /// The stored bytes of a frame holding the interleaved PCM in `pcm`
    /// (a whole number of blocks, at least one). Its length is a multiple of 4.
    QByteArray encode(const QByteArray& pcm);

private:
    void unpack(const QByteArray& pcm, int blocks);

    PcmLayout layout_;
    int level_;
    std::vector<std::int32_t> first_;   ///< side (stereo) or the only channel
    std::vector<std::int32_t> second_;  ///< mid (stereo)
    std::vector<std::uint8_t> stream_;
};

} // namespace quandor::mac
