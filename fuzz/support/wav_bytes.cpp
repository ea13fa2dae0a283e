#include "fuzz/support/wav_bytes.h"

#include "platform/mac/wav_writer.h"

#include <cstdint>

namespace quandor::fuzz {

QByteArray pcmWav(int channels, int bitsPerSample, int sampleRate, QByteArrayView samples)
{
    // Whole sample frames only, under the same canonical header the APE library writes.
    const int blockAlign = channels * bitsPerSample / 8;
    const auto dataSize = static_cast<std::uint32_t>(samples.size() - samples.size() % blockAlign);
    QByteArray wav = mac::canonicalWavHeader(sampleRate, channels, bitsPerSample, dataSize);
    wav.append(samples.first(dataSize));
    return wav;
}

} // namespace quandor::fuzz
