// Batch conversion through the converter's real, shown main window against
// the reference encoders, each run as whole processes on the same inputs:
//   MP3 CBR 128        lame -b 128, one process a file
//   Ogg q4             oggenc -q 4, one process a file
//   AAC 128 (Main)     ffmpeg -c:a aac with the window's default AAC settings
//   WMA 128 stereo     ffmpeg -c:a wmav2 -b:a 128k (the window set to that profile)
//   APE normal         the APE library alone, one process for the batch
// The window is the tavrel_window_run process from start-up to its last file
// (shown on the display in DISPLAY, or on the offscreen platform, with a
// session bus of its own where the environment has none). Reference
// and window take turns (A B, B A, ...); each ratio is the median over the
// turns of window / reference within the turn, with the range of the turns.
// Every output is checked: it decodes (ffmpeg) to the source's length.
// Then: one file (start-up included), the window's answer time during each run
// (the wait a press on Cancel, Close or Convert Now would have), a real Cancel
// per format, and the peak memory on one long source.
//
// Usage: tavrel_bench [--files 20] [--seconds 180] [--rounds 3] [--single-rounds 5]
//                     [--long-minutes 60] [--formats mp3,ogg,aac,wma,ape]
// Build with the default preset (optimised); run on a quiet machine if you can.

#include "bench/common/music_source.h"
#include "platform/profile/profile_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Timing {
    double wall = 0;
    double cpu = 0;
    bool ok = false;
    QString output; ///< the last process's standard output
};

// Runs the processes one after the other; times their wall and CPU time together.
Timing runProcesses(const std::vector<std::pair<QString, QStringList>>& commands)
{
    Timing t;
    const double cpuBefore = childCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    for (const auto& [program, arguments] : commands) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), qPrintable(arguments.join(QLatin1Char(' '))));
            return t;
        }
        t.output = QString::fromUtf8(process.readAllStandardOutput());
    }
    t.wall = double(timer.nsecsElapsed()) / 1e9;
    t.cpu = childCpuSeconds() - cpuBefore;
    t.ok = true;
    return t;
}

// A desktop session has a message bus, and Qt looks for it at start-up; on a
// bare virtual display there is none, and every window process would try to
// launch one (a fork of the whole process) before giving up. The window gets
// a bus of its own for the bench, as it would have on a desktop.
class SessionBus {
public:
    SessionBus()
    {
        if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
            description_ = QStringLiteral("the session's");
            return;
        }
        daemon_.setProcessChannelMode(QProcess::SeparateChannels);
        daemon_.setStandardErrorFile(QProcess::nullDevice());
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) {
            daemon_.kill();
            daemon_.waitForFinished(5000);
            description_ = QStringLiteral("none (dbus-daemon could not be started)");
            return;
        }
        const QByteArray address = daemon_.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        description_ = QStringLiteral("a private one");
    }
    ~SessionBus()
    {
        if (daemon_.state() == QProcess::NotRunning)
            return;
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000)) {
            daemon_.kill();
            daemon_.waitForFinished(5000);
        }
    }
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    const QString& description() const { return description_; }

private:
    QProcess daemon_;
    QString description_;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Seconds of audio the file decodes to (every frame decoded), or -1.
double decodedSeconds(const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path, QStringLiteral("-f"),
                  QStringLiteral("s16le"), QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-ar"),
                  QStringLiteral("44100"), QStringLiteral("-")});
    qint64 bytes = 0;
    while (ffmpeg.state() != QProcess::NotRunning || ffmpeg.bytesAvailable() > 0) {
        ffmpeg.waitForReadyRead(100);
        bytes += ffmpeg.readAllStandardOutput().size();
    }
    const QByteArray errors = ffmpeg.readAllStandardError();
    if (ffmpeg.exitCode() != 0 || !errors.trimmed().isEmpty())
        return -1;
    return double(bytes) / (44100.0 * 4);
}

// The container's own idea of the length (ffprobe), or -1.
double probedSeconds(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                   QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"),
                   path});
    ffprobe.waitForFinished(-1);
    bool ok = false;
    const double seconds = ffprobe.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok ? seconds : -1;
}

// Every input has its output in `folder`, decoding (or, when `decode` is off,
// probing) to the input's length within a frame or two of encoder padding.
bool outputsCorrect(const QStringList& inputs, const QString& folder, const QString& extension, double seconds,
                    bool decode)
{
    bool ok = true;
    for (const QString& input : inputs) {
        const QString output = folder + QLatin1Char('/') + QFileInfo(input).completeBaseName() + extension;
        // ADTS has no length of its own (a probe guesses from the bit rate): always decoded.
        const double length =
            decode || extension == QLatin1String(".aac") ? decodedSeconds(output) : probedSeconds(output);
        if (std::abs(length - seconds) > 0.15) {
            std::fprintf(stderr, "  bad output %s: %.3f s for %.3f s\n", qPrintable(output), length, seconds);
            ok = false;
        }
    }
    return ok;
}

