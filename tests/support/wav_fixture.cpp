#include "tests/support/wav_fixture.h"

#include "tests/support/tools.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace quandor::test {
namespace {

void appendSample(QByteArray& out, int bits, double value)
{
    value = std::clamp(value, -1.0, 1.0);
    switch (bits) {
    case 8:
        out.append(static_cast<char>(static_cast<int>(std::lround(value * 127.0)) + 128));
        break;
    case 16: {
        const qint16 s = static_cast<qint16>(std::lround(value * 32767.0));
        char b[2];
        qToLittleEndian(s, b);
        out.append(b, 2);
        break;
    }
    case 24: {
        const qint32 s = static_cast<qint32>(std::lround(value * 8388607.0));
        out.append(static_cast<char>(s & 0xFF));
        out.append(static_cast<char>((s >> 8) & 0xFF));
        out.append(static_cast<char>((s >> 16) & 0xFF));
        break;
    }
    default: {
        const qint32 s = static_cast<qint32>(std::llround(value * 2147483647.0));
        char b[4];
        qToLittleEndian(s, b);
        out.append(b, 4);
        break;
    }
    }
}

void appendLe32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void appendLe16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

} // namespace

QByteArray makePcm(const PcmFormat& format, qint64 frames, unsigned seed)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(frames * format.channels * (format.bits / 8)));
    quint32 noise = 0x12345678u ^ seed;
    const double base = 220.0 * (1.0 + (seed % 7) / 7.0);
    for (qint64 i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / format.sampleRate;
        for (int c = 0; c < format.channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.02;
            const double tone = 0.45 * std::sin(2 * std::numbers::pi * base * (c + 1) * t)
                + 0.2 * std::sin(2 * std::numbers::pi * base * 2.5 * t + c);
            appendSample(out, format.bits, tone + n);
        }
    }
    return out;
}

QByteArray makeMusicPcm(const PcmFormat& format, qint64 frames, unsigned seed)
{
    constexpr double kBeat = 0.25; // seconds per note
    static const int melody[] = {0, 4, 7, 12, 11, 7, 4, 2, 5, 9, 12, 14, 12, 9, 5, 4};
    static const int bass[] = {-24, -24, -17, -17, -19, -19, -12, -12};
    const auto note = [](int semitones) { return 440.0 * std::pow(2.0, semitones / 12.0); };
    QByteArray out;
    out.reserve(static_cast<qsizetype>(frames * format.channels * (format.bits / 8)));
    quint32 noise = 0x9E3779B9u ^ seed;
    for (qint64 i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / format.sampleRate;
        const auto beat = static_cast<qint64>(t / kBeat);
        const double inBeat = t - static_cast<double>(beat) * kBeat;
        const double envelope = std::min(1.0, inBeat / 0.01) * std::exp(-inBeat * 6.0);
        const double lead = note(melody[(beat + seed) % 16] - 3);
        const double low = note(bass[(beat / 2) % 8]);
        double voice = 0;
        for (int h = 1; h <= 8; ++h) // a bright, reed-like spectrum
            voice += std::sin(2 * std::numbers::pi * lead * h * t) / h;
        double bassVoice = 0;
        for (int h = 1; h <= 4; ++h)
            bassVoice += std::sin(2 * std::numbers::pi * low * h * t) / (h * h);
        const double hat = std::exp(-inBeat * 60.0);
        for (int c = 0; c < format.channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double n = static_cast<double>(noise >> 8) / 16777216.0 - 0.5;
            const double pan = format.channels == 1 ? 1.0 : (c == 0 ? 1.2 : 0.8);
            const double value =
                0.15 * envelope * voice * pan + 0.2 * bassVoice * (2.0 - pan) + 0.25 * hat * n + 0.01 * n;
            appendSample(out, format.bits, value);
        }
    }
    return out;
}

QByteArray makeWav(const PcmFormat& format, const QByteArray& pcm)
{
    const int blockAlign = format.channels * (format.bits / 8);
    QByteArray out("RIFF");
    appendLe32(out, static_cast<quint32>(36 + pcm.size()));
    out.append("WAVEfmt ");
    appendLe32(out, 16);
    appendLe16(out, 1);
    appendLe16(out, static_cast<quint16>(format.channels));
    appendLe32(out, static_cast<quint32>(format.sampleRate));
    appendLe32(out, static_cast<quint32>(format.sampleRate * blockAlign));
    appendLe16(out, static_cast<quint16>(blockAlign));
    appendLe16(out, static_cast<quint16>(format.bits));
    out.append("data");
    appendLe32(out, static_cast<quint32>(pcm.size()));
    out.append(pcm);
    return out;
}

bool writeWavFile(const QString& path, const PcmFormat& format, double seconds, unsigned seed)
{
    const auto frames = static_cast<qint64>(std::llround(seconds * format.sampleRate));
    return writeAll(path, makeWav(format, makePcm(format, frames, seed)));
}

bool writeMusicWavFile(const QString& path, const PcmFormat& format, double seconds, unsigned seed)
{
    const auto frames = static_cast<qint64>(std::llround(seconds * format.sampleRate));
    return writeAll(path, makeWav(format, makeMusicPcm(format, frames, seed)));
}

} // namespace quandor::test
