#pragma once
// One output file per track: WAV, MP3 through the LAME library, Ogg Vorbis.
// Each writes what it is given and, when ended (finished or cut short),
// leaves a valid file. The file has no name until it is ended (a kill leaves
// nothing under the track's name), then it replaces what had the name.

#include "cdrip/encode/id3v1_tag.h"
#include "cdrip/encode/lame_library.h"
#include "cdrip/encode/ogg_vorbis_stream.h"
#include "cdrip/encode/rip_job.h"
#include "platform/files/file_door.h"

#include <QFile>
#include <optional>
#include <vector>

namespace brenlow {

class TrackEncoder {
public:
    virtual ~TrackEncoder() = default;
    /// Why the last write, or the end, failed, in the system's words.
    QString failure() const { return failure_; }

protected:
    /// Starts the unnamed file for `path` and opens `file` on it.
    bool openOutput(const QString& path, QFile& file, QIODevice::OpenMode extraMode = {});
    /// Closes `file` and names the output; false with the reason kept.
    bool completeOutput(QFile& file);
    /// Notes a failed write of `file`.
    void noteFailure(const QFile& file);
    QString workingPath() const { return QString::fromLocal8Bit(target_.workingPath()); }
    quandor::files::NewFile target_;
    QString failure_;

public:
    /// Creates the file; on failure nothing is left behind.
    virtual std::optional<RipProblem> begin(const QString& path, const RipTrack& track) = 0;
    virtual bool write(const uint8_t* pcm, int64_t bytes) = 0;
    /// Completes the file; `whole` is false when the track was cut short.
    virtual std::optional<RipProblem> end(bool whole) = 0;
};

class WavTrackEncoder final : public TrackEncoder {
public:
    std::optional<RipProblem> begin(const QString& path, const RipTrack& track) override;
    bool write(const uint8_t* pcm, int64_t bytes) override;
    std::optional<RipProblem> end(bool whole) override;

private:
    bool writeAudio(const char* data, qint64 bytes);
    bool writePending();

    QFile file_;
    uint32_t dataBytes_ = 0; ///< audio bytes in the file, counted as they land
    bool writeFailed_ = false;
    /// Audio not yet in the file: written a few hundred kilobytes at a time,
    /// since one write per read costs as much as the read.
    std::vector<uint8_t> pending_;
};

class Mp3TrackEncoder final : public TrackEncoder {
public:
    /// `tag` is written at the end of every whole track.
    Mp3TrackEncoder(const LameLibrary& lame, const BeConfig& config, Id3v1Fields tag);
    ~Mp3TrackEncoder() override;
    std::optional<RipProblem> begin(const QString& path, const RipTrack& track) override;
    bool write(const uint8_t* pcm, int64_t bytes) override;
    std::optional<RipProblem> end(bool whole) override;

private:
    bool writeOutput(uint32_t bytes);
    void closeStream();

    const LameLibrary& lame_;
    BeConfig config_;
    Id3v1Fields tag_;
    QFile file_;
    BeStream stream_ = nullptr;
    uint32_t chunkSamples_ = 0;
    std::vector<int16_t> input_;
    std::vector<uint8_t> output_;
};

class OggTrackEncoder final : public TrackEncoder {
public:
    /// The disc's fields go into every track's comments.
    struct DiscFields {
        QString year, artist, album, genre;
    };
    OggTrackEncoder(const OggSettings& settings, DiscFields disc);
    std::optional<RipProblem> begin(const QString& path, const RipTrack& track) override;
    bool write(const uint8_t* pcm, int64_t bytes) override;
    std::optional<RipProblem> end(bool whole) override;

private:
    VorbisParameters parameters_;
    DiscFields disc_;
    QFile file_;
    std::unique_ptr<OggVorbisStream> stream_;
};

} // namespace brenlow