struct Format {
    QString key; ///< command-line name
    const char* name;
    QString windowFormat;
    QString extension;
    std::function<std::vector<std::pair<QString, QStringList>>(const QStringList&, const QString&)> reference;
};

QHash<QString, QString> keyValues(const QString& line)
{
    QHash<QString, QString> values;
    for (const QString& pair : line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq > 0)
            values.insert(pair.left(eq), pair.mid(eq + 1));
    }
    return values;
}

using Commands = std::vector<std::pair<QString, QStringList>>;

struct BenchOptions {
    int files = 20;
    int rounds = 3;
    int singleRounds = 5;
    double seconds = 180;
    double longMinutes = 60;
    QStringList wanted = {QStringLiteral("mp3"), QStringLiteral("ogg"), QStringLiteral("aac"), QStringLiteral("wma"),
                          QStringLiteral("ape")};
};

BenchOptions parseOptions(const QStringList& args)
{
    BenchOptions o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--files"))
            o.files = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--seconds"))
            o.seconds = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--rounds"))
            o.rounds = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--single-rounds"))
            o.singleRounds = std::max(0, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--long-minutes"))
            o.longMinutes = args[i + 1].toDouble();
        else if (args[i] == QLatin1String("--formats"))
            o.wanted = args[i + 1].split(QLatin1Char(','));
    }
    return o;
}

// A configured program folder: no language chooser, no first-launch page;
// the WMA profile of 44.1 kHz stereo at 128 kbit/s.
bool writeProgramConfig(const QString& ini)
{
    using quandor::profile::writeString;
    return writeString(ini, QStringLiteral("LANGUE"), QStringLiteral("VALUE"), QStringLiteral("0"))
        && writeString(ini, QStringLiteral("LAUNCH"), QStringLiteral("VALUE"), QStringLiteral("True"))
        && writeString(ini, QStringLiteral("WMA"), QStringLiteral("WMASUPPORT"), QStringLiteral("True"))
        && writeString(ini, QStringLiteral("WMA"), QStringLiteral("Num"), QStringLiteral("35"));
}

// One process of `tool` a file, each writing <folder>/<input's base name><extension>.
Commands perFile(const QStringList& in, const QString& folder, const QString& extension,
                 const std::function<QStringList(const QString&, const QString&)>& arguments, const QString& tool)
{
    Commands commands;
    for (const QString& input : in)
        commands.push_back(
            {tool, arguments(input, folder + QLatin1Char('/') + QFileInfo(input).completeBaseName() + extension)});
    return commands;
}

std::vector<Format> benchFormats(const QString& apeReference)
{
    const QStringList ffmpegHead = {QStringLiteral("-v"),       QStringLiteral("error"), QStringLiteral("-nostdin"),
                                    QStringLiteral("-threads"), QStringLiteral("1"),     QStringLiteral("-i")};
    return {
        {QStringLiteral("mp3"), "MP3 CBR 128 vs lame", QStringLiteral("Mp3"), QStringLiteral(".mp3"),
         [](const QStringList& in, const QString& folder) {
             return perFile(
                 in, folder, QStringLiteral(".mp3"),
                 [](const QString& i, const QString& o) {
                     return QStringList{QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), i, o};
                 },
                 QStringLiteral("lame"));
         }},
        {QStringLiteral("ogg"), "Ogg q4 vs oggenc", QStringLiteral("Ogg"), QStringLiteral(".ogg"),
         [](const QStringList& in, const QString& folder) {
             return perFile(
                 in, folder, QStringLiteral(".ogg"),
                 [](const QString& i, const QString& o) {
                     return QStringList{QStringLiteral("--quiet"),
                                        QStringLiteral("-q"),
                                        QStringLiteral("4"),
                                        QStringLiteral("-o"),
                                        o,
                                        i};
                 },
                 QStringLiteral("oggenc"));
         }},
        {QStringLiteral("aac"), "AAC 128 vs ffmpeg", QStringLiteral("AAC"), QStringLiteral(".aac"),
         [ffmpegHead](const QStringList& in, const QString& folder) {
             return perFile(
                 in, folder, QStringLiteral(".aac"),
                 [&](const QString& i, const QString& o) {
                     return ffmpegHead
                         + QStringList{i,
                                       QStringLiteral("-c:a"),
                                       QStringLiteral("aac"),
                                       QStringLiteral("-profile:a"),
                                       QStringLiteral("aac_main"),
                                       QStringLiteral("-b:a"),
                                       QStringLiteral("128k"),
                                       QStringLiteral("-cutoff"),
                                       QStringLiteral("16000"),
                                       QStringLiteral("-aac_tns"),
                                       QStringLiteral("0"),
                                       QStringLiteral("-aac_ms"),
                                       QStringLiteral("0"),
                                       QStringLiteral("-f"),
                                       QStringLiteral("adts"),
                                       QStringLiteral("-write_mpeg2"),
                                       QStringLiteral("1"),
                                       QStringLiteral("-y"),
                                       o};
                 },
                 QStringLiteral("ffmpeg"));
         }},
        {QStringLiteral("wma"), "WMA 128 vs ffmpeg", QStringLiteral("Wma"), QStringLiteral(".wma"),
         [ffmpegHead](const QStringList& in, const QString& folder) {
             return perFile(
                 in, folder, QStringLiteral(".wma"),
                 [&](const QString& i, const QString& o) {
                     return ffmpegHead
                         + QStringList{i,
                                       QStringLiteral("-c:a"),
                                       QStringLiteral("wmav2"),
                                       QStringLiteral("-b:a"),
                                       QStringLiteral("128k"),
                                       QStringLiteral("-y"),
                                       o};
                 },
                 QStringLiteral("ffmpeg"));
         }},
        {QStringLiteral("ape"), "APE normal vs library", QStringLiteral("APE (MonKey's audio)"), QStringLiteral(".ape"),
         [apeReference](const QStringList& in, const QString& folder) {
             return Commands{{apeReference, QStringList{QStringLiteral("2000"), folder} + in}};
         }},
    };
}

