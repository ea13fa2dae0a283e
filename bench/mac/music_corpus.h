#pragma once
// A generated stand-in for recorded music: chords of decaying harmonic notes
// with vibrato, a bass line, soft noise, and stereo placement.

#include <QByteArray>

namespace quandor::mac::bench {

/// Interleaved 16-bit stereo PCM at `sampleRate`, `seconds` long.
QByteArray musicLikePcm(int sampleRate, double seconds, unsigned seed);

/// A canonical WAV file around 16-bit stereo PCM.
QByteArray wavFile(int sampleRate, const QByteArray& pcm);

} // namespace quandor::mac::bench
