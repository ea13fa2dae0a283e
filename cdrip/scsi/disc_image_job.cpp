#include "cdrip/scsi/disc_image_job.h"

#include "cdrip/scsi/background_file_writer.h"
#include "cdrip/scsi/scsi_commands.h"
#include "platform/files/file_door.h"

#include <QFile>
#include <thread>

namespace brenlow {

namespace {

constexpr int kSectorsPerRead = 10;

DiscImageResult ended(DiscImageOutcome outcome, const QString& path = {}, const QString& reason = {})
{
    DiscImageResult result;
    result.outcome = outcome;
    result.path = path;
    result.reason = reason;
    return result;
}

} // namespace

int progressPercent(std::int64_t done, std::int64_t total)
{
    return total > 0 ? static_cast<int>(done * 100 / total) : 0;
}

DiscImageJob::DiscImageJob(DiscImageSnapshot snapshot) : snapshot_(std::move(snapshot)) {}

int DiscImageJob::sectorCount(const TrackTable& tracks)
{
    if (tracks.empty())
        return 0;
    return tracks.tracks().back().end().imageSector();
}

DiscImageResult DiscImageJob::run(const std::atomic<bool>& stop)
{
    // Both files have no name until the image is complete: a cancelled,
    // failed or killed image leaves nothing, and an older image of the same
    // name stays until the new one replaces it.
    DiscImageResult result = work(stop);
    emit finished(result);
    return result;
}

DiscImageResult DiscImageJob::work(const std::atomic<bool>& stop)
{
    const TrackTable& tracks = snapshot_.tracks;
    const int total = sectorCount(tracks);
    if (total <= 0)
        return ended(DiscImageOutcome::NoTracks);
    for (const Track& track : tracks.tracks())
        if (track.dataTrack())
            return ended(DiscImageOutcome::DataTrack);

    const ImagePaths& paths = snapshot_.paths;
    // The user chose the name and agreed to replace what has it.
    quandor::files::NewFile binFile;
    QString reason;
    if (!binFile.open(paths.binPath, quandor::files::WhenTaken::Replace, &reason))
        return ended(DiscImageOutcome::CreateFailed, paths.binPath, reason);
    QFile image;
    if (!image.open(binFile.descriptor(), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return ended(DiscImageOutcome::CreateFailed, paths.binPath, image.errorString());
    const auto writeFailed = [&] {
        // A write cut short by a full disk or a size limit leaves no error of its own.
        const QString why =
            image.error() == QFileDevice::NoError || image.errorString() == QLatin1String("Unknown error")
            ? qt_error_string(quandor::files::shortWriteReason(binFile.descriptor()))
            : image.errorString();
        return ended(DiscImageOutcome::WriteFailed, paths.binPath, why);
    };

    // Runs are gathered and written several at a time, on a thread of their
    // own: one write per run costs as much as the read itself, and the disc is
    // read on while a batch is written. A failed image is removed, so nothing
    // held back here is ever lost.
    constexpr std::size_t kRunsPerWrite = 16;
    const std::size_t runBytes = std::size_t(kSectorsPerRead) * kSectorBytes;
    BackgroundFileWriter writer(image, kRunsPerWrite * runBytes);
    std::size_t filled = 0;
    int done = 0;
    emit progress(0, total);
    while (done < total) {
        const int count = total - done < kSectorsPerRead ? 1 : kSectorsPerRead;
        const std::span<std::uint8_t> sectors = writer.buffer().subspan(filled, std::size_t(count) * kSectorBytes);
        ScsiResult read;
        for (int attempt = 0; attempt < snapshot_.attemptsPerRead; ++attempt) {
            if (stop.load())
                return ended(DiscImageOutcome::Cancelled);
            if (attempt > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(snapshot_.retryDelayMs));
            read = scsi::readCd(*snapshot_.transport, snapshot_.drive, Lba::ofImageSector(done), std::uint32_t(count),
                                sectors);
            if (read.ok())
                break;
        }
        if (!read.ok()) {
            DiscImageResult failed = ended(DiscImageOutcome::ReadFailed);
            failed.failedAt = Lba::ofImageSector(done);
            failed.command = read;
            return failed;
        }
        filled += sectors.size();
        done += count;
        if (done == total || filled + runBytes > writer.buffer().size()) {
            if (!writer.submit(filled))
                return writeFailed();
            filled = 0;
        }
        emit progress(done, total);
    }
    if (!writer.finish() || !image.flush())
        return writeFailed();
    image.close();
    if (!binFile.commit(&reason))
        return ended(DiscImageOutcome::WriteFailed, paths.binPath, reason);
    // The cue sheet only beside a complete image: a cut image never has one.
    if (!quandor::files::replaceFile(paths.cuePath, cueSheetText(tracks, paths.binName), &reason))
        return ended(DiscImageOutcome::WriteFailed, paths.cuePath, reason);
    return ended(DiscImageOutcome::Completed);
}

} // namespace brenlow
