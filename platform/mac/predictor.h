#pragma once
// The fixed-structure adaptive predictor of APE files 3.95 and later: for
// stereo, a 4-tap filter over each channel's own past plus a 5-tap filter
// over the other channel; for mono, the 4-tap filter alone; each followed by
// a first-order integrator. All state is kept in 32 bits with the same
// wrap-around as the decoder keeps it, so the two stay in step exactly.

#include <array>
#include <cstdint>

namespace quandor::mac {

class StereoPredictor {
public:
    StereoPredictor();
    /// Encodes one block: `y` (the side signal) then `x` (the mid signal),
    /// in place, from target values to the values to store.
    void compress(std::int32_t& y, std::int32_t& x);

private:
    struct Taps {
        int delayA, delayB, adaptA, adaptB;
    };
    std::int32_t compressOne(std::int32_t target, int channel, const Taps& taps);
    void advance();

    static constexpr int kWindow = 512;
    static constexpr int kHistory = 50;

    std::array<std::int32_t, kWindow + kHistory> history_{};
    int position_ = 0;
    std::int32_t lastA_[2] = {0, 0};
    std::int32_t filterA_[2] = {0, 0};
    std::int32_t filterB_[2] = {0, 0};
    std::uint32_t coeffsA_[2][4];
    std::uint32_t coeffsB_[2][5] = {};
};

class MonoPredictor {
public:
    MonoPredictor();
    std::int32_t compress(std::int32_t target);

private:
    static constexpr int kWindow = 512;
    static constexpr int kHistory = 50;

    std::array<std::int32_t, kWindow + kHistory> history_{};
    int position_ = 0;
    std::int32_t currentA_ = 0;
    std::int32_t filterA_ = 0;
    std::uint32_t coeffsA_[4];
};

} // namespace quandor::mac
