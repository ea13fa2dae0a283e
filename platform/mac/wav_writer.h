#pragma once
// A canonical 44-byte PCM WAV header.

#include <QByteArray>

#include <cstdint>

namespace quandor::mac {

/// The header of a PCM WAV file holding `dataBytes` of samples. Sizes that do
/// not fit the 32-bit fields are stored as their largest value.
QByteArray canonicalWavHeader(int sampleRate, int channels, int bitsPerSample, std::uint64_t dataBytes);

} // namespace quandor::mac
