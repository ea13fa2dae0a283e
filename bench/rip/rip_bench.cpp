// Rips a generated 10-minute disc of music-like audio from an emulated drive
// (and from its image file) to WAV, MP3 (CBR 128) and Ogg Vorbis (quality
// 0.50), and times the reference tools on the same audio: cat copying the
// .bin, lame -b 128 and oggenc -q 5 on a WAV of it. Each rip is this program
// started again as a child, so process is compared with process; rip and
// tool take turns (A B A B) and the medians of wall and CPU time count.
// Usage: rip_bench [work folder [wav|mp3|ogg [rounds, default 5]]]
//        rip_bench --rip wav|mp3|ogg drive|file WORK    (the child)
#include "bench/common/music_source.h"
#include "cdrip/encode/lame_library.h"
#include "cdrip/encode/rip_engine.h"
#include "cdrip/encode/scsi_sector_reader.h"
#include "cdrip/encode/wav_header.h"
#include "cdrip/scsi/aspi_layer.h"
#include "platform/aspi/emulated_drives.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

using namespace brenlow;

namespace {

constexpr int64_t kSectors = 10 * 60 * 75;

class QuietObserver final : public RipObserver {
public:
    void progress(int, int) override {}
    void trackFinished(int) override {}
    void problem(const RipReport& r) override { std::fprintf(stderr, "problem %d\n", int(r.problem)); }
    bool confirmStop() override { return true; }
};

/// Wall and CPU seconds of one step (CPU time is the fair measure on a busy machine).
struct Timing {
    double wall = 0;
    double cpu = 0;
};

double seconds(const timeval& t)
{
    return t.tv_sec + t.tv_usec / 1e6;
}

double childrenCpu()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Timing timeTool(const QString& program, const QStringList& args)
{
    const double cpuBefore = childrenCpu();
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
    return {timer.nsecsElapsed() / 1e9, childrenCpu() - cpuBefore};
}

/// The image file read directly: the engine's own cost without a drive's.
class FileReader final : public SectorReader {
public:
    explicit FileReader(const QString& path) : file_(path) { file_.open(QIODevice::ReadOnly); }
    bool readCdda(Lba start, int count, uint8_t* buffer) override
    {
        const qint64 bytes = qint64(count) * kSectorBytes;
        return file_.seek(qint64(start.value) * kSectorBytes)
            && file_.read(reinterpret_cast<char*>(buffer), bytes) == bytes;
    }

private:
    QFile file_;
};

void rip(std::shared_ptr<SectorReader> drive, RipFormat format, const QString& folder)
{
    RipJob job;
    job.format = format;
    job.drive = std::move(drive);
    RipTrack track;
    track.lengthSectors = kSectors;
    track.title = QStringLiteral("bench");
    job.tracks = {track};
    job.naming.outputFolder = folder;
    job.naming.pattern = QStringLiteral("%T");
    job.encoder.mp3.bitrate = QStringLiteral("128");
    job.encoder.ogg.qualityRate = QStringLiteral("0.50");
    job.lameLibraryPath = lameLibraryPath(QStringLiteral(RIP_BENCH_BRENLOW_DIR));
    QuietObserver observer;
    std::atomic<bool> stop{false};
    RipEngine(job, stop, observer).run();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

/// Rip and tool in turns; medians of each.
std::pair<Timing, Timing> turns(int rounds, const std::function<Timing()>& ripStep,
                                const std::function<Timing()>& toolStep)
{
    std::vector<double> rw, rc, tw, tc;
    for (int round = 0; round < rounds; ++round) {
        const Timing t = toolStep();
        const Timing r = ripStep();
        tw.push_back(t.wall), tc.push_back(t.cpu), rw.push_back(r.wall), rc.push_back(r.cpu);
    }
    return {{median(rw), median(rc)}, {median(tw), median(tc)}};
}

void report(const char* what, const char* reference, std::pair<Timing, Timing> measured, bool throughput)
{
    const auto [rip, tool] = measured;
    const double wall = throughput ? tool.wall / rip.wall : rip.wall / tool.wall;
    const double cpu = throughput ? tool.cpu / rip.cpu : rip.cpu / tool.cpu;
    std::printf("%-22s %7.3f s wall %7.3f s cpu | %-16s %7.3f s wall %7.3f s cpu | %s ratio wall %.2f cpu %.2f\n", what,
                rip.wall, rip.cpu, reference, tool.wall, tool.cpu, throughput ? "throughput" : "time", wall, cpu);
    std::fflush(stdout);
}

bool loadDrives(const QDir& dir)
{
    std::string error;
    if (!quandor::aspi::loadEmulatedDrives(QFile::encodeName(dir.filePath(QStringLiteral("drives.ini"))).toStdString(),
                                           &error)) {
        std::fprintf(stderr, "emulated drive: %s\n", error.c_str());
        return false;
    }
    return true;
}

/// The child: one rip of the disc in `work`, then the process ends.
int ripChild(const QString& format, const QString& source, const QString& work)
{
    const QDir dir(work);
    const RipFormat ripFormat = format == QLatin1String("mp3") ? RipFormat::Mp3
        : format == QLatin1String("ogg")                       ? RipFormat::Ogg
                                                               : RipFormat::Wav;
    const QString out = dir.filePath(QStringLiteral("out-") + format + QLatin1Char('-') + source);
    QDir(out).removeRecursively();
    if (source == QLatin1String("file")) {
        rip(std::make_shared<FileReader>(dir.filePath(QStringLiteral("disc.bin"))), ripFormat, out);
        return 0;
    }
    if (!loadDrives(dir))
        return 1;
    const auto loaded = AspiLayer::load(QStringLiteral(RIP_BENCH_BRENLOW_DIR), AspiLayer::libraryFileName());
    if (!loaded.layer) {
        std::fprintf(stderr, "no SCSI layer\n");
        return 1;
    }
    rip(std::make_shared<ScsiSectorReader>(loaded.layer, DriveAddress{1, 0, 0}), ripFormat, out);
    quandor::aspi::unloadEmulatedDrives();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--rip"))
        return ripChild(args[2], args[3], args[4]);

    QTemporaryDir scratch;
    const QString work = args.size() > 1 ? args[1] : scratch.path();
    QDir().mkpath(work);
    const QDir dir(work);
    const int rounds = args.size() > 3 ? std::max(1, args[3].toInt()) : 5;
    const QByteArray audio = quandor::bench::musicLikePcm(44100, double(kSectors) / 75.0, 3);
    QFile bin(dir.filePath(QStringLiteral("disc.bin")));
    bin.open(QIODevice::WriteOnly);
    bin.write(audio);
    bin.close();
    QFile cue(dir.filePath(QStringLiteral("disc.cue")));
    cue.open(QIODevice::WriteOnly);
    cue.write("FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    cue.close();
    QFile wav(dir.filePath(QStringLiteral("disc.wav")));
    wav.open(QIODevice::WriteOnly);
    const auto header = makeWavHeader(static_cast<uint32_t>(audio.size()));
    wav.write(reinterpret_cast<const char*>(header.data()), kWavHeaderBytes);
    wav.write(audio);
    wav.close();
    QFile ini(dir.filePath(QStringLiteral("drives.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[drive 1:0:0]\r\nType=5\r\nMedium=audio\r\nCue=disc.cue\r\n");
    ini.close();
    if (!loadDrives(dir)) // checked here once, so a child's failure means the rip
        return 1;
    quandor::aspi::unloadEmulatedDrives();

    const QString self = QCoreApplication::applicationFilePath();
    const auto child = [&](const char* format, const char* source) {
        return [=, &work] {
            return timeTool(self, {QStringLiteral("--rip"), QLatin1String(format), QLatin1String(source), work});
        };
    };
    const QString only = args.size() > 2 ? args[2].toLower() : QString();
    const auto wanted = [&only](const char* format) { return only.isEmpty() || only == QLatin1String(format); };
    std::printf("10-minute disc (%lld sectors, %.0f MB), %d rounds, medians\n", static_cast<long long>(kSectors),
                audio.size() / 1e6, rounds);
    if (wanted("wav")) {
        const auto cat = [&] {
            return timeTool(
                QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("cat '%1' > '%2'").arg(bin.fileName(), dir.filePath(QStringLiteral("copy.bin")))});
        };
        report("WAV, emulated drive", "cat", turns(rounds, child("wav", "drive"), cat), true);
        report("WAV, image file", "cat", turns(rounds, child("wav", "file"), cat), true);
    }
    if (wanted("mp3")) {
        const auto lame = [&] {
            return timeTool(QStringLiteral("lame"),
                            {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), wav.fileName(),
                             dir.filePath(QStringLiteral("ref.mp3"))});
        };
        report("MP3, emulated drive", "lame -b 128", turns(rounds, child("mp3", "drive"), lame), false);
        report("MP3, image file", "lame -b 128", turns(rounds, child("mp3", "file"), lame), false);
    }
    if (wanted("ogg")) {
        const auto oggenc = [&] {
            return timeTool(QStringLiteral("oggenc"),
                            {QStringLiteral("--quiet"), QStringLiteral("-q"), QStringLiteral("5"), QStringLiteral("-o"),
                             dir.filePath(QStringLiteral("ref.ogg")), wav.fileName()});
        };
        report("Ogg, emulated drive", "oggenc -q 5", turns(rounds, child("ogg", "drive"), oggenc), false);
        report("Ogg, image file", "oggenc -q 5", turns(rounds, child("ogg", "file"), oggenc), false);
    }
    return 0;
}
