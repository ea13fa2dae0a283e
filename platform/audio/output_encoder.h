#pragma once
// One file being encoded in one output format. The writer hands every
// encoder interleaved signed 16-bit PCM already at the encoder's own sample
// rate and channel count.

#include "platform/audio/before_naming.h"
#include "platform/audio/output_format.h"
#include "platform/audio/tag_fields.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace quandor::audio {

class OutputEncoder {
public:
    virtual ~OutputEncoder() = default;
    /// Tag fields the encoder writes with the stream where its format allows
    /// (Ogg's comment header, an ID3v2 tag ahead of MP3); set before open.
    /// Ignored by the other formats.
    virtual void setStreamTags(const TagFieldList& /*fields*/) {}
    /// Starts the file (it takes its name when finished) and writes what
    /// precedes the audio.
    virtual bool open(const QString& path, QString& error) = 0;
    virtual bool write(const std::int16_t* pcm, int frames, QString& error) = 0;
    /// Flushes the encoder and completes the container, calls `beforeNaming`
    /// (when set) on the finished file, then gives it its name and closes it.
    /// False when `beforeNaming` refused the file.
    virtual bool finish(QString& error, const BeforeNaming& beforeNaming) = 0;
    /// Drops the unfinished file: nothing is left of it, and a file the
    /// finished one would have replaced stays as it was.
    virtual void abandon() = 0;
    /// After `finish`: the name the file took. A file that appeared under the
    /// name asked for meanwhile is never replaced, so it may be the next free one.
    virtual QString writtenPath() const = 0;
};

std::unique_ptr<OutputEncoder> makeWavEncoder(const PcmSettings& settings);
std::unique_ptr<OutputEncoder> makeMp3Encoder(const MP3LameEncoder& settings);
std::unique_ptr<OutputEncoder> makeVorbisEncoder(const VorbisSettings& settings);
std::unique_ptr<OutputEncoder> makeWmaEncoder(const WmaProfile& profile);

/// The encoder for `format`.
std::unique_ptr<OutputEncoder> makeEncoder(const OutputFormat& format);

/// Checks that libmp3lame accepts `settings`; empty when it does.
QString checkMp3Settings(const MP3LameEncoder& settings);
/// What LAME settles by itself for a source at `sourceRate`: the output rate
/// when none is named (`rateGiven` false; a lower one for a low bit rate) and
/// a constant bit rate when `settings.Bitrate` is 0 (by the output rate and
/// the channel count). The source's rate and `settings.Bitrate` when LAME
/// refuses the settings.
struct LameChoice {
    int outputRate = 0;
    int kbps = 0;
};
LameChoice lameChoice(const MP3LameEncoder& settings, int sourceRate, bool rateGiven);
/// `settings` with the bit rates LAME will write: a rate the sampling
/// frequency cannot carry is moved to the nearest one it can. Unchanged when
/// LAME refuses the settings.
MP3LameEncoder effectiveMp3Settings(const MP3LameEncoder& settings);
/// Checks that libvorbisenc can set up `settings`; empty when it can.
QString checkVorbisSettings(const VorbisSettings& settings);

} // namespace quandor::audio
