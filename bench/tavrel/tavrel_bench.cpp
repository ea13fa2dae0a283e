// Batch conversion speed of the converter's main window against the
// command-line encoders: N WAV files of M minutes to MP3 CBR 128 (against
// `lame -b 128`, one file after the other) and to Ogg Vorbis at its default
// quality (against `oggenc -q 4`). Also samples the resident memory during
// the window's run, to show it stays flat from entry to entry.
//
// Usage: tavrel_bench [files=20] [seconds=180] [rounds=1]   (run offscreen: QT_QPA_PLATFORM=offscreen)
// With several rounds the tool and the window take turns, and the best time of each counts.

#include "converter/main/audiotool.h"
#include "platform/profile/profile_file.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A WAV of a few drifting tones with a little noise: enough for the encoders to work at.
bool writeMusicWav(const QString& path, int seconds, unsigned seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const quint32 rate = 44100, frames = rate * quint32(seconds), dataBytes = frames * 4;
    QByteArray header("RIFF");
    auto le32 = [&](quint32 v) { char b[4]; qToLittleEndian(v, b); header.append(b, 4); };
    auto le16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); header.append(b, 2); };
    le32(36 + dataBytes);
    header.append("WAVEfmt ");
    le32(16); le16(1); le16(2); le32(rate); le32(rate * 4); le16(4); le16(16);
    header.append("data");
    le32(dataBytes);
    file.write(header);

    quint32 noise = seed * 2654435761u + 1;
    QByteArray block;
    block.reserve(rate * 4);
    for (quint32 frame = 0; frame < frames; ++frame) {
        const double t = double(frame) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double n = (double(noise >> 8) / double(1u << 24) - 0.5) * 0.05;
        const double base = 220.0 * (1.0 + 0.1 * std::sin(0.3 * t + seed));
        const double left = 0.3 * std::sin(2 * M_PI * base * t) + 0.2 * std::sin(2 * M_PI * base * 1.5 * t) + n;
        const double right = 0.3 * std::sin(2 * M_PI * base * 2.0 * t) + 0.15 * std::sin(2 * M_PI * 330.0 * t) - n;
        char s[4];
        qToLittleEndian(qint16(std::lround(left * 32767)), s);
        qToLittleEndian(qint16(std::lround(right * 32767)), s + 2);
        block.append(s, 4);
        if (block.size() >= int(rate * 4)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
    return file.error() == QFile::NoError;
}

// CPU seconds (user + system) of this process or of its finished children:
// unlike wall time, not inflated by other work on a busy machine.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Timing {
    double wall = -1;
    double cpu = -1;
};

Timing runTools(const QString& program, const QStringList& options, const QStringList& inputs,
                const QString& outFolder, const QString& extension)
{
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    for (const QString& input : inputs) {
        const QString output = outFolder + QLatin1Char('/') + QFileInfo(input).completeBaseName() + extension;
        QStringList arguments = options;
        if (program == QLatin1String("oggenc"))
            arguments << QStringLiteral("-o") << output << input;
        else
            arguments << input << output;
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed on %s\n", qPrintable(program), qPrintable(input));
            return {};
        }
    }
    return {timer.elapsed() / 1000.0, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return -1;
}

struct WindowRun {
    Timing time;
    long firstEntryKb = 0;   ///< resident memory while the second entry runs
    long lastEntryKb = 0;    ///< resident memory while the last entry runs
    long peakKb = 0;
};

