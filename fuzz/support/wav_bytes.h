#pragma once
// A PCM WAV file in memory: the 44-byte header and the sample bytes.

#include <QByteArray>
#include <QByteArrayView>

namespace quandor::fuzz {

QByteArray pcmWav(int channels, int bitsPerSample, int sampleRate, QByteArrayView samples);

} // namespace quandor::fuzz
