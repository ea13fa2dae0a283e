#include "fuzz/support/wav_bytes.h"

#include <QtEndian>
#include <cstdint>

namespace quandor::fuzz {
namespace {

void put32(QByteArray& bytes, std::uint32_t value)
{
    char le[4];
    qToLittleEndian(value, le);
    bytes.append(le, 4);
}

void put16(QByteArray& bytes, std::uint16_t value)
{
    char le[2];
    qToLittleEndian(value, le);
    bytes.append(le, 2);
}

} // namespace

QByteArray pcmWav(int channels, int bitsPerSample, int sampleRate, QByteArrayView samples)
{
    const int blockAlign = channels * bitsPerSample / 8;
    const auto dataSize = static_cast<std::uint32_t>(samples.size() - samples.size() % blockAlign);
    QByteArray wav("RIFF");
    put32(wav, 36 + dataSize);
    wav.append("WAVEfmt ");
    put32(wav, 16);
    put16(wav, 1);
    put16(wav, std::uint16_t(channels));
    put32(wav, std::uint32_t(sampleRate));
    put32(wav, std::uint32_t(sampleRate * blockAlign));
    put16(wav, std::uint16_t(blockAlign));
    put16(wav, std::uint16_t(bitsPerSample));
    wav.append("data");
    put32(wav, dataSize);
    wav.append(samples.first(dataSize));
    return wav;
}

} // namespace quandor::fuzz
