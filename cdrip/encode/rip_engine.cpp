#include "cdrip/encode/rip_engine.h"

#include "cdrip/encode/genre_names.h"
#include "cdrip/encode/sector_prefetcher.h"
#include "cdrip/encode/track_encoders.h"
#include "cdrip/encode/wav_header.h"

#include <QFile>
#include <algorithm>
#include <vector>

namespace brenlow {
namespace {

/// The ID3v1 tag of a ripped MP3 (the same for every track but the title).
Id3v1Fields mp3Tag(const RipJob& job)
{
    Id3v1Fields tag;
    tag.artist = job.naming.artist;
    tag.album = job.naming.album;
    tag.year = job.naming.year.left(4);
    tag.comment = QStringLiteral("Created by Brenlow !");
    const QString genre = job.genre.isEmpty() ? QStringLiteral("Rock") : job.genre;
    tag.genre = std::max(0, genreNumber(genre));
    return tag;
}

QString extension(RipFormat format)
{
    switch (format) {
    case RipFormat::Wav:
        return QStringLiteral("wav");
    case RipFormat::Mp3:
        return QStringLiteral("mp3");
    case RipFormat::Ogg:
        return QStringLiteral("ogg");
    }
    return {};
}

} // namespace

RipEngine::RipEngine(RipJob job, std::atomic<bool>& stopRequested, RipObserver& observer)
    : job_(std::move(job)),
      stop_(stopRequested),
      observer_(observer)
{}

RipOutcome RipEngine::fail(RipProblem problem, const QString& path, int trackNumber, const QString& reason)
{
    observer_.problem({problem, path, trackNumber, reason});
    return RipOutcome::Failed;
}

RipOutcome RipEngine::run()
{
    if (!job_.drive)
        return RipOutcome::Failed;
    std::unique_ptr<LameLibrary> lame;
    if (job_.format == RipFormat::Mp3) {
        LameLibrary::LoadError error = LameLibrary::LoadError::None;
        lame = LameLibrary::load(job_.lameLibraryPath, error);
        if (!lame) {
            const auto problem =
                error == LameLibrary::LoadError::NotLoaded ? RipProblem::LameNotLoaded : RipProblem::LameEntryMissing;
            return fail(problem, job_.lameLibraryPath);
        }
    }
    for (const RipTrack& track : job_.tracks) {
        if (stop_.load())
            return RipOutcome::Stopped;
        if (!track.audio || track.lengthSectors <= 0)
            continue; // data tracks hold no CD-DA sectors
        std::unique_ptr<TrackEncoder> encoder;
        switch (job_.format) {
        case RipFormat::Wav:
            encoder = std::make_unique<WavTrackEncoder>();
            break;
        case RipFormat::Mp3: {
            Id3v1Fields tag = mp3Tag(job_);
            tag.title = track.title;
            encoder = std::make_unique<Mp3TrackEncoder>(*lame, makeLameConfig(job_.encoder.mp3), std::move(tag));
            break;
        }
        case RipFormat::Ogg:
            encoder = std::make_unique<OggTrackEncoder>(
                job_.encoder.ogg,
                OggTrackEncoder::DiscFields{job_.naming.year, job_.naming.artist, job_.naming.album, job_.genre});
            break;
        }
        const OutputPath out = BuildOutputPath(job_.naming, track.number, track.title, extension(job_.format));
        if (!out.ok())
            return fail(RipProblem::FolderFailed, out.failedFolder, track.number);
        if (const auto problem = encoder->begin(out.path, track))
            return fail(*problem, out.path, track.number, encoder->failure());
        const TrackResult result = ripTrack(track, out.path, *encoder);
        if (result == TrackResult::Failed)
            return RipOutcome::Failed;
        if (result == TrackResult::Stopped)
            return RipOutcome::Stopped;
    }
    return stop_.load() ? RipOutcome::Stopped : RipOutcome::Completed;
}

RipEngine::TrackResult RipEngine::ripTrack(const RipTrack& track, const QString& path, TrackEncoder& encoder)
{
    SectorPrefetcher reads(*job_.drive, track.start, track.lengthSectors);
    int64_t done = 0;
    int lastPercent = -1;
    const auto finishCut = [&](std::optional<RipProblem> problem) {
        const auto ended = encoder.end(false);
        if (!problem && ended)
            problem = ended;
        if (problem)
            observer_.problem({*problem, path, track.number, encoder.failure()});
    };
    const auto fail = [&](RipProblem problem) {
        finishCut(problem);
        return TrackResult::Failed;
    };
    // The runs of a batch go to the encoder together, once they are counted:
    // `used` runs of `batch`, their first `counted` bytes.
    const SectorPrefetcher::Batch* batch = nullptr;
    size_t used = 0;
    size_t counted = 0;
    const auto giveCounted = [&] { return counted == 0 || encoder.write(batch->bytes.data(), int64_t(counted)); };
    while (done < track.lengthSectors) {
        // The stop flag is polled before every run, as it would be before every read.
        if (stop_.load()) {
            if (observer_.confirmStop()) {
                if (!giveCounted())
                    return fail(RipProblem::WriteFailed);
                finishCut(std::nullopt);
                if (job_.format == RipFormat::Ogg)
                    observer_.trackFinished(track.index);
                return TrackResult::Stopped;
            }
            stop_.store(false);
        }
        if (!batch || used == batch->runs.size()) {
            if (batch && !giveCounted())
                return fail(RipProblem::WriteFailed);
            if (batch && batch->failed)
                return fail(RipProblem::ReadFailed);
            batch = &reads.next();
            used = counted = 0;
            if (batch->runs.empty())
                return fail(RipProblem::ReadFailed);
        }
        const int count = batch->runs[used++];
        counted += size_t(count) * kSectorBytes;
        done += count;
        const int percent = std::min(99, static_cast<int>(float(done) / float(track.lengthSectors) * 100.0f));
        if (percent != lastPercent) {
            lastPercent = percent;
            observer_.progress(track.index, percent);
        }
    }
    if (batch && !giveCounted())
        return fail(RipProblem::WriteFailed);
    if (const auto problem = encoder.end(true)) {
        observer_.problem({*problem, path, track.number, encoder.failure()});
        return TrackResult::Failed;
    }
    observer_.trackFinished(track.index);
    return TrackResult::Done;
}

} // namespace brenlow