WindowRun runWindow(const QString& programFolder, const QStringList& inputs, const QString& outFolder,
                    const QString& format)
{
    tavrel::Audiotool window(tavrel::ProgramPaths{programFolder, programFolder});
    window.Form_Load();
    window.Combo1->setCurrentText(format);
    window.Combo1_Click();
    window.Text1->setText(outFolder);
    for (const QString& input : inputs)
        window.AddFileToList(input);

    WindowRun run;
    QTimer sampler;
    sampler.setInterval(50);
    // The entry at work is the last one whose row bar has moved.
    const auto entryAtWork = [&] {
        for (int position = int(inputs.size()); position >= 1; --position) {
            if (window.rowProgress(position) > 0)
                return position;
        }
        return 0;
    };
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const long kb = residentKb();
        const int entry = entryAtWork();
        run.peakKb = std::max(run.peakKb, kb);
        if (entry == 2 && run.firstEntryKb == 0)
            run.firstEntryKb = kb;
        if (entry == int(inputs.size()))
            run.lastEntryKb = kb;
    });
    sampler.start();
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    window.Command3_Click();
    run.time = {timer.elapsed() / 1000.0, cpuSeconds(RUSAGE_SELF) - cpuBefore};
    sampler.stop();
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 20;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 180;
    const int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 1);

    QTemporaryDir work;
    const QString sources = work.filePath(QStringLiteral("sources"));
    const QString program = work.filePath(QStringLiteral("program"));
    QDir().mkpath(sources);
    QDir().mkpath(program);
    // A configured program folder: no language chooser, no first-launch page.
    const QString ini = program + QStringLiteral("/Config.ini");
    quandor::profile::writeString(ini, QStringLiteral("LANGUE"), QStringLiteral("VALUE"), QStringLiteral("0"));
    quandor::profile::writeString(ini, QStringLiteral("LAUNCH"), QStringLiteral("VALUE"), QStringLiteral("True"));

    QStringList inputs;
    for (int i = 0; i < files; ++i) {
        const QString path = sources + QStringLiteral("/track%1.wav").arg(i + 1, 2, 10, QLatin1Char('0'));
        if (!writeMusicWav(path, seconds, unsigned(i + 1)))
            return 1;
        inputs << path;
    }
    std::printf("%d files of %d s\n", files, seconds);

    struct Job {
        const char* name;
        QString tool;
        QStringList options;
        QString extension;
        QString format;
    };
    const Job jobs[] = {
        {"MP3 CBR 128", QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128")},
         QStringLiteral(".mp3"), QStringLiteral("Mp3")},
        {"Ogg q4", QStringLiteral("oggenc"), {QStringLiteral("--quiet"), QStringLiteral("-q"), QStringLiteral("4")},
         QStringLiteral(".ogg"), QStringLiteral("Ogg")},
    };
    for (const Job& job : jobs) {
        const QString toolOut = work.filePath(QStringLiteral("tool-") + job.format);
        const QString windowOut = work.filePath(QStringLiteral("window-") + job.format);
        Timing bestTool{1e30, 1e30}, bestWindow{1e30, 1e30};
        WindowRun last;
        for (int round = 0; round < rounds; ++round) {
            QDir().mkpath(toolOut);
            QDir().mkpath(windowOut);
            const Timing tool = runTools(job.tool, job.options, inputs, toolOut, job.extension);
            last = runWindow(program, inputs, windowOut, job.format);
            bestTool = {std::min(bestTool.wall, tool.wall), std::min(bestTool.cpu, tool.cpu)};
            bestWindow = {std::min(bestWindow.wall, last.time.wall), std::min(bestWindow.cpu, last.time.cpu)};
            QDir(toolOut).removeRecursively();
            QDir(windowOut).removeRecursively();
        }
        std::printf("%-12s %s %.2f s (cpu %.2f s), Tavrel %.2f s (cpu %.2f s): wall ratio %.3f, cpu ratio %.3f; "
                    "RSS second entry %ld kB, last entry %ld kB, peak %ld kB\n",
                    job.name, qPrintable(job.tool), bestTool.wall, bestTool.cpu, bestWindow.wall, bestWindow.cpu,
                    bestWindow.wall / bestTool.wall, bestWindow.cpu / bestTool.cpu, last.firstEntryKb,
                    last.lastEntryKb, last.peakKb);
        std::fflush(stdout);
    }
    return 0;
}
