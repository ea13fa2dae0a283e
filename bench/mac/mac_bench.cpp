// Size and speed of the APE encoder against `flac -5` on a generated
// music-like corpus, on one core. Run by hand; prints one line per level.

#include "bench/common/music_source.h"
#include "platform/mac/mac_library.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 120.0;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// FFmpeg's decoding of `ape` as 16-bit PCM, frame CRCs checked.
QByteArray decodeWithFfmpeg(const QString& ape)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                  QStringLiteral("-err_detect"), QStringLiteral("crccheck+explode"), QStringLiteral("-i"), ape,
                  QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(600000) || ffmpeg.exitCode() != 0)
        return {};
    return ffmpeg.readAllStandardOutput();
}

} // namespace

int main()
{
    using namespace quandor::mac;
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("corpus.wav"));
    const QByteArray pcm = quandor::bench::musicLikePcm(kRate, kSeconds, 7);
    if (!writeFile(wav, quandor::bench::wavHeader(kRate, std::uint32_t(pcm.size())) + pcm)) {
        std::fprintf(stderr, "cannot write the corpus\n");
        return 1;
    }

    const QString flacPath = dir.filePath(QStringLiteral("corpus.flac"));
    QElapsedTimer timer;
    timer.start();
    const int flacExit = QProcess::execute(
        QStringLiteral("flac"),
        {QStringLiteral("-5"), QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"), flacPath, wav});
    const double flacSeconds = timer.elapsed() / 1000.0;
    const qint64 flacSize = QFile(flacPath).size();
    if (flacExit != 0 || flacSize <= 0) {
        std::fprintf(stderr, "flac failed\n");
        return 1;
    }
    std::printf("corpus: %.0f s, 44.1 kHz stereo 16-bit, WAV %lld bytes\n", kSeconds, QFile(wav).size());
    std::printf("flac -5: %lld bytes, %.1fx real time\n", flacSize, kSeconds / flacSeconds);

    qint64 previous = 0;
    for (const int level : {1000, 2000, 3000, 4000}) {
        const QString ape = dir.filePath(QStringLiteral("corpus-%1.ape").arg(level));
        timer.restart();
        const Result result = CompressFile(wav, ape, level, nullptr, {}, nullptr);
        const double seconds = timer.elapsed() / 1000.0;
        const qint64 size = QFile(ape).size();
        if (result != Result::Success) {
            std::fprintf(stderr, "level %d failed: %s\n", level, qPrintable(describe(result)));
            return 1;
        }
        const bool exact = decodeWithFfmpeg(ape) == pcm;
        std::printf("level %d: %lld bytes, %.3f of flac -5, %s previous level, %.1fx real time, %s\n", level, size,
                    double(size) / double(flacSize), previous == 0 || size <= previous ? "<=" : "> (!)",
                    kSeconds / seconds, exact ? "ffmpeg decodes it bit-exactly" : "NOT BIT-EXACT (!)");
        previous = size;
    }
    return 0;
}
