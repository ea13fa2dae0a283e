#pragma once
// Music-like test material for the benchmarks, generated the same way for
// every benchmark: phrases of notes with harmonics and decaying envelopes,
// a bass line, kick and hi-hat, a little room reverb, and silences between
// sections. Streamed block by block, so an hour of it needs no hour of memory.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

namespace quandor::bench {

class MusicSource {
public:
    MusicSource(int sampleRate, unsigned seed);
    ~MusicSource();
    MusicSource(const MusicSource&) = delete;
    MusicSource& operator=(const MusicSource&) = delete;

    /// The next `frames` frames as interleaved 16-bit stereo, little-endian.
    QByteArray next(std::int64_t frames);

private:
    struct State;
    std::unique_ptr<State> state_;
};

/// `seconds` of 16-bit stereo PCM.
QByteArray musicLikePcm(int sampleRate, double seconds, unsigned seed);

/// A canonical 44-byte WAV header for 16-bit stereo PCM of `dataBytes`.
QByteArray wavHeader(int sampleRate, std::uint32_t dataBytes);

/// Writes a 16-bit stereo WAV of `seconds`, streaming; false when it cannot be written.
bool writeMusicWav(const QString& path, double seconds, unsigned seed, int sampleRate = 44100);

} // namespace quandor::bench
