#include "tests/platform/mac/ape_test_support.h"

#include "platform/mac/ape_file_start.h"
#include "tests/support/tools.h"

#include <QtEndian>

#include <cmath>
#include <numbers>

namespace quandor::mac::test {

namespace {

void appendSample(QByteArray& out, int bits, qint32 value)
{
    if (bits == 8) {
        out.append(char(value + 128));
        return;
    }
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
    if (bits == 24)
        out.append(char((value >> 16) & 0xFF));
}

} // namespace

QByteArray hardSignal(const PcmFormat& format, qint64 frames)
{
    const qint32 full = (1 << (format.bits - 1)) - 1;
    QByteArray out;
    out.reserve(frames * format.channels * format.bits / 8);
    std::uint32_t noise = 12345;
    auto nextNoise = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return double(noise >> 8) / double(1u << 24) * 2.0 - 1.0;
    };
    const qint64 segment = std::max<qint64>(frames / 4, 1);
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / format.sampleRate;
        for (int ch = 0; ch < format.channels; ++ch) {
            double value = 0.0;
            switch ((i / segment) % 4) {
            case 0:
                value = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * (ch + 1) * t) + 0.02 * nextNoise();
                break;
            case 1:
                value = 0.0;
                break;
            case 2:
                value = ((i / 37) % 2) ? 1.0 : -1.0;
                break;
            default:
                value = nextNoise();
                break;
            }
            const auto sample = qint32(std::clamp<double>(std::lround(value * full), -full - 1, full));
            appendSample(out, format.bits, sample);
        }
    }
    return out;
}

bool writeWav(const QString& path, const PcmFormat& format, const QByteArray& pcm, const QByteArray& afterData)
{
    QByteArray wav = quandor::test::makeWav(format, pcm);
    if (pcm.size() % 2)
        wav.append('\0');
    wav.append(afterData);
    // The RIFF size covers whatever follows the data chunk.
    qToLittleEndian<quint32>(quint32(wav.size() - 8), wav.data() + 4);
    return quandor::test::writeAll(path, wav);
}

QByteArray wavData(const QString& path)
{
    const QByteArray wav = quandor::test::readAll(path);
    qsizetype position = 12;
    while (position + 8 <= wav.size()) {
        const quint32 size = qFromLittleEndian<quint32>(wav.constData() + position + 4);
        if (wav.mid(position, 4) == "data")
            return wav.mid(position + 8, size);
        position += 8 + size + (size & 1);
    }
    return {};
}

QByteArray ffmpegDecode(const QString& path, int bits, bool* ok)
{
    const QString format = bits == 8 ? QStringLiteral("u8")
        : bits == 16                 ? QStringLiteral("s16le")
                                     : QStringLiteral("s24le");
    const auto result =
        quandor::test::runTool(QStringLiteral("ffmpeg"),
                               {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                                QStringLiteral("-err_detect"), QStringLiteral("crccheck+explode"), QStringLiteral("-i"),
                                path, QStringLiteral("-f"), format, QStringLiteral("-")});
    *ok = result.exitCode == 0 && result.err.trimmed().isEmpty();
    return *ok ? result.out : QByteArray();
}

int storedLevel(const QString& path)
{
    const auto info = readApeStart(path);
    return info ? info->compressionLevel : -1;
}

} // namespace quandor::mac::test
