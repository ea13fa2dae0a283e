#include "platform/mac/wav_writer.h"

#include "platform/mac/little_endian.h"

#include <algorithm>

namespace quandor::mac {

QByteArray canonicalWavHeader(int sampleRate, int channels, int bitsPerSample, std::uint64_t dataBytes)
{
    const std::uint32_t blockAlign = std::uint32_t(channels * bitsPerSample / 8);
    const std::uint64_t limit = 0xFFFFFFFFull - 36;
    const auto data = std::uint32_t(std::min(dataBytes, limit));
    QByteArray out("RIFF");
    put32(out, 36 + data);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, std::uint16_t(channels));
    put32(out, std::uint32_t(sampleRate));
    put32(out, std::uint32_t(sampleRate) * blockAlign);
    put16(out, std::uint16_t(blockAlign));
    put16(out, std::uint16_t(bitsPerSample));
    out.append("data");
    put32(out, data);
    return out;
}

} // namespace quandor::mac
