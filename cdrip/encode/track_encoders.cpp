#include "cdrip/encode/track_encoders.h"
#include "quandor_version.h"

#include "cdrip/encode/wav_header.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cstring>

namespace brenlow {

// --- the output file ------------------------------------------------------

bool TrackEncoder::openOutput(const QString& path, QFile& file, QIODevice::OpenMode extraMode)
{
    failure_.clear();
    // A rip replaces the file of its name, as it always has; only whole:
    // what stood there is there until the new file is complete.
    if (!target_.open(path, quandor::files::WhenTaken::Replace, &failure_))
        return false;
    if (file.open(target_.descriptor(), QIODevice::WriteOnly | extraMode, QFileDevice::DontCloseHandle))
        return true;
    failure_ = file.errorString();
    target_.discard();
    return false;
}

bool TrackEncoder::completeOutput(QFile& file)
{
    const bool flushed = file.flush();
    if (!flushed)
        noteFailure(file);
    file.close();
    if (!flushed) {
        target_.discard();
        return false;
    }
    return target_.commit(&failure_);
}

void TrackEncoder::noteFailure(const QFile& file)
{
    if (!failure_.isEmpty())
        return;
    // A write cut short by a full disk or a size limit leaves no error of its own.
    const QString reason = file.error() == QFileDevice::NoError || file.errorString() == QLatin1String("Unknown error")
        ? qt_error_string(quandor::files::shortWriteReason(target_.descriptor()))
        : file.errorString();
    failure_ = QStringLiteral("%1: %2").arg(target_.path(), reason);
}

// --- WAV -------------------------------------------------------------------

namespace {
constexpr size_t kWavWriteBytes = 16 * 10 * size_t(kSectorBytes);
}

std::optional<RipProblem> WavTrackEncoder::begin(const QString& path, const RipTrack& track)
{
    dataBytes_ = 0;
    writeFailed_ = false;
    pending_.clear();
    pending_.reserve(kWavWriteBytes);
    // Unbuffered: the audio is gathered in `pending_` already, and every byte
    // a write reports is then in the file.
    if (!openOutput(path, file_, QIODevice::Unbuffered))
        return RipProblem::CreateFailed;
    const auto header = makeWavHeader(static_cast<uint32_t>(track.lengthSectors * kSectorBytes));
    if (file_.write(reinterpret_cast<const char*>(header.data()), kWavHeaderBytes) != kWavHeaderBytes) {
        noteFailure(file_);
        file_.close();
        target_.discard();
        return RipProblem::WriteFailed;
    }
    return std::nullopt;
}

bool WavTrackEncoder::write(const uint8_t* pcm, int64_t bytes)
{
    if (pending_.size() + size_t(bytes) > kWavWriteBytes && !writePending())
        return false;
    if (size_t(bytes) >= kWavWriteBytes / 2) // large enough to go out as it is, without a copy
        return writeAudio(reinterpret_cast<const char*>(pcm), bytes);
    pending_.insert(pending_.end(), pcm, pcm + bytes);
    return true;
}

bool WavTrackEncoder::writeAudio(const char* data, qint64 bytes)
{
    // A write cut short by a full disk may still have put part of its bytes
    // into the file: they count.
    const qint64 written = file_.write(data, bytes);
    if (written > 0)
        dataBytes_ += static_cast<uint32_t>(written);
    if (written != bytes) {
        writeFailed_ = true;
        noteFailure(file_);
    }
    return written == bytes;
}

bool WavTrackEncoder::writePending()
{
    if (pending_.empty())
        return true;
    const bool ok = writeAudio(reinterpret_cast<const char*>(pending_.data()), qint64(pending_.size()));
    pending_.clear();
    return ok;
}

std::optional<RipProblem> WavTrackEncoder::end(bool)
{
    bool ok = writePending();
    if (writeFailed_) {
        // Keep whole sample frames only and cut the file there: shrinking
        // needs no space, and the header then describes exactly what is left.
        dataBytes_ -= dataBytes_ % kWavBlockAlign;
        ok = file_.resize(kWavHeaderBytes + qint64(dataBytes_)) && ok;
    }
    // The sizes always describe what the file holds, also for a cut track.
    ok = patchWavSizes(file_, dataBytes_) && ok;
    if (!ok)
        noteFailure(file_);
    // Even a cut track is kept, with sizes that describe what it holds.
    ok = completeOutput(file_) && ok;
    if (!ok || writeFailed_)
        return RipProblem::WriteFailed;
    return std::nullopt;
}

// --- MP3 -------------------------------------------------------------------

Mp3TrackEncoder::Mp3TrackEncoder(const LameLibrary& lame, const BeConfig& config, Id3v1Fields tag)
    : lame_(lame),
      config_(config),
      tag_(std::move(tag))
{}

Mp3TrackEncoder::~Mp3TrackEncoder()
{
    closeStream();
}

void Mp3TrackEncoder::closeStream()
{
    if (stream_)
        lame_.closeStream(stream_);
    stream_ = nullptr;
}

std::optional<RipProblem> Mp3TrackEncoder::begin(const QString& path, const RipTrack&)
{
    uint32_t outputBytes = 0;
    if (lame_.initStream(&config_, &chunkSamples_, &outputBytes, &stream_) != BE_ERR_SUCCESSFUL || !stream_
        || chunkSamples_ == 0) {
        stream_ = nullptr;
        return RipProblem::LameRefused;
    }
    input_.assign(chunkSamples_, 0);
    output_.assign(outputBytes, 0);
    if (!openOutput(path, file_)) {
        closeStream();
        return RipProblem::CreateFailed;
    }
    return std::nullopt;
}

bool Mp3TrackEncoder::writeOutput(uint32_t bytes)
{
    if (bytes == 0 || file_.write(reinterpret_cast<const char*>(output_.data()), bytes) == bytes)
        return true;
    noteFailure(file_);
    return false;
}

bool Mp3TrackEncoder::write(const uint8_t* pcm, int64_t bytes)
{
    const int64_t chunkBytes = int64_t(chunkSamples_) * 2;
    for (int64_t at = 0; at < bytes; at += chunkBytes) {
        const int64_t n = std::min(chunkBytes, bytes - at);
        std::memcpy(input_.data(), pcm + at, static_cast<size_t>(n));
        uint32_t produced = 0;
        if (lame_.encodeChunk(stream_, static_cast<uint32_t>(n / 2), input_.data(), output_.data(), &produced)
                != BE_ERR_SUCCESSFUL
            || !writeOutput(produced))
            return false;
    }
    return true;
}

std::optional<RipProblem> Mp3TrackEncoder::end(bool whole)
{
    uint32_t produced = 0;
    bool ok = lame_.deinitStream(stream_, output_.data(), &produced) == BE_ERR_SUCCESSFUL && writeOutput(produced);
    if (ok && lame_.infoTagFrame) {
        // The VBR/Info frame is only complete now; it replaces the first frame.
        std::vector<uint8_t> frame(output_.size());
        uint32_t frameBytes = 0;
        if (lame_.infoTagFrame(stream_, frame.data(), static_cast<uint32_t>(frame.size()), &frameBytes)
                == BE_ERR_SUCCESSFUL
            && frameBytes > 0) {
            const qint64 endOfStream = file_.pos();
            ok = file_.seek(0) && file_.write(reinterpret_cast<const char*>(frame.data()), frameBytes) == frameBytes
                && file_.seek(endOfStream);
        }
    }
    closeStream();
    if (!ok) {
        noteFailure(file_);
        file_.close();
        target_.discard();
        return RipProblem::WriteFailed;
    }
    // The tag goes in before the file has its name: a whole track is named
    // with it or not at all.
    ok = file_.flush();
    if (whole && ok && !Id3v1Tag(workingPath()).write(tag_)) {
        file_.close();
        target_.discard();
        return RipProblem::TagFailed;
    }
    return completeOutput(file_) && ok ? std::nullopt : std::optional<RipProblem>(RipProblem::WriteFailed);
}

// --- Ogg Vorbis ------------------------------------------------------------

OggTrackEncoder::OggTrackEncoder(const OggSettings& settings, DiscFields disc)
    : parameters_(vorbisParameters(settings)),
      disc_(std::move(disc))
{}

std::optional<RipProblem> OggTrackEncoder::begin(const QString& path, const RipTrack& track)
{
    const VorbisComments comments{
        {QStringLiteral("ENCODER"), QStringLiteral("Brenlow V " QUANDOR_VERSION_TEXT)},
        {QStringLiteral("comment"), QStringLiteral("Created by Brenlow")},
        {QStringLiteral("year"), disc_.year.left(4)},
        {QStringLiteral("title"), track.title.left(29)},
        {QStringLiteral("artist"), disc_.artist.left(29)},
        {QStringLiteral("album"), disc_.album.left(29)},
        {QStringLiteral("genre"), disc_.genre.isEmpty() ? QStringLiteral("Rock") : disc_.genre},
        {QStringLiteral("tracknumber"), QString::number(track.number)},
    };
    if (!openOutput(path, file_))
        return RipProblem::CreateFailed;
    stream_ = std::make_unique<OggVorbisStream>();
    const uint32_t serial = QRandomGenerator::global()->generate();
    if (!stream_->open(parameters_, comments, serial, file_)) {
        const bool writeError = file_.error() != QFileDevice::NoError;
        stream_.reset();
        if (writeError)
            noteFailure(file_);
        file_.close();
        target_.discard();
        return writeError ? RipProblem::WriteFailed : RipProblem::VorbisRefused;
    }
    return std::nullopt;
}

bool OggTrackEncoder::write(const uint8_t* pcm, int64_t bytes)
{
    return stream_->write(pcm, bytes);
}

std::optional<RipProblem> OggTrackEncoder::end(bool)
{
    bool ok = stream_->finish();
    stream_.reset();
    if (!ok)
        noteFailure(file_);
    ok = completeOutput(file_) && ok;
    return ok ? std::nullopt : std::optional<RipProblem>(RipProblem::WriteFailed);
}

} // namespace brenlow
