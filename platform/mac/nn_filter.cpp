#include "platform/mac/nn_filter.h"

#include <algorithm>
#include <cstring>

namespace quandor::mac {

namespace {

/// -1 for positive, 1 for negative, 0 for zero: the sign the adaptation uses.
inline int inverseSign(std::int32_t x)
{
    return (x < 0) - (x > 0);
}

} // namespace

NNFilter::NNFilter(int order, int fractionBits)
    : order_(order),
      fractionBits_(fractionBits),
      coefficients_(order, 0),
      history_(kWindow + 2 * order, 0),
      delay_(2 * order)
{}

std::int32_t NNFilter::compress(std::int32_t target)
{
    std::int16_t* base = history_.data();
    const int adapt = delay_ - order_;

    // The prediction only depends on the past, so it can be formed before the
    // stored value is known; the coefficients adapt with the stored value's sign.
    std::uint32_t sum = 0;
    {
        const std::int16_t* c = coefficients_.data();
        const std::int16_t* d = base + delay_ - order_;
        for (int i = 0; i < order_; ++i)
            sum += std::uint32_t(std::int32_t(c[i]) * std::int32_t(d[i]));
    }
    const std::int64_t rounded =
        (std::int64_t(std::int32_t(sum)) + (std::int64_t(1) << (fractionBits_ - 1))) >> fractionBits_;
    const std::int32_t prediction = std::int32_t(rounded);
    const std::int32_t stored = std::int32_t(std::uint32_t(target) - std::uint32_t(prediction));

    {
        std::int16_t* c = coefficients_.data();
        const std::int16_t* a = base + adapt - order_;
        const std::int16_t step = std::int16_t(inverseSign(stored));
        if (step != 0)
            for (int i = 0; i < order_; ++i)
                c[i] = std::int16_t(c[i] + step * a[i]);
    }

    base[delay_] = std::int16_t(std::clamp<std::int32_t>(target, -32768, 32767));

    const std::uint32_t magnitude = target < 0 ? 0u - std::uint32_t(target) : std::uint32_t(target);
    if (magnitude == 0) {
        base[adapt] = 0;
    } else {
        const int scale =
            (std::int64_t(magnitude) > std::int64_t(average_) * 3) + (magnitude > average_ + average_ / 3);
        base[adapt] = std::int16_t(inverseSign(target) * (8 << scale));
    }
    average_ += std::uint32_t(std::int32_t(magnitude - average_) / 16);
    base[adapt - 1] = std::int16_t(base[adapt - 1] >> 1);
    base[adapt - 2] = std::int16_t(base[adapt - 2] >> 1);
    base[adapt - 8] = std::int16_t(base[adapt - 8] >> 1);

    ++delay_;
    if (delay_ == kWindow + 2 * order_) {
        std::memmove(base, base + delay_ - 2 * order_, sizeof(std::int16_t) * 2 * order_);
        delay_ = 2 * order_;
    }
    return stored;
}

void NNFilter::compress(std::int32_t* values, int count)
{
    for (int i = 0; i < count; ++i)
        values[i] = compress(values[i]);
}

} // namespace quandor::mac
