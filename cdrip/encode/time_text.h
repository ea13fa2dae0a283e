#pragma once
// Small conversions of the CD code: MM:SS:FF texts and two-byte values.

#include <QString>
#include <cstdint>

namespace brenlow {

/// The MM:SS:FF text (75 frames a second) of `frames - base` frames; each
/// part has at least two digits ("00:01:74", "100:00:00"). Negative spans read 0.
QString FramesToMsf(int64_t frames, int64_t base = 0);

/// low + 256 × high, both bytes taken unsigned (a char of -1 stands for 255).
uint16_t BytesToWord(char low, char high);

} // namespace brenlow
