// Reads an emulated disc of music-like audio into a .bin/.cue image and burns
// that image to an emulated blank CD-R, each timed against a plain copy of
// the same bytes to the same kind of target, in this process as the jobs are:
// the disc to image against a copy of the source .bin into a file, the burn
// (whose emulated disc keeps what is written in memory) against reading the
// image into memory. Job and copy take turns (A B A B); medians count.
//
//   bench_image [megabytes]   (default 200)

#include "bench/common/music_source.h"
#include "cdrip/scsi/aspi_layer.h"
#include "cdrip/scsi/burn_job.h"
#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/scsi/scsi_commands.h"
#include "cdrip/scsi/toc.h"
#include "platform/aspi/emulated_drives.h"
#include "platform/aspi/huge_pages.h"
#include "platform/isoburn/isoburn.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace brenlow;

namespace {

constexpr int kRounds = 5;

double seconds(const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

/// Job and copy in turns; the medians of each.
std::pair<double, double> turns(const std::function<void()>& job, const std::function<void()>& copy)
{
    std::vector<double> a, b;
    for (int round = 0; round < kRounds; ++round) {
        b.push_back(seconds(copy));
        a.push_back(seconds(job));
    }
    return {median(a), median(b)};
}

/// A plain copy in 1 MiB blocks, to a file or (with no target) into memory.
void plainCopy(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return;
    QFile out(to);
    if (!to.isEmpty() && !out.open(QIODevice::WriteOnly))
        return;
    std::vector<char> memory;
    if (to.isEmpty()) { // the emulated writer keeps its session the same way
        memory.reserve(std::size_t(in.size()));
        quandor::aspi::preferHugePages(memory.data(), memory.capacity());
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = in.read(block.data(), block.size())) > 0;) {
        if (to.isEmpty())
            memory.insert(memory.end(), block.constData(), block.constData() + n);
        else
            out.write(block.constData(), n);
    }
}

/// A two-track audio disc of `sectors` sectors of music-like sound in an
/// emulated reader at 0:1:0, and a blank CD-R in an emulated writer at 0:2:0.
bool loadDisc(const QTemporaryDir& folder, int sectors)
{
    QFile bin(folder.filePath(QStringLiteral("source.bin")));
    if (!bin.open(QIODevice::WriteOnly))
        return false;
    bin.write(quandor::bench::musicLikePcm(44100, double(sectors) / 75.0, 4));
    bin.close();
    QFile cue(folder.filePath(QStringLiteral("source.cue")));
    cue.open(QIODevice::WriteOnly);
    cue.write("FILE \"source.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    INDEX 01 00:30:00\r\n");
    cue.close();
    QFile ini(folder.filePath(QStringLiteral("drives.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[drive 0:1:0]\nMedium=audio\nCue=source.cue\nWriter=0\n[drive 0:2:0]\nMedium=cdr\n");
    ini.close();
    std::string error;
    if (!quandor::aspi::loadEmulatedDrives(ini.fileName().toStdString(), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const int sectors = int(qint64(megabytes) * 1024 * 1024 / kSectorBytes);
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.bin"));
    const QString iniPath = folder.filePath(QStringLiteral("drives.ini"));
    if (!loadDisc(folder, sectors))
        return 1;
    AspiLayer::LoadResult loaded = AspiLayer::load(QStringLiteral(QUANDOR_BRENLOW_DIR), AspiLayer::libraryFileName());
    if (!loaded.layer)
        return 1;
    const DriveAddress reader{0, 1, 0}, writer{0, 2, 0};
    const TocResult toc = readTableOfContents(*loaded.layer, reader, QStringLiteral("Track"));

    const QString copy = folder.filePath(QStringLiteral("copy.bin"));
    const auto [imageSeconds, catSeconds] = turns(
        [&] {
            DiscImageSnapshot snapshot{loaded.layer, reader, toc.table, imagePathsFor(folder.filePath("image.bin"))};
            const DiscImageResult result = DiscImageJob(snapshot).run();
            if (result.outcome != DiscImageOutcome::Completed)
                std::fprintf(stderr, "image job ended with %d (%s)\n", int(result.outcome),
                             qPrintable(result.command.text()));
        },
        [&] { plainCopy(source, copy); });

    // The same READ CD requests with nothing else: what the layer costs alone.
    const double readsSeconds = seconds([&] {
        std::vector<std::uint8_t> buffer(10 * kSectorBytes);
        for (int lba = 0; lba < sectors; lba += 10) {
            const int count = std::min(10, sectors - lba);
            scsi::readCd(*loaded.layer, reader, Lba{lba}, std::uint32_t(count),
                         std::span(buffer).first(std::size_t(count) * kSectorBytes));
        }
    });

    const CueSheetLoad load = readCueSheet(folder.filePath(QStringLiteral("image.cue")));
    if (!load.ok())
        std::fprintf(stderr, "cue sheet: %s\n", qPrintable(load.reason));
    const auto [burnSeconds, cpSeconds] = turns(
        [&] {
            quandor::aspi::loadEmulatedDrives(iniPath.toStdString()); // a fresh blank CD-R
            BurnSnapshot snapshot;
            snapshot.transport = loaded.layer;
            snapshot.drive = writer;
            snapshot.imagePath = load.imagePath;
            snapshot.imageSize = load.imageSize;
            snapshot.tracks = load.tracks;
            snapshot.setWriteParameters = [](const DriveAddress& d, std::uint8_t options) {
                return SetParameter(d.adapter, d.target, d.lun, options, 8, 8);
            };
            if (const BurnOutcome outcome = BurnJob(snapshot).run(); outcome != BurnOutcome::Written)
                std::fprintf(stderr, "burn ended with %d\n", int(outcome));
        },
        [&] { plainCopy(load.imagePath, QString()); });
    const bool equal = quandor::aspi::writtenDiscBytes({0, 2, 0}).size() == std::size_t(load.imageSize);

    const double mb = double(sectors) * kSectorBytes / 1e6;
    std::printf("image of %d MB (%d sectors), %d rounds, medians\n", megabytes, sectors, kRounds);
    std::printf("copy to file:   %7.3f s  %8.1f MB/s\n", catSeconds, mb / catSeconds);
    std::printf("disc to image:  %7.3f s  %8.1f MB/s  ratio %.2f of the copy\n", imageSeconds, mb / imageSeconds,
                catSeconds / imageSeconds);
    std::printf("READ CD alone:  %7.3f s  %8.1f MB/s  (%.0f us a request)\n", readsSeconds, mb / readsSeconds,
                readsSeconds * 1e6 / ((sectors + 9) / 10));
    std::printf("copy to memory: %7.3f s  %8.1f MB/s\n", cpSeconds, mb / cpSeconds);
    std::printf("burn:           %7.3f s  %8.1f MB/s  ratio %.2f of the copy%s\n", burnSeconds, mb / burnSeconds,
                cpSeconds / burnSeconds, equal ? "" : "  (WRITTEN SIZE DIFFERS)");
    quandor::aspi::unloadEmulatedDrives();
    return 0;
}
