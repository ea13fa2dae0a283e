// The APE encoder: every PCM WAV it accepts decodes back to that WAV byte for
// byte. Input: "<format byte>\0<bytes>"; format bits 0-1 choose 8, 16 or 24
// bits, bit 2 stereo, bits 3-4 the compression level; with bit 5 set the
// bytes are a whole WAV file (extra chunks and all), else its samples.
// A WAV whose data chunk does not hold what its size says (cut short, or not
// whole sample frames) is not rebuilt with that header: it comes back with a
// plain 44-byte header over the samples that were there.

#include "fuzz/support/fuzz_support.h"
#include "fuzz/support/wav_bytes.h"
#include "platform/mac/mac_library.h"

#include <QFile>
#include <QtEndian>

using namespace quandor;

namespace {

// A plain 44-byte header whose sizes describe the samples after it, and
// samples that stand in the input as they are.
bool isPlainWavOfInputSamples(const QByteArray& decoded, const QByteArray& input)
{
    if (decoded.size() < 44 || !decoded.startsWith("RIFF") || decoded.mid(36, 4) != "data")
        return false;
    const auto riffSize = qFromLittleEndian<quint32>(decoded.constData() + 4);
    const auto dataSize = qFromLittleEndian<quint32>(decoded.constData() + 40);
    const QByteArray samples = decoded.sliced(44);
    return riffSize == quint32(decoded.size() - 8) && dataSize == quint32(samples.size()) && input.contains(samples);
}

// True when the WAV's first data chunk lies wholly in the file and holds
// whole sample frames of its first format chunk: such a file comes back byte
// for byte, extra chunks and all.
bool dataChunkHoldsWhatItSays(const QByteArray& wav)
{
    quint16 blockAlign = 0;
    qsizetype position = 12;
    while (position + 8 <= wav.size()) {
        const QByteArray id = wav.mid(position, 4);
        const qint64 size = qFromLittleEndian<quint32>(wav.constData() + position + 4);
        const qsizetype body = position + 8;
        if (id == "fmt " && blockAlign == 0 && body + 14 <= wav.size())
            blockAlign = qFromLittleEndian<quint16>(wav.constData() + body + 12);
        if (id == "data")
            return blockAlign != 0 && body + size <= wav.size() && size % blockAlign == 0;
        position = qsizetype(body + size + (size & 1));
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    fuzz::Fields fields(data, size);
    const std::uint8_t format = fields.nextByte();
    const QByteArrayView bytes = fields.rest();

    static constexpr int kBits[] = {8, 16, 24, 16};
    const int level = 1000 * (1 + ((format >> 3) & 3));
    const QByteArray wav =
        (format & 0x20) ? bytes.toByteArray() : fuzz::pcmWav(format & 4 ? 2 : 1, kBits[format & 3], 44100, bytes);
    folder.write(QStringLiteral("in.wav"), wav);

    const QString ape = folder.file(QStringLiteral("out.ape"));
    const mac::Result compressed =
        mac::CompressFile(folder.file(QStringLiteral("in.wav")), ape, level, nullptr, {}, nullptr);
    if (compressed != mac::Result::Success) {
        fuzz::check(!QFile::exists(ape), "a failed encode leaves no file");
        return 0;
    }
    const QString back = folder.file(QStringLiteral("back.wav"));
    const mac::Result decompressed = mac::DecompressFile(ape, back, nullptr, {}, nullptr);
    fuzz::check(decompressed == mac::Result::Success, "an encoded file decodes", mac::describe(decompressed));
    const QByteArray decoded = fuzz::readFile(back);
    if (!(format & 0x20) || dataChunkHoldsWhatItSays(wav))
        fuzz::check(decoded == wav, "the decoded WAV is the encoded one, byte for byte");
    else
        fuzz::check(decoded == wav || isPlainWavOfInputSamples(decoded, wav),
                    "the decoded WAV is the encoded one, or its samples under a plain header");
    return 0;
}
