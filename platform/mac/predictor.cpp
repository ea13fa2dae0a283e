#include "platform/mac/predictor.h"

#include <cstring>

namespace quandor::mac {

namespace {

constexpr std::int32_t kInitialCoeffsA[4] = {360, 317, -109, 98};

// Offsets into the shared history window, in blocks.
constexpr int kYDelayA = 18 + 8 * 4;
constexpr int kYDelayB = 18 + 8 * 3;
constexpr int kXDelayA = 18 + 8 * 2;
constexpr int kXDelayB = 18 + 8;
constexpr int kYAdaptA = 18;
constexpr int kXAdaptA = 14;
constexpr int kYAdaptB = 10;
constexpr int kXAdaptB = 5;

/// -1 for positive, 1 for negative, 0 for zero: the sign the adaptation uses.
inline std::int32_t inverseSign(std::int32_t x)
{
    return (x < 0) - (x > 0);
}

// Wrap-around arithmetic, as the decoder does it.
inline std::int32_t add(std::int32_t a, std::int32_t b)
{
    return std::int32_t(std::uint32_t(a) + std::uint32_t(b));
}

inline std::int32_t subtract(std::int32_t a, std::int32_t b)
{
    return std::int32_t(std::uint32_t(a) - std::uint32_t(b));
}

inline std::int32_t leaky(std::int32_t value)
{
    return std::int32_t(std::uint32_t(value) * 31u) >> 5;
}

} // namespace

StereoPredictor::StereoPredictor()
{
    for (auto& channel : coeffsA_)
        for (int i = 0; i < 4; ++i)
            channel[i] = std::uint32_t(kInitialCoeffsA[i]);
}

std::int32_t StereoPredictor::compressOne(std::int32_t target, int channel, const Taps& taps)
{
    std::int32_t* b = history_.data() + position_;

    b[taps.delayA] = lastA_[channel];
    b[taps.adaptA] = inverseSign(b[taps.delayA]);
    b[taps.delayA - 1] = subtract(b[taps.delayA], b[taps.delayA - 1]);
    b[taps.adaptA - 1] = inverseSign(b[taps.delayA - 1]);

    const std::uint32_t* ca = coeffsA_[channel];
    const auto predictionA =
        std::int32_t(std::uint32_t(b[taps.delayA]) * ca[0] + std::uint32_t(b[taps.delayA - 1]) * ca[1]
                     + std::uint32_t(b[taps.delayA - 2]) * ca[2] + std::uint32_t(b[taps.delayA - 3]) * ca[3]);

    // The other channel's latest output, minus a leaky copy of its previous one.
    b[taps.delayB] = subtract(filterA_[channel ^ 1], leaky(filterB_[channel]));
    b[taps.adaptB] = inverseSign(b[taps.delayB]);
    b[taps.delayB - 1] = subtract(b[taps.delayB], b[taps.delayB - 1]);
    b[taps.adaptB - 1] = inverseSign(b[taps.delayB - 1]);
    filterB_[channel] = filterA_[channel ^ 1];

    const std::uint32_t* cb = coeffsB_[channel];
    const auto predictionB =
        std::int32_t(std::uint32_t(b[taps.delayB]) * cb[0] + std::uint32_t(b[taps.delayB - 1]) * cb[1]
                     + std::uint32_t(b[taps.delayB - 2]) * cb[2] + std::uint32_t(b[taps.delayB - 3]) * cb[3]
                     + std::uint32_t(b[taps.delayB - 4]) * cb[4]);

    const std::int32_t prediction = add(predictionA, predictionB >> 1) >> 10;
    const std::int32_t leak = leaky(filterA_[channel]);
    const std::int32_t stored = subtract(subtract(target, prediction), leak);

    lastA_[channel] = add(stored, prediction);
    filterA_[channel] = add(lastA_[channel], leak);

    const auto sign = std::uint32_t(inverseSign(stored));
    std::uint32_t* wa = coeffsA_[channel];
    std::uint32_t* wb = coeffsB_[channel];
    for (int i = 0; i < 4; ++i)
        wa[i] += std::uint32_t(b[taps.adaptA - i]) * sign;
    for (int i = 0; i < 5; ++i)
        wb[i] += std::uint32_t(b[taps.adaptB - i]) * sign;
    return stored;
}

void StereoPredictor::advance()
{
    if (++position_ == kWindow) {
        std::memmove(history_.data(), history_.data() + kWindow, sizeof(history_[0]) * kHistory);
        position_ = 0;
    }
}

void StereoPredictor::compress(std::int32_t& y, std::int32_t& x)
{
    static constexpr Taps kY{kYDelayA, kYDelayB, kYAdaptA, kYAdaptB};
    static constexpr Taps kX{kXDelayA, kXDelayB, kXAdaptA, kXAdaptB};
    y = compressOne(y, 0, kY);
    x = compressOne(x, 1, kX);
    advance();
}

MonoPredictor::MonoPredictor()
{
    for (int i = 0; i < 4; ++i)
        coeffsA_[i] = std::uint32_t(kInitialCoeffsA[i]);
}

std::int32_t MonoPredictor::compress(std::int32_t target)
{
    std::int32_t* b = history_.data() + position_;

    b[kYDelayA] = currentA_;
    b[kYDelayA - 1] = subtract(b[kYDelayA], b[kYDelayA - 1]);
    const auto predictionA =
        std::int32_t(std::uint32_t(b[kYDelayA]) * coeffsA_[0] + std::uint32_t(b[kYDelayA - 1]) * coeffsA_[1]
                     + std::uint32_t(b[kYDelayA - 2]) * coeffsA_[2] + std::uint32_t(b[kYDelayA - 3]) * coeffsA_[3]);

    const std::int32_t leak = leaky(filterA_);
    const std::int32_t nextA = subtract(target, leak);
    const std::int32_t stored = subtract(nextA, predictionA >> 10);

    b[kYAdaptA] = inverseSign(b[kYDelayA]);
    b[kYAdaptA - 1] = inverseSign(b[kYDelayA - 1]);
    const auto sign = std::uint32_t(inverseSign(stored));
    for (int i = 0; i < 4; ++i)
        coeffsA_[i] += std::uint32_t(b[kYAdaptA - i]) * sign;

    if (++position_ == kWindow) {
        std::memmove(history_.data(), history_.data() + kWindow, sizeof(history_[0]) * kHistory);
        position_ = 0;
    }

    filterA_ = add(nextA, leak);
    currentA_ = nextA;
    return stored;
}

} // namespace quandor::mac
