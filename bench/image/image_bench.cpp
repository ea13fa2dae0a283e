// Reads an emulated disc into a .bin/.cue image and burns that image to an
// emulated blank CD-R, each timed against the plain copy of the same bytes
// (cat of the source image, cp of the image). Best of several rounds.
//
//   bench_image [megabytes]   (default 200)

#include "cdrip/scsi/aspi_layer.h"
#include "cdrip/scsi/burn_job.h"
#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/scsi/scsi_commands.h"
#include "cdrip/scsi/toc.h"
#include "platform/aspi/emulated_drives.h"
#include "platform/isoburn/isoburn.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace brenlow;

namespace {

constexpr int kRounds = 3;

double bestSeconds(const std::function<void()>& work)
{
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, clock.nsecsElapsed() / 1e9);
    }
    return best;
}

void shell(const QString& command)
{
    QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command});
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const int sectors = int(qint64(megabytes) * 1024 * 1024 / kSectorBytes);
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source.bin"));
    {
        QFile bin(source);
        if (!bin.open(QIODevice::WriteOnly))
            return 1;
        QByteArray sector(kSectorBytes, '\0');
        for (int s = 0; s < sectors; ++s) {
            for (int i = 0; i < kSectorBytes; ++i)
                sector[i] = char(s * 7 + i * 13);
            bin.write(sector);
        }
    }
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
        return 1;
    }
    AspiLayer::LoadResult loaded = AspiLayer::load(QStringLiteral(QUANDOR_BRENLOW_DIR), AspiLayer::libraryFileName());
    if (!loaded.layer)
        return 1;
    const DriveAddress reader{0, 1, 0}, writer{0, 2, 0};
    const TocResult toc = readTableOfContents(*loaded.layer, reader, QStringLiteral("Track"));

    const QString copy = folder.filePath(QStringLiteral("copy.bin"));
    const double catSeconds = bestSeconds([&] { shell(QStringLiteral("cat '%1' > '%2'").arg(source, copy)); });
    const double imageSeconds = bestSeconds([&] {
        DiscImageSnapshot snapshot{loaded.layer, reader, toc.table, imagePathsFor(folder.filePath("image.bin"))};
        const DiscImageResult result = DiscImageJob(snapshot).run();
        if (result.outcome != DiscImageOutcome::Completed)
            std::fprintf(stderr, "image job ended with %d (%s)\n", int(result.outcome),
                         qPrintable(result.command.text()));
    });

    // The same READ CD requests with nothing else: what the layer costs alone.
    const double readsSeconds = bestSeconds([&] {
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
    const double cpSeconds = bestSeconds([&] { shell(QStringLiteral("cp '%1' '%2'").arg(load.imagePath, copy)); });
    double burnSeconds = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        quandor::aspi::loadEmulatedDrives(ini.fileName().toStdString());   // a fresh blank CD-R
        BurnSnapshot snapshot;
        snapshot.transport = loaded.layer;
        snapshot.drive = writer;
        snapshot.imagePath = load.imagePath;
        snapshot.imageSize = load.imageSize;
        snapshot.tracks = load.tracks;
        snapshot.setWriteParameters = [](const DriveAddress& d, std::uint8_t options) {
            return SetParameter(d.adapter, d.target, d.lun, options, 8, 8);
        };
        QElapsedTimer clock;
        clock.start();
        const BurnOutcome outcome = BurnJob(snapshot).run();
        burnSeconds = std::min(burnSeconds, clock.nsecsElapsed() / 1e9);
        if (outcome != BurnOutcome::Written)
            std::fprintf(stderr, "burn ended with %d\n", int(outcome));
    }
    const bool equal = quandor::aspi::writtenDiscBytes({0, 2, 0}).size() == std::size_t(load.imageSize);

    const double mb = double(sectors) * kSectorBytes / 1e6;
    std::printf("image of %d MB (%d sectors)\n", megabytes, sectors);
    std::printf("cat:            %7.3f s  %8.1f MB/s\n", catSeconds, mb / catSeconds);
    std::printf("disc to image:  %7.3f s  %8.1f MB/s  ratio %.2f of cat\n", imageSeconds, mb / imageSeconds,
                catSeconds / imageSeconds);
    std::printf("READ CD alone:  %7.3f s  %8.1f MB/s  (%.0f us a request)\n", readsSeconds, mb / readsSeconds,
                readsSeconds * 1e6 / ((sectors + 9) / 10));
    std::printf("cp:             %7.3f s  %8.1f MB/s\n", cpSeconds, mb / cpSeconds);
    std::printf("burn:           %7.3f s  %8.1f MB/s  ratio %.2f of cp%s\n", burnSeconds, mb / burnSeconds,
                cpSeconds / burnSeconds, equal ? "" : "  (WRITTEN SIZE DIFFERS)");
    quandor::aspi::unloadEmulatedDrives();
    return 0;
}
