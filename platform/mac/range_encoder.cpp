#include "platform/mac/range_encoder.h"

namespace quandor::mac {

namespace {

constexpr std::uint32_t kTop = 1u << 31;
constexpr std::uint32_t kBottom = kTop >> 8;
constexpr int kShiftBits = 23;

// Cumulative frequencies (of 65536) of the overflow symbols 0..20.
constexpr std::uint32_t kOverflowStart[22] = {
    0,     19578, 36160, 48417, 56323, 60899, 63265, 64435, 64971, 65232, 65351,
    65416, 65447, 65466, 65476, 65482, 65485, 65488, 65490, 65491, 65492, 65493,
};
constexpr std::uint32_t kOverflowSymbols = 21;
constexpr std::uint32_t kEscape = 65535; ///< followed by the overflow as two 16-bit fields

} // namespace

RangeEncoder::RangeEncoder(std::vector<std::uint8_t>& out) : out_(out), range_(kTop) {}

void RangeEncoder::normalize()
{
    while (range_ <= kBottom) {
        if (low_ < (0xFFu << kShiftBits)) {
            put(buffer_);
            for (; pendingFF_; --pendingFF_)
                put(0xFF);
            buffer_ = std::uint8_t(low_ >> kShiftBits);
        } else if (low_ & kTop) {
            put(std::uint8_t(buffer_ + 1));
            for (; pendingFF_; --pendingFF_)
                put(0x00);
            buffer_ = std::uint8_t(low_ >> kShiftBits);
        } else {
            ++pendingFF_;
        }
        range_ <<= 8;
        low_ = (low_ << 8) & (kTop - 1);
    }
}

void RangeEncoder::encodeShift(std::uint32_t low, std::uint32_t size, int shift)
{
    normalize();
    const std::uint32_t step = range_ >> shift;
    low_ += step * low;
    range_ = step * size;
}

void RangeEncoder::encodeFraction(std::uint32_t low, std::uint32_t size, std::uint32_t total)
{
    normalize();
    const std::uint32_t step = range_ / total;
    low_ += step * low;
    range_ = step * size;
}

void RangeEncoder::finish()
{
    const bool carry = low_ & kTop;
    put(std::uint8_t(buffer_ + (carry ? 1 : 0)));
    for (; pendingFF_; --pendingFF_)
        put(carry ? 0x00 : 0xFF);
    const std::uint32_t window = low_ & (kTop - 1);
    put(std::uint8_t(window >> 23));
    put(std::uint8_t(window >> 15));
    put(std::uint8_t(window >> 7));
    put(std::uint8_t(window << 1));
}

void encodeValue(RangeEncoder& coder, ValueModel& model, std::int32_t value)
{
    // Positive values map to odd codes, zero and negative values to even ones.
    const std::uint32_t code = value > 0 ? 2u * std::uint32_t(value) - 1u : 0u - 2u * std::uint32_t(value);

    std::uint32_t pivot = model.ksum >> 5;
    if (pivot == 0)
        pivot = 1;
    const std::uint32_t overflow = code / pivot;
    const std::uint32_t base = code % pivot;

    if (overflow < kOverflowSymbols) {
        coder.encodeShift(kOverflowStart[overflow], kOverflowStart[overflow + 1] - kOverflowStart[overflow], 16);
    } else {
        coder.encodeShift(kEscape, 1, 16);
        coder.encodeShift(overflow >> 16, 1, 16);
        coder.encodeShift(overflow & 0xFFFF, 1, 16);
    }

    if (pivot < 0x10000) {
        coder.encodeFraction(base, 1, pivot);
    } else {
        int bits = 0;
        while ((pivot >> bits) & ~0xFFFFu)
            ++bits;
        coder.encodeFraction(base >> bits, 1, (pivot >> bits) + 1);
        coder.encodeFraction(base & ((1u << bits) - 1), 1, 1u << bits);
    }

    model.ksum += (code + 1) / 2 - ((model.ksum + 16) >> 5);
}

} // namespace quandor::mac
