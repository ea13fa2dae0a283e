// Times the converter's reader/writer against the reference command-line
// tools on the same generated input, and measures peak memory on a long
// source. Usage: audio_bench [minutes for the timing runs, default 5]
// Build it without sanitizers for meaningful numbers.
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <functional>

using quandor::audio::AudioFileReader;
using quandor::audio::AudioFileWriter;

namespace {

/// Streams a stereo 44.1 kHz WAV of `minutes` of tones and noise to `path`.
bool writeSource(const QString& path, int minutes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const qint64 frames = qint64(minutes) * 60 * 44100;
    const quint32 dataBytes = quint32(frames * 4);
    char header[44] = {'R', 'I', 'F', 'F'};
    qToLittleEndian<quint32>(36 + dataBytes, header + 4);
    memcpy(header + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, header + 16);
    qToLittleEndian<quint16>(1, header + 20);
    qToLittleEndian<quint16>(2, header + 22);
    qToLittleEndian<quint32>(44100, header + 24);
    qToLittleEndian<quint32>(176400, header + 28);
    qToLittleEndian<quint16>(4, header + 32);
    qToLittleEndian<quint16>(16, header + 34);
    memcpy(header + 36, "data", 4);
    qToLittleEndian<quint32>(dataBytes, header + 40);
    file.write(header, 44);
    QByteArray block(44100 * 4, Qt::Uninitialized);
    quint32 noise = 1;
    for (qint64 done = 0; done < frames; done += 44100) {
        auto* s = reinterpret_cast<qint16*>(block.data());
        for (int i = 0; i < 44100; ++i) {
            const double t = double(done + i) / 44100.0;
            noise = noise * 1664525u + 1013904223u;
            const double n = (double(noise >> 16) / 65536.0 - 0.5) * 0.05;
            s[2 * i] = qint16(9000 * std::sin(2 * M_PI * 440 * t) + 4000 * std::sin(2 * M_PI * 1320 * t) + 8000 * n);
            s[2 * i + 1] = qint16(9000 * std::sin(2 * M_PI * 660 * t) + 3000 * std::sin(2 * M_PI * 97 * t) + 8000 * n);
        }
        file.write(block);
    }
    return true;
}

/// The pump the converter runs: one second of PCM at a time.
bool convert(const QString& source, AudioFileWriter& writer, const QString& target)
{
    AudioFileReader reader;
    if (!reader.Open(source)) return false;
    if (!writer.SetSourceFormat(reader.FormatNumberB(), reader.FormatNumberA()) || !writer.Open(target)) return false;
    const int chunk = reader.FormatNumberA() * reader.FormatNumberB();
    for (QByteArray bytes; !(bytes = reader.ReadChunk(chunk)).isEmpty();)
        if (!writer.WriteChunk(bytes)) return false;
    return writer.Close();
}

/// CPU seconds (user + system) of this process and of its finished children.
double cpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

/// The CPU time a run takes; on a busy machine it is steadier than the wall clock.
double seconds(const std::function<bool()>& run)
{
    const double start = cpuSeconds();
    if (!run()) {
        std::fprintf(stderr, "run failed\n");
        std::exit(1);
    }
    return cpuSeconds() - start;
}

bool tool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

/// Best of three runs each, ours and the reference taking turns, so that a
/// busy machine weighs on both alike.
std::pair<double, double> compare(const std::function<bool()>& ours, const std::function<bool()>& reference)
{
    double a = 1e30, b = 1e30;
    for (int i = 0; i < 3; ++i) {
        a = std::min(a, seconds(ours));
        b = std::min(b, seconds(reference));
    }
    return {a, b};
}

long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void report(const char* what, double ours, double theirs)
{
    std::printf("%-28s ours %7.2f s CPU   reference %7.2f s CPU   ratio %.3f\n", what, ours, theirs, ours / theirs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("source.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("source.mp3"));
    writeSource(wav, minutes);
    std::printf("source: %d minutes, 44100 Hz stereo\n", minutes);

    AudioFileWriter writer;
    writer.SetFormatMP3(44100, 128, 2);
    const auto [oursMp3, lame] = compare([&] { return convert(wav, writer, dir.filePath(QStringLiteral("ours.mp3"))); },
                                         [&] { return tool(QStringLiteral("lame"), {QStringLiteral("--silent"), QStringLiteral("-b"), QStringLiteral("128"), wav, mp3}); });
    report("WAV->MP3 CBR 128 / lame", oursMp3, lame);

    writer.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400);
    const auto [oursOgg, oggenc] = compare([&] { return convert(wav, writer, dir.filePath(QStringLiteral("ours.ogg"))); },
                                           [&] { return tool(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("-q"), QStringLiteral("4"), QStringLiteral("-o"), dir.filePath(QStringLiteral("ref.ogg")), wav}); });
    report("WAV->Ogg q0.4 / oggenc -q 4", oursOgg, oggenc);

    writer.SetFormatPCM(44100, 2, 16);
    const auto [oursWav, ffmpeg] = compare([&] { return convert(mp3, writer, dir.filePath(QStringLiteral("ours.wav"))); },
                                           [&] { return tool(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), mp3, dir.filePath(QStringLiteral("ref.wav"))}); });
    report("MP3->WAV / ffmpeg", oursWav, ffmpeg);

    // Memory on a 60-minute source: MP3 -> Ogg and WAV -> MP3.
    const QString longWav = dir.filePath(QStringLiteral("long.wav"));
    writeSource(longWav, 60);
    const long before = peakRssKb();
    writer.SetFormatMP3(44100, 128, 2);
    const QString longMp3 = dir.filePath(QStringLiteral("long.mp3"));
    seconds([&] { return convert(longWav, writer, longMp3); });
    QFile::remove(longWav);
    writer.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400);
    seconds([&] { return convert(longMp3, writer, dir.filePath(QStringLiteral("long.ogg"))); });
    const long after = peakRssKb();
    std::printf("60-minute source: peak RSS %ld kB at start, %ld kB after (+%.1f MB)\n", before, after, (after - before) / 1024.0);
    return 0;
}