// The runs of the window program in a work folder.
class WindowBench {
public:
    WindowBench(const QString& binFolder, const QString& program, QTemporaryDir& work, double seconds)
        : windowRun_(binFolder + QStringLiteral("/tavrel_window_run")),
          program_(program),
          work_(work),
          seconds_(seconds)
    {}

    Commands windowCommand(const QStringList& in, const QString& folder, const QString& format,
                           double cancelAfter = -1) const
    {
        QStringList arguments = {QStringLiteral("--program"), program_, QStringLiteral("--out"), folder,
                                 QStringLiteral("--format"),  format};
        if (cancelAfter >= 0)
            arguments << QStringLiteral("--cancel-after") << QString::number(cancelAfter);
        return Commands{{windowRun_, arguments + in}};
    }
    QString fresh(const QString& name) const
    {
        const QString folder = work_.filePath(name);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        return folder;
    }
    // `windowWall`, when given, receives the window's median wall time.
    bool compare(const Format& f, const QStringList& in, int turns, const char* label,
                 double* windowWall = nullptr) const;
    void cancelRun(const Format& f, const QStringList& inputs, double oneFileWall) const;
    bool longRun(const QString& sources, double longMinutes) const;

private:
    QString windowRun_;
    QString program_;
    QTemporaryDir& work_;
    double seconds_;
};

// One comparison: reference (A) and window (B) in turns, outputs checked.
bool WindowBench::compare(const Format& f, const QStringList& in, int turns, const char* label,
                          double* windowWall) const
{
    std::vector<double> refWall, refCpu, winWall, winCpu, wallRatios, cpuRatios;
    qint64 worstAnswer = 0, worstAnswerCpu = 0;
    bool checked = true;
    for (int turn = 0; turn < turns; ++turn) {
        const QString refOut = fresh(QStringLiteral("ref"));
        const QString winOut = fresh(QStringLiteral("win"));
        // A B, then B A: a machine that speeds up or slows down during a turn
        // favours neither side over the turns.
        Timing a, b;
        if (turn % 2 == 0) {
            a = runProcesses(f.reference(in, refOut));
            b = runProcesses(windowCommand(in, winOut, f.windowFormat));
        } else {
            b = runProcesses(windowCommand(in, winOut, f.windowFormat));
            a = runProcesses(f.reference(in, refOut));
        }
        if (!a.ok || !b.ok)
            return false;
        wallRatios.push_back(b.wall / a.wall);
        cpuRatios.push_back(b.cpu / a.cpu);
        refWall.push_back(a.wall);
        refCpu.push_back(a.cpu);
        winWall.push_back(b.wall);
        winCpu.push_back(b.cpu);
        const QHash<QString, QString> answers = keyValues(b.output);
        worstAnswer = std::max(worstAnswer, answers.value(QStringLiteral("answer_max_ms")).toLongLong());
        worstAnswerCpu = std::max(worstAnswerCpu, answers.value(QStringLiteral("answer_max_cpu_ms")).toLongLong());
        // The first turn's outputs are decoded in full, later ones probed.
        checked = outputsCorrect(in, refOut, f.extension, seconds_, turn == 0) && checked;
        checked = outputsCorrect(in, winOut, f.extension, seconds_, turn == 0) && checked;
    }
    // The ratio is the median of the turns' own ratios; the range shows the noise.
    const auto [lowest, highest] = std::minmax_element(wallRatios.begin(), wallRatios.end());
    std::printf("%-22s %-7s reference %.2f s (cpu %.2f), window %.2f s (cpu %.2f): wall %.3fx (%.3f-%.3f), "
                "cpu %.3fx; answer max %lld ms (%lld ms of CPU); outputs %s\n",
                f.name, label, median(refWall), median(refCpu), median(winWall), median(winCpu), median(wallRatios),
                *lowest, *highest, median(cpuRatios), static_cast<long long>(worstAnswer),
                static_cast<long long>(worstAnswerCpu), checked ? "ok" : "WRONG");
    std::fflush(stdout);
    if (windowWall)
        *windowWall = median(winWall);
    return checked;
}

