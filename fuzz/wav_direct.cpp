// The RIFF chunk walker and the direct WAV reader against FFmpeg's decode:
// a WAV the direct reader takes gives what FFmpeg gives (channels, rate,
// length, every 16-bit sample), or the direct reader refuses it and FFmpeg
// reads it instead. The one stated difference: float samples beyond full
// scale, which the direct reader clips where FFmpeg's conversion wraps them.
// Input: the whole WAV file.

#include "fuzz/support/fuzz_support.h"
#include "platform/audio/decoded_source.h"
#include "platform/audio/wav_pcm_source.h"
#include "platform/riff/wave_chunks.h"

#include <QBuffer>
#include <QtEndian>

#include <cmath>
#include <cstring>

using namespace quandor;

namespace {

QByteArray readAll(audio::PcmSource& source, const char* which)
{
    QByteArray pcm;
    QByteArray chunk(64 * 1024, '\0');
    for (;;) {
        QString error;
        const qint64 got = source.read(chunk.data(), chunk.size(), error);
        fuzz::check(got >= 0, "a source decodes to its end", QString::fromLatin1(which) + u' ' + error);
        if (got == 0)
            return pcm;
        pcm.append(chunk.constData(), got);
    }
}

// Where the float samples of the first "data" chunk start, and their size
// in bytes (4 or 8); size 0 when the first "fmt " chunk is not float.
struct FloatData {
    qint64 offset = 0;
    int bytes = 0;
};

FloatData floatDataOf(const QByteArray& wav)
{
    QBuffer buffer;
    buffer.setData(wav);
    buffer.open(QIODevice::ReadOnly);
    FloatData found;
    bool formatSeen = false;
    riff::walkWaveChunks(buffer, [&](const riff::Chunk& chunk) {
        if (chunk.id == "fmt " && !formatSeen) {
            formatSeen = true;
            const auto format = riff::parseWaveFormat(buffer.read(qMin<qint64>(chunk.size, 64)));
            const bool floating = format
                && (format->tag == riff::kFormatFloat
                    || (format->tag == riff::kFormatExtensible && format->subFormat == riff::kFormatFloat));
            found.bytes = floating ? format->bitsPerSample / 8 : 0;
        } else if (chunk.id == "data") {
            found.offset = chunk.body;
            return false;
        }
        return true;
    });
    return found;
}

// The float sample `index` of the data, as a double; NaN when out of the file.
double floatSample(const QByteArray& wav, const FloatData& data, qsizetype index)
{
    const qint64 at = data.offset + index * data.bytes;
    if (data.bytes == 0 || at + data.bytes > wav.size())
        return std::nan("");
    if (data.bytes == 4) {
        const auto raw = qFromLittleEndian<quint32>(wav.constData() + at);
        float x;
        std::memcpy(&x, &raw, 4);
        return x;
    }
    const auto raw = qFromLittleEndian<quint64>(wav.constData() + at);
    double x;
    std::memcpy(&x, &raw, 8);
    return x;
}

// The samples agree, but where a float beyond full scale (or NaN) was
// clipped by the direct reader: to the end of the range on its side, NaN to
// silence.
void compareSamples(const QByteArray& direct, const QByteArray& decoded, const QByteArray& wav)
{
    fuzz::check(direct.size() == decoded.size(), "the same length of PCM",
                QStringLiteral("direct %1, FFmpeg %2").arg(direct.size()).arg(decoded.size()));
    if (direct == decoded)
        return;
    const FloatData data = floatDataOf(wav);
    for (qsizetype i = 0; i + 1 < direct.size(); i += 2) {
        const auto ours = qFromLittleEndian<qint16>(direct.constData() + i);
        const auto theirs = qFromLittleEndian<qint16>(decoded.constData() + i);
        if (ours == theirs)
            continue;
        const double x = floatSample(wav, data, i / 2);
        const qint16 clipped = std::isnan(x) ? 0 : x > 0 ? 32767 : -32768;
        fuzz::check(data.bytes != 0 && !(std::abs(x) <= 1.0) && ours == clipped,
                    "the same samples but for floats beyond full scale, clipped",
                    QStringLiteral("sample %1 (%2): direct %3, FFmpeg %4").arg(i / 2).arg(x).arg(ours).arg(theirs));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    const QByteArray wav(reinterpret_cast<const char*>(data), qsizetype(size));
    folder.write(QStringLiteral("in.wav"), wav);
    const QString path = folder.file(QStringLiteral("in.wav"));

    const std::unique_ptr<audio::WavPcmSource> direct = audio::WavPcmSource::open(path);
    if (!direct)
        return 0; // FFmpeg reads it instead
    QString error;
    const std::unique_ptr<audio::DecodedSource> decoded = audio::DecodedSource::open(path, error);
    fuzz::check(decoded != nullptr, "FFmpeg decodes what the direct reader takes", error);
    fuzz::check(direct->channels() == decoded->channels(), "the same channels");
    fuzz::check(direct->sampleRate() == decoded->sampleRate(), "the same rate");
    fuzz::check(direct->durationMs() == decoded->durationMs(), "the same duration",
                QStringLiteral("direct %1 ms, FFmpeg %2 ms").arg(direct->durationMs()).arg(decoded->durationMs()));
    compareSamples(readAll(*direct, "direct"), readAll(*decoded, "FFmpeg"), wav);
    return 0;
}
