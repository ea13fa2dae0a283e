// APE decoding: any file (or APE link file naming a real image) decodes to a
// WAV or fails leaving no output, and its duration and ID3v1 lookup take it.
// Input: the file; one starting with the link-file header is read as a .apl
// beside "disc.ape", a small valid image.

#include "fuzz/support/fuzz_support.h"
#include "fuzz/support/wav_bytes.h"
#include "platform/mac/mac_library.h"

#include <QFile>

using namespace quandor;

namespace {

// disc.ape: one second of a 16-bit stereo ramp, encoded once.
void writeImage(const fuzz::ScratchFolder& folder)
{
    static QByteArray image;
    if (image.isEmpty()) {
        QByteArray samples(44100 * 4, '\0');
        for (qsizetype i = 0; i < samples.size(); ++i)
            samples[i] = char((i * 31 / 4) & 0xFF);
        folder.write(QStringLiteral("disc.wav"), fuzz::pcmWav(2, 16, 44100, samples));
        const mac::Result made =
            mac::CompressFile(folder.file(QStringLiteral("disc.wav")), folder.file(QStringLiteral("disc.ape")),
                              mac::COMPRESSION_LEVEL_FAST, nullptr, {}, nullptr);
        fuzz::check(made == mac::Result::Success, "the link image encodes");
        image = fuzz::readFile(folder.file(QStringLiteral("disc.ape")));
    }
    folder.write(QStringLiteral("disc.ape"), image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    writeImage(folder);
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name =
        bytes.startsWith("[Monkey's Audio Image Link File]") ? QStringLiteral("in.apl") : QStringLiteral("in.ape");
    folder.write(name, bytes);
    const QString input = folder.file(name);

    mac::GetDurationTrack(input);
    QByteArray tag;
    mac::GetID3Tag(input, tag);
    fuzz::check(tag.size() == 128, "the ID3v1 lookup always gives 128 bytes");

    const QString output = folder.file(QStringLiteral("out.wav"));
    const mac::Result result = mac::DecompressFile(input, output, nullptr, {}, nullptr);
    if (result == mac::Result::Success)
        fuzz::check(QFile::exists(output), "a decoded file is there");
    else
        fuzz::check(!QFile::exists(output), "a failed decode leaves no file", mac::describe(result));
    return 0;
}
