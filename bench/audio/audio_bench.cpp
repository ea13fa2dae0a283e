// The converter's reader/writer against the reference command-line tools,
// whole process against whole process on the same generated music: this
// program started again as a child converts one file (the pump the converter
// runs, one second of PCM at a time), the reference tool converts the same
// file. They take turns (A B A B); the medians of wall and CPU time count.
// Then the peak memory of a child converting a 60-minute source.
//
// Usage: audio_bench [minutes for the timing runs, default 5] [rounds, default 5]
//        audio_bench --convert mp3|ogg|wav SOURCE TARGET    (the child)
// Build it without sanitizers (the default preset) for meaningful numbers.

#include "bench/common/music_source.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using quandor::audio::AudioFileReader;
using quandor::audio::AudioFileWriter;

namespace {

/// The pump the converter runs: one second of PCM at a time.
int convert(const QString& format, const QString& source, const QString& target)
{
    AudioFileWriter writer;
    if (format == QLatin1String("mp3"))
        writer.SetFormatMP3(44100, 128, 2);
    else if (format == QLatin1String("ogg"))
        writer.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400);
    else
        writer.SetFormatPCM(44100, 2, 16);
    AudioFileReader reader;
    if (!reader.Open(source))
        return 1;
    if (!writer.SetSourceFormat(reader.FormatNumberB(), reader.FormatNumberA()) || !writer.Open(target))
        return 1;
    const int chunk = reader.FormatNumberA() * reader.FormatNumberB();
    for (QByteArray bytes; !(bytes = reader.ReadChunk(chunk)).isEmpty();)
        if (!writer.WriteChunk(bytes))
            return 1;
    if (!writer.Close())
        return 1;
    // The child's peak memory, for the long-source check.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                std::printf("%s\n", line.constData());
    }
    return 0;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
    QByteArray output;
};

double childCpu()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Timing run(const QString& program, const QStringList& args)
{
    const double cpu = childCpu();
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
    return {double(timer.nsecsElapsed()) / 1e9, childCpu() - cpu, p.readAllStandardOutput()};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void compare(const char* what, int rounds, const std::function<Timing()>& ours,
             const std::function<Timing()>& reference)
{
    std::vector<double> ow, oc, rw, rc;
    for (int i = 0; i < rounds; ++i) {
        const Timing r = reference();
        const Timing o = ours();
        rw.push_back(r.wall), rc.push_back(r.cpu), ow.push_back(o.wall), oc.push_back(o.cpu);
    }
    std::printf("%-28s ours %6.2f s (cpu %6.2f)  reference %6.2f s (cpu %6.2f)  wall %.3fx  cpu %.3fx\n", what,
                median(ow), median(oc), median(rw), median(rc), median(ow) / median(rw), median(oc) / median(rc));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--convert"))
        return convert(args[2], args[3], args[4]);

    const int minutes = args.size() > 1 ? std::max(1, args[1].toInt()) : 5;
    const int rounds = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("source.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("source.mp3"));
    quandor::bench::writeMusicWav(wav, minutes * 60.0, 1);
    run(QStringLiteral("lame"), {QStringLiteral("--silent"), QStringLiteral("-b"), QStringLiteral("128"), wav, mp3});
    std::printf("source: %d minutes of music-like audio, 44100 Hz stereo; %d rounds, medians\n", minutes, rounds);

    const QString folder = dir.path();
    const auto ours = [&](const char* format, const QString& source, const char* target) {
        const QString out = folder + QLatin1Char('/') + QLatin1String(target);
        return [=] { return run(self, {QStringLiteral("--convert"), QLatin1String(format), source, out}); };
    };
    compare("WAV->MP3 CBR 128 / lame", rounds, ours("mp3", wav, "ours.mp3"), [&] {
        return run(QStringLiteral("lame"),
                   {QStringLiteral("--silent"), QStringLiteral("-b"), QStringLiteral("128"), wav,
                    dir.filePath(QStringLiteral("ref.mp3"))});
    });
    compare("WAV->Ogg q0.4 / oggenc -q 4", rounds, ours("ogg", wav, "ours.ogg"), [&] {
        return run(QStringLiteral("oggenc"),
                   {QStringLiteral("-Q"), QStringLiteral("-q"), QStringLiteral("4"), QStringLiteral("-o"),
                    dir.filePath(QStringLiteral("ref.ogg")), wav});
    });
    compare("MP3->WAV / ffmpeg", rounds, ours("wav", mp3, "ours.wav"), [&] {
        return run(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin"),
                    QStringLiteral("-threads"), QStringLiteral("1"), QStringLiteral("-y"), QStringLiteral("-i"), mp3,
                    dir.filePath(QStringLiteral("ref.wav"))});
    });

    // Memory on a 60-minute source: WAV -> MP3 in a child of its own.
    const QString longWav = dir.filePath(QStringLiteral("long.wav"));
    quandor::bench::writeMusicWav(longWav, 3600.0, 2);
    const Timing small = ours("mp3", wav, "small.mp3")();
    const Timing large = ours("mp3", longWav, "long.mp3")();
    std::printf("peak memory converting %d minutes: %s; 60 minutes: %s\n", minutes, small.output.trimmed().constData(),
                large.output.trimmed().constData());
    return 0;
}