// Cancel pressed while the first file converts: at 60 % of the one-file time
// (start-up included), so the fast formats are caught mid-file too.
void WindowBench::cancelRun(const Format& f, const QStringList& inputs, double oneFileWall) const
{
    const double cancelAfter = oneFileWall > 0 ? 0.6 * oneFileWall : 0.6 * seconds_ / 60.0 + 1.0;
    const QString cancelOut = fresh(QStringLiteral("cancel"));
    const Timing c = runProcesses(windowCommand(inputs.mid(0, 2), cancelOut, f.windowFormat, cancelAfter));
    const QHash<QString, QString> v = keyValues(c.output);
    std::printf("%-22s cancel: answered after %s ms, run ended %s ms after the press\n", f.name,
                qPrintable(v.value(QStringLiteral("cancel_answer_ms"))),
                qPrintable(v.value(QStringLiteral("cancel_end_ms"))));
    std::fflush(stdout);
}

// The peak memory on one long source.
bool WindowBench::longRun(const QString& sources, double longMinutes) const
{
    const QString longSource = sources + QStringLiteral("/long.wav");
    if (!quandor::bench::writeMusicWav(longSource, longMinutes * 60, 99))
        return false;
    for (const QString& format : {QStringLiteral("Mp3")}) {
        const Timing t = runProcesses(windowCommand({longSource}, fresh(QStringLiteral("long")), format));
        const QHash<QString, QString> v = keyValues(t.output);
        const long grew = v.value(QStringLiteral("peak_kb")).toLong() - v.value(QStringLiteral("start_kb")).toLong();
        std::printf("%g-minute source to %s: %.1f s, peak memory %ld kB above the start (%s), answer max %s ms "
                    "(%s ms of CPU)\n",
                    longMinutes, qPrintable(format), t.wall, grew, grew <= 64 * 1024 ? "flat" : "TOO HIGH",
                    qPrintable(v.value(QStringLiteral("answer_max_ms"))),
                    qPrintable(v.value(QStringLiteral("answer_max_cpu_ms"))));
        std::fflush(stdout);
    }
    QFile::remove(longSource);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = parseOptions(QCoreApplication::arguments());
    const QString binFolder = QCoreApplication::applicationDirPath();

    QTemporaryDir work;
    const QString sources = work.filePath(QStringLiteral("sources"));
    const QString program = work.filePath(QStringLiteral("program"));
    QDir().mkpath(sources);
    QDir().mkpath(program);
    const QString ini = program + QStringLiteral("/Config.ini");
    if (!writeProgramConfig(ini)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ini));
        return 1;
    }

    QStringList inputs;
    for (int i = 0; i < options.files; ++i) {
        const QString path = sources + QStringLiteral("/track%1.wav").arg(i + 1, 2, 10, QLatin1Char('0'));
        if (!quandor::bench::writeMusicWav(path, options.seconds, unsigned(i + 1)))
            return 1;
        inputs << path;
    }
    std::printf("display: %s\n",
                qEnvironmentVariableIsSet("DISPLAY")
                        && qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("offscreen")
                    ? qPrintable(QStringLiteral("X ") + qEnvironmentVariable("DISPLAY"))
                    : "offscreen");
    const SessionBus bus;
    std::printf("session bus: %s\n", qPrintable(bus.description()));

    const WindowBench bench(binFolder, program, work, options.seconds);
    bool allOk = true;
    for (const Format& f : benchFormats(binFolder + QStringLiteral("/ape_reference"))) {
        if (!options.wanted.contains(f.key))
            continue;
        allOk = bench.compare(f, inputs, options.rounds, "batch") && allOk;
        double oneFileWall = 0;
        if (options.singleRounds > 0)
            allOk = bench.compare(f, inputs.mid(0, 1), options.singleRounds, "1 file", &oneFileWall) && allOk;
        bench.cancelRun(f, inputs, oneFileWall);
    }
    if (options.longMinutes > 0 && !bench.longRun(sources, options.longMinutes))
        return 1;
    return allOk ? 0 : 1;
}
