#pragma once
// The adaptive FIR stages of an APE frame (16 to 256 taps of 16-bit
// coefficients, sign-sign adaptation scaled by the recent level). The decoder
// adds the prediction to what it reads; the encoder subtracts it.

#include <cstdint>
#include <vector>

namespace quandor::mac {

class NNFilter {
public:
    NNFilter(int order, int fractionBits);

    /// Turns the value the decoder must produce into the value to store.
    std::int32_t compress(std::int32_t target);
    void compress(std::int32_t* values, int count);

private:
    static constexpr int kWindow = 512;

    int order_;
    int fractionBits_;
    std::uint32_t average_ = 0;
    std::vector<std::int16_t> coefficients_;
    // One buffer holds the adaptation signs followed by the clipped outputs,
    // both as sliding windows `order_` apart, moved back when the end is reached.
    std::vector<std::int16_t> history_;
    int delay_; ///< index of the next output slot
};

} // namespace quandor::mac
