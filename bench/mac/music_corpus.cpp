#include "bench/mac/music_corpus.h"

#include "platform/mac/wav_writer.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace quandor::mac::bench {

namespace {

struct Note {
    double start;
    double frequency;
    double pan;      ///< 0 left .. 1 right
    double loudness;
};

std::vector<Note> compose(double seconds, std::mt19937& random)
{
    static constexpr int kScale[] = {0, 2, 4, 5, 7, 9, 11};
    std::uniform_int_distribution<int> degree(0, 6);
    std::uniform_int_distribution<int> octave(0, 2);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Note> notes;
    for (double t = 0; t < seconds; t += 0.25 + 0.25 * unit(random)) {
        const int voices = 1 + int(unit(random) * 3);
        for (int v = 0; v < voices; ++v) {
            const int semitone = kScale[degree(random)] + 12 * octave(random);
            notes.push_back({t, 220.0 * std::pow(2.0, semitone / 12.0), unit(random), 0.08 + 0.12 * unit(random)});
        }
        if (unit(random) < 0.5)
            notes.push_back({t, 55.0 * std::pow(2.0, kScale[degree(random)] / 12.0), 0.5, 0.25});
    }
    return notes;
}

} // namespace

QByteArray musicLikePcm(int sampleRate, double seconds, unsigned seed)
{
    std::mt19937 random(seed);
    const auto frames = qint64(seconds * sampleRate);
    std::vector<double> left(std::size_t(frames), 0.0), right(std::size_t(frames), 0.0);
    for (const Note& note : compose(seconds, random)) {
        const qint64 first = qint64(note.start * sampleRate);
        const qint64 last = std::min(frames, first + qint64(2.5 * sampleRate));
        for (qint64 i = first; i < last; ++i) {
            const double t = double(i - first) / sampleRate;
            const double envelope = std::min(1.0, t * 200.0) * std::exp(-2.2 * t);
            const double phase = 2 * std::numbers::pi * note.frequency * t + 0.02 * std::sin(2 * std::numbers::pi * 5.0 * t);
            double tone = 0;
            for (int h = 1; h <= 6; ++h)
                tone += std::sin(h * phase) / (h * h);
            const double s = note.loudness * envelope * tone;
            left[std::size_t(i)] += s * (1.0 - note.pan);
            right[std::size_t(i)] += s * note.pan;
        }
    }
    std::normal_distribution<double> hiss(0.0, 0.0015);
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    for (qint64 i = 0; i < frames; ++i) {
        const auto l = qint16(std::clamp(std::lround((left[std::size_t(i)] + hiss(random)) * 32767.0), -32768L, 32767L));
        const auto r = qint16(std::clamp(std::lround((right[std::size_t(i)] + hiss(random)) * 32767.0), -32768L, 32767L));
        qToLittleEndian(l, pcm.data() + i * 4);
        qToLittleEndian(r, pcm.data() + i * 4 + 2);
    }
    return pcm;
}

QByteArray wavFile(int sampleRate, const QByteArray& pcm)
{
    return canonicalWavHeader(sampleRate, 2, 16, std::uint64_t(pcm.size())) + pcm;
}

} // namespace quandor::mac::bench
