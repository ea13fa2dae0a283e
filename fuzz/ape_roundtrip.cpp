// The APE encoder: every PCM WAV it accepts decodes back to that WAV byte for
// byte. Input: "<format byte>\0<bytes>"; format bits 0-1 choose 8, 16 or 24
// bits, bit 2 stereo, bits 3-4 the compression level; with bit 5 set the
// bytes are a whole WAV file (extra chunks and all), else its samples.

#include "fuzz/support/fuzz_support.h"
#include "fuzz/support/wav_bytes.h"
#include "platform/mac/mac_library.h"

#include <QFile>

using namespace quandor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    fuzz::Fields fields(data, size);
    const std::uint8_t format = fields.nextByte();
    const QByteArrayView bytes = fields.rest();

    static constexpr int kBits[] = {8, 16, 24, 16};
    const int level = 1000 * (1 + ((format >> 3) & 3));
    const QByteArray wav = (format & 0x20) ? bytes.toByteArray()
                                           : fuzz::pcmWav(format & 4 ? 2 : 1, kBits[format & 3], 44100, bytes);
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
    fuzz::check(decompressed == mac::Result::Success, "an encoded file decodes",
                mac::describe(decompressed));
    fuzz::check(fuzz::readFile(back) == wav, "the decoded WAV is the encoded one, byte for byte");
    return 0;
}
