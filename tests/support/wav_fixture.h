#pragma once
// Generated PCM fixtures: deterministic music-like signals (tones, a little
// noise) as raw interleaved samples or as a WAV file.

#include <QByteArray>
#include <QString>

namespace quandor::test {

struct PcmFormat {
    int sampleRate = 44100;
    int channels = 2;
    int bits = 16; ///< 8 (unsigned), 16, 24 or 32 (signed little-endian)
};

/// `frames` sample frames of a deterministic signal in `format`; `seed` varies it.
QByteArray makePcm(const PcmFormat& format, qint64 frames, unsigned seed = 1);

/// `frames` of a music-like signal: a melody and a bass line of notes rich in
/// harmonics, each under an attack/decay envelope, with noise bursts on the
/// beat. Encoders spend bits on it as on real music (a steady tone would let
/// a variable bit rate fall to its floor).
QByteArray makeMusicPcm(const PcmFormat& format, qint64 frames, unsigned seed = 1);

/// A canonical 44-byte-header WAV file around `pcm`.
QByteArray makeWav(const PcmFormat& format, const QByteArray& pcm);

/// Writes a WAV of `seconds` of the signal; false when the file cannot be written.
bool writeWavFile(const QString& path, const PcmFormat& format, double seconds, unsigned seed = 1);
/// The same with the music-like signal.
bool writeMusicWavFile(const QString& path, const PcmFormat& format, double seconds, unsigned seed = 1);

} // namespace quandor::test
