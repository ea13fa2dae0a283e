#pragma once
// The entropy stage of an APE frame: a carry-propagating range coder over a
// 31-bit window, and the adaptive value coder of file version 3.99 (an
// overflow symbol from a fixed table, then the remainder under an adaptive
// pivot). Bytes come out in stream order; the caller stores them as
// little-endian 32-bit words.

#include <cstdint>
#include <vector>

namespace quandor::mac {

class RangeEncoder {
public:
    explicit RangeEncoder(std::vector<std::uint8_t>& out);

    /// Encodes the interval [low, low + size) of a total of 2^shift.
    void encodeShift(std::uint32_t low, std::uint32_t size, int shift);
    /// Encodes the interval [low, low + size) of `total` (total < 2^16 or so).
    void encodeFraction(std::uint32_t low, std::uint32_t size, std::uint32_t total);
    /// Writes out everything the decoder needs to read back the last symbol.
    void finish();

private:
    void normalize();
    void put(std::uint8_t byte) { out_.push_back(byte); }

    std::vector<std::uint8_t>& out_;
    std::uint32_t low_ = 0;
    std::uint32_t range_;
    std::uint8_t buffer_ = 0;     ///< the byte still waiting for a possible carry
    std::uint32_t pendingFF_ = 0; ///< 0xFF bytes behind it that a carry would turn into 0x00
};

/// Adaptive state of one channel's value coder.
struct ValueModel {
    std::uint32_t ksum = (1u << 10) * 16;
};

/// Encodes one signed residual with `model`, then adapts the model.
void encodeValue(RangeEncoder& coder, ValueModel& model, std::int32_t value);

} // namespace quandor::mac
