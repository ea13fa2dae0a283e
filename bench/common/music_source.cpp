#include "bench/common/music_source.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

namespace quandor::bench {

namespace {

constexpr int kTableSize = 4096;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// One cycle of a tone with harmonics falling off as 1/h^rolloff.
std::vector<float> harmonicTable(int harmonics, double rolloff)
{
    std::vector<float> table(kTableSize + 1);
    for (int i = 0; i <= kTableSize; ++i) {
        double v = 0;
        for (int h = 1; h <= harmonics; ++h)
            v += std::sin(kTwoPi * h * i / kTableSize) / std::pow(h, rolloff);
        table[std::size_t(i)] = float(v);
    }
    return table;
}

struct Voice {
    const std::vector<float>* table = nullptr;
    double phase = 0, step = 0; // in table entries
    double level = 0, attack = 0, decay = 1;
    double gain = 0, left = 0, right = 0;
    std::int64_t remaining = 0;
};

} // namespace

struct MusicSource::State {
    int rate;
    std::mt19937 random;
    std::vector<float> piano = harmonicTable(8, 1.6), organ = harmonicTable(4, 1.0), bass = harmonicTable(3, 2.0);
    std::vector<Voice> voices;
    std::int64_t frame = 0, nextEvent = 0, sectionEnd = 0, silenceEnd = 0;
    double tempoFrames = 0;
    int beat = 0, root = 0;
    double kick = 0, kickPhase = 0, hat = 0;
    std::uint32_t noise = 1;
    std::vector<float> combL, combR;
    std::size_t combAt = 0;

    State(int sampleRate, unsigned seed) : rate(sampleRate), random(seed)
    {
        combL.assign(std::size_t(rate * 0.0297), 0.f);
        combR.assign(std::size_t(rate * 0.0371), 0.f);
        startSection();
    }

    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(random); }

    void startSection()
    {
        tempoFrames = rate * (0.18 + 0.14 * unit()); // an eighth note
        root = int(unit() * 7);
        sectionEnd = frame + std::int64_t(rate * (20 + 25 * unit()));
        nextEvent = frame;
    }

    void addVoice(const std::vector<float>& table, double frequency, double gain, double pan, double seconds,
                  double decayPerSecond)
    {
        Voice v;
        v.table = &table;
        v.step = frequency * kTableSize / rate;
        v.phase = unit() * kTableSize;
        v.gain = gain;
        v.left = std::sqrt(1.0 - pan);
        v.right = std::sqrt(pan);
        v.attack = 1.0 / (0.004 * rate);
        v.decay = std::exp(-decayPerSecond / rate);
        v.remaining = std::int64_t(seconds * rate);
        voices.push_back(v);
    }

    void beatEvents()
    {
        static constexpr int kScale[] = {0, 2, 4, 5, 7, 9, 11};
        const auto note = [&](int degree, int octave) {
            const int d = (degree % 7 + 7) % 7;
            return 110.0 * std::pow(2.0, (kScale[d] + 12 * (octave + degree / 7) + root) / 12.0);
        };
        if (beat % 2 == 0 && unit() < 0.8)
            addVoice(piano, note(int(unit() * 10), 1 + int(unit() * 2)), 0.10 + 0.08 * unit(), unit(), 1.6, 2.5);
        if (beat % 8 == 0) {
            const int chord = int(unit() * 7);
            for (int i : {0, 2, 4})
                addVoice(organ, note(chord + i, 1), 0.05, 0.3 + 0.4 * unit(), tempoFrames * 8 / rate, 0.4);
        }
        if (beat % 4 == 0)
            addVoice(bass, note(root % 7, 0) / 2, 0.22, 0.5, tempoFrames * 3 / rate, 3.0);
        if (beat % 4 == 0)
            kick = 1.0, kickPhase = 0;
        if (beat % 2 == 1)
            hat = 0.6;
        ++beat;
    }

