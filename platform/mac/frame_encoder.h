#pragma once
// Encodes one APE frame: the CRC of the frame's PCM bytes, then the
// residuals of every block after channel decorrelation, the fixed predictor
// and the level's adaptive filters, range coded. Each frame starts afresh, so
// frames are independent of each other. A frame is fed in pieces, so a caller
// can report progress and look at its stop flag while a long frame is encoded.

#include "platform/mac/nn_filter.h"
#include "platform/mac/predictor.h"
#include "platform/mac/range_encoder.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

namespace quandor::mac {

struct PcmLayout {
    int channels = 2;       ///< 1 or 2
    int bitsPerSample = 16; ///< 8 (unsigned), 16 or 24 (signed little-endian)
    int blockAlign() const { return channels * bitsPerSample / 8; }
};

/// True when `level` is one this encoder writes (1000, 2000, 3000, 4000).
bool isSupportedLevel(int level);

class FrameEncoder {
public:
    FrameEncoder(const PcmLayout& layout, int level);

    /// Starts a new frame.
    void begin();
    /// Adds interleaved PCM (a whole number of blocks) to the frame.
    void add(const QByteArray& pcm);
    /// The stored bytes of the frame; its length is a multiple of 4.
    QByteArray finish();

    /// A whole frame in one call.
    QByteArray encode(const QByteArray& pcm);

private:
    void unpack(const QByteArray& pcm, int blocks);

    PcmLayout layout_;
    int level_;
    std::vector<std::int32_t> first_;  ///< side (stereo) or the only channel
    std::vector<std::int32_t> second_; ///< mid (stereo)
    std::vector<std::uint8_t> stream_;
    std::uint32_t crc_ = 0;
    std::unique_ptr<StereoPredictor> stereo_;
    std::unique_ptr<MonoPredictor> mono_;
    std::vector<NNFilter> firstFilters_; ///< last stage first: the order the encoder runs them
    std::vector<NNFilter> secondFilters_;
    std::unique_ptr<RangeEncoder> coder_;
    ValueModel firstModel_;
    ValueModel secondModel_;
};

} // namespace quandor::mac
