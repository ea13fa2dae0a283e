// Rips a generated 10-minute disc from an emulated drive to WAV, MP3 (CBR 128)
// and Ogg Vorbis (quality 0.50), and times the reference tools on the same
// audio: cat copying the .bin, lame -b 128 and oggenc -q 5 on a WAV of it.
// Prints each time and the ratios. Usage: rip_bench [work folder [wav|mp3|ogg]]
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
#include <cmath>
#include <cstdio>
#include <functional>
#include <ctime>
#include <random>
#include <sys/resource.h>

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

/// Music-like stereo PCM: a few drifting tones and a little noise.
QByteArray makeAudio(int64_t frames)
{
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<int16_t*>(pcm.data());
    std::minstd_rand noise(7);
    for (int64_t i = 0; i < frames; ++i) {
        const double t = double(i) / 44100.0;
        const double tone = 0.3 * std::sin(2 * M_PI * (220 + 20 * std::sin(t * 0.5)) * t)
                          + 0.2 * std::sin(2 * M_PI * 330 * t) + 0.1 * std::sin(2 * M_PI * 1234 * t);
        const double n = (double(noise() % 2001) - 1000.0) / 20000.0;
        out[2 * i] = static_cast<int16_t>((tone + n) * 12000);
        out[2 * i + 1] = static_cast<int16_t>((tone * 0.8 - n) * 12000);
    }
    return pcm;
}

/// Wall and CPU seconds of one step (CPU time is the fair measure on a busy machine).
struct Timing {
    double wall = 0;
    double cpu = 0;
};

double seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double childrenCpu()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double processCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
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
    bool readCdda(int64_t lba, int count, uint8_t* buffer) override
    {
        const qint64 bytes = qint64(count) * kSectorBytes;
        return file_.seek(lba * kSectorBytes) && file_.read(reinterpret_cast<char*>(buffer), bytes) == bytes;
    }

private:
    QFile file_;
};

Timing timeRip(std::shared_ptr<SectorReader> drive, RipFormat format, const QString& folder)
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
    const double cpuBefore = processCpu();
    QElapsedTimer timer;
    timer.start();
    RipEngine(job, stop, observer).run();
    return {timer.nsecsElapsed() / 1e9, processCpu() - cpuBefore};
}

/// The fastest of a few rounds: a copy of 100 MB takes a few hundredths of a
/// second, where one busy moment of the machine would decide a single run.
Timing bestOf(int rounds, const std::function<Timing()>& step)
{
    Timing best = step();
    for (int round = 1; round < rounds; ++round) {
        const Timing next = step();
        if (next.wall < best.wall)
            best = next;
    }
    return best;
}

void report(const char* what, const char* reference, Timing rip, Timing tool, bool throughput)
{
    const double wall = throughput ? tool.wall / rip.wall : rip.wall / tool.wall;
    const double cpu = throughput ? tool.cpu / rip.cpu : rip.cpu / tool.cpu;
    std::printf("%-22s %7.3f s wall %7.3f s cpu | %-16s %7.3f s wall %7.3f s cpu | %s ratio wall %.2f cpu %.2f\n",
                what, rip.wall, rip.cpu, reference, tool.wall, tool.cpu, throughput ? "throughput" : "time",
                wall, cpu);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    QDir().mkpath(work);
    const QDir dir(work);
    const QByteArray audio = makeAudio(kSectors * 588);
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
    std::string error;
    if (!quandor::aspi::loadEmulatedDrives(QFile::encodeName(ini.fileName()).toStdString(), &error)) {
        std::fprintf(stderr, "emulated drive: %s\n", error.c_str());
        return 1;
    }
    const auto loaded = AspiLayer::load(QStringLiteral(RIP_BENCH_BRENLOW_DIR), AspiLayer::libraryFileName());
    if (!loaded.layer) {
        std::fprintf(stderr, "no SCSI layer\n");
        return 1;
    }
    std::shared_ptr<ScsiTransport> layer = loaded.layer;

    const auto drive = [&layer] { return std::make_shared<ScsiSectorReader>(layer, DriveAddress{1, 0, 0}); };
    const auto file = [&bin] { return std::make_shared<FileReader>(bin.fileName()); };
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]).toLower() : QString();
    const auto wanted = [&only](const char* format) { return only.isEmpty() || only == QLatin1String(format); };
    std::printf("10-minute disc (%lld sectors, %.0f MB)\n", static_cast<long long>(kSectors), audio.size() / 1e6);
    if (wanted("wav")) {
        constexpr int kRounds = 5;
        const Timing cat = bestOf(kRounds, [&] {
            return timeTool(QStringLiteral("sh"), {QStringLiteral("-c"),
                QStringLiteral("cat '%1' > '%2'").arg(bin.fileName(), dir.filePath(QStringLiteral("copy.bin")))});
        });
        const Timing fromDrive = bestOf(kRounds, [&] { return timeRip(drive(), RipFormat::Wav, dir.filePath(QStringLiteral("w1"))); });
        const Timing fromFile = bestOf(kRounds, [&] { return timeRip(file(), RipFormat::Wav, dir.filePath(QStringLiteral("w2"))); });
        report("WAV, emulated drive", "cat", fromDrive, cat, true);
        report("WAV, image file", "cat", fromFile, cat, true);
    }
    if (wanted("mp3")) {
        const Timing lame = timeTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"),
            QStringLiteral("128"), wav.fileName(), dir.filePath(QStringLiteral("ref.mp3"))});
        report("MP3, emulated drive", "lame -b 128", timeRip(drive(), RipFormat::Mp3, dir.filePath(QStringLiteral("m1"))), lame, false);
        report("MP3, image file", "lame -b 128", timeRip(file(), RipFormat::Mp3, dir.filePath(QStringLiteral("m2"))), lame, false);
    }
    if (wanted("ogg")) {
        const Timing oggenc = timeTool(QStringLiteral("oggenc"), {QStringLiteral("--quiet"), QStringLiteral("-q"),
            QStringLiteral("5"), QStringLiteral("-o"), dir.filePath(QStringLiteral("ref.ogg")), wav.fileName()});
        report("Ogg, emulated drive", "oggenc -q 5", timeRip(drive(), RipFormat::Ogg, dir.filePath(QStringLiteral("o1"))), oggenc, false);
        report("Ogg, image file", "oggenc -q 5", timeRip(file(), RipFormat::Ogg, dir.filePath(QStringLiteral("o2"))), oggenc, false);
    }
    quandor::aspi::unloadEmulatedDrives();
    return 0;
}