    std::array<double, 2> sample()
    {
        double l = 0, r = 0;
        for (Voice& v : voices) {
            const int i = int(v.phase);
            const double frac = v.phase - i;
            const std::vector<float>& t = *v.table;
            const double s = (t[std::size_t(i)] + frac * (t[std::size_t(i) + 1] - t[std::size_t(i)])) * v.gain;
            v.phase += v.step;
            if (v.phase >= kTableSize)
                v.phase -= kTableSize;
            v.level = v.level < 1.0 && v.attack > 0 ? std::min(1.0, v.level + v.attack) : v.level * v.decay;
            if (v.level >= 1.0)
                v.attack = 0;
            const double out = s * v.level;
            l += out * v.left;
            r += out * v.right;
            --v.remaining;
        }
        std::erase_if(voices, [](const Voice& v) { return v.remaining <= 0; });

        noise = noise * 1664525u + 1013904223u;
        const double white = double(noise >> 8) / double(1u << 24) - 0.5;
        const double drums = 0.5 * kick * std::sin(kickPhase) + 0.08 * hat * white;
        kickPhase += kTwoPi * (45.0 + 90.0 * kick) / rate;
        kick *= 1.0 - 12.0 / rate;
        hat *= 1.0 - 60.0 / rate;
        l += drums;
        r += drums;

        // A small room: two feedback combs, one per side.
        float& cl = combL[combAt % combL.size()];
        float& cr = combR[combAt % combR.size()];
        const double wetL = cl, wetR = cr;
        cl = float(l + 0.55 * wetR);
        cr = float(r + 0.55 * wetL);
        ++combAt;
        return {l + 0.3 * wetL + 0.002 * white, r + 0.3 * wetR - 0.002 * white};
    }

    void render(qint16* out, std::int64_t frames)
    {
        for (std::int64_t n = 0; n < frames; ++n, ++frame) {
            if (frame >= sectionEnd && silenceEnd <= frame) {
                // A pause between sections: true digital silence, then a new section.
                silenceEnd = frame + std::int64_t(rate * (0.8 + 1.5 * unit()));
                voices.clear();
                kick = hat = 0;
                std::fill(combL.begin(), combL.end(), 0.f);
                std::fill(combR.begin(), combR.end(), 0.f);
            }
            if (frame < silenceEnd) {
                out[2 * n] = out[2 * n + 1] = 0;
                if (frame + 1 == silenceEnd)
                    startSection();
                continue;
            }
            if (frame >= nextEvent) {
                beatEvents();
                nextEvent = frame + std::int64_t(tempoFrames);
            }
            const auto [l, r] = sample();
            out[2 * n] = qToLittleEndian(qint16(std::clamp(std::lround(l * 32767.0), -32768L, 32767L)));
            out[2 * n + 1] = qToLittleEndian(qint16(std::clamp(std::lround(r * 32767.0), -32768L, 32767L)));
        }
    }
};

MusicSource::MusicSource(int sampleRate, unsigned seed) : state_(std::make_unique<State>(sampleRate, seed)) {}
MusicSource::~MusicSource() = default;

QByteArray MusicSource::next(std::int64_t frames)
{
    QByteArray pcm(qsizetype(frames * 4), Qt::Uninitialized);
    state_->render(reinterpret_cast<qint16*>(pcm.data()), frames);
    return pcm;
}

QByteArray musicLikePcm(int sampleRate, double seconds, unsigned seed)
{
    return MusicSource(sampleRate, seed).next(std::int64_t(seconds * sampleRate));
}

QByteArray wavHeader(int sampleRate, std::uint32_t dataBytes)
{
    QByteArray h(44, '\0');
    char* p = h.data();
    std::memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataBytes, p + 4);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(2, p + 22);
    qToLittleEndian<quint32>(quint32(sampleRate), p + 24);
    qToLittleEndian<quint32>(quint32(sampleRate) * 4, p + 28);
    qToLittleEndian<quint16>(4, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    std::memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(dataBytes, p + 40);
    return h;
}

bool writeMusicWav(const QString& path, double seconds, unsigned seed, int sampleRate)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto frames = std::int64_t(seconds * sampleRate);
    if (file.write(wavHeader(sampleRate, std::uint32_t(frames * 4))) != 44)
        return false;
    MusicSource source(sampleRate, seed);
    for (std::int64_t done = 0; done < frames;) {
        const std::int64_t block = std::min<std::int64_t>(sampleRate, frames - done);
        const QByteArray pcm = source.next(block);
        if (file.write(pcm) != pcm.size())
            return false;
        done += block;
    }
    return file.flush();
}

} // namespace quandor::bench
