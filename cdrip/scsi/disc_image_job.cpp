#include "cdrip/scsi/disc_image_job.h"

#include "cdrip/scsi/background_file_writer.h"
#include "cdrip/scsi/scsi_commands.h"

#include <QFile>
#include <thread>

namespace brenlow {

namespace {

constexpr int kSectorsPerRead = 10;

DiscImageResult ended(DiscImageOutcome outcome, const QString& path = {})
{
    DiscImageResult result;
    result.outcome = outcome;
    result.path = path;
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
    return Lba::fromMsfFrames(tracks.tracks().back().endFrame()).imageSector();
}

DiscImageResult DiscImageJob::run(const std::atomic<bool>& stop)
{
    DiscImageResult result = work(stop);
    if (result.outcome != DiscImageOutcome::Completed && result.outcome != DiscImageOutcome::DataTrack
        && result.outcome != DiscImageOutcome::NoTracks) {
        QFile::remove(snapshot_.paths.binPath);
        QFile::remove(snapshot_.paths.cuePath);
    }
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
    QFile::remove(paths.binPath);
    QFile::remove(paths.cuePath);
    QFile image(paths.binPath);
    if (!image.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return ended(DiscImageOutcome::CreateFailed, paths.binPath);

    // The cue sheet first, so a finished image always has one.
    {
        QFile cue(paths.cuePath);
        if (!cue.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return ended(DiscImageOutcome::CreateFailed, paths.cuePath);
        const QByteArray text = cueSheetText(tracks, paths.binName);
        if (cue.write(text) != text.size() || !cue.flush())
            return ended(DiscImageOutcome::WriteFailed, paths.cuePath);
    }

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
                return ended(DiscImageOutcome::WriteFailed, paths.binPath);
            filled = 0;
        }
        emit progress(done, total);
    }
    if (!writer.finish())
        return ended(DiscImageOutcome::WriteFailed, paths.binPath);
    if (!image.flush())
        return ended(DiscImageOutcome::WriteFailed, paths.binPath);
    image.close();
    if (image.error() != QFileDevice::NoError)
        return ended(DiscImageOutcome::WriteFailed, paths.binPath);
    return ended(DiscImageOutcome::Completed);
}

} // namespace brenlow
