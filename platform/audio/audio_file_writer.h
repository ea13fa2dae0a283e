#pragma once
// The converter's audio file writer. The output format is chosen first and
// kept until changed (PCM WAV, MP3 through libmp3lame, Ogg Vorbis through
// libvorbisenc, WMA through FFmpeg); then Open, SetSourceFormat, WriteChunk
// with the reader's PCM, and Close, which completes the file.
//
// A refused format leaves no format chosen: FormatString() is empty and Open
// fails until a format is set successfully. A failed Open or WriteChunk removes
// the half-written file; Close completes what was written, Abort discards it.

#include "platform/audio/before_naming.h"
#include "platform/audio/mp3_lame_encoder.h"
#include "platform/audio/output_format.h"
#include "platform/audio/tag_fields.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace quandor::audio {

class OpenTarget;

class AudioFileWriter {
public:
    AudioFileWriter();
    ~AudioFileWriter(); ///< closes (completes) an open file
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    /// Starts `path` in the current format. The file takes its name at Close;
    /// when another file has it by then, the next free one (`song(1).mp3`).
    bool Open(const QString& path, int mode = 0);
    /// Tag fields the files opened from now on carry from the start where the
    /// format has a header of its own for them (Ogg Vorbis comments): a tag
    /// save of the same fields afterwards then rewrites them in place instead
    /// of moving the whole file. Empty: none.
    void SetStreamTags(TagFieldList fields);
    /// Completes the file (WAV sizes, LAME tag frame, Ogg end of stream, ASF
    /// index). False when finishing failed, or when an earlier WriteChunk
    /// failed (the file was removed then); true when nothing is open.
    /// `beforeNaming` (when set) gets the path that opens the finished file
    /// before it has its name: the program's own file, to tag in place. When
    /// it refuses the file, the file is dropped and Close fails with its reason.
    bool Close(const BeforeNaming& beforeNaming = {});
    /// Discards an open file: nothing is left behind.
    void Abort();
    bool IsOpen() const;
    /// The name the file completed by the last successful Close took.
    QString WrittenPath() const { return writtenPath_; }

    /// The PCM that follows: interleaved signed 16-bit, `blockAlign` bytes per
    /// frame (2 mono, 4 stereo) at `sampleRate`; the reader's FormatNumberB and
    /// FormatNumberA, in that order. Defaults to 44100 Hz stereo.
    bool SetSourceFormat(int sampleRate, int blockAlign);
    bool WriteChunk(const QByteArray& pcm);

    /// 8 (unsigned), 16, 24 or 32 bits; 6000..96000 Hz; 1 or 2 channels.
    bool SetFormatPCM(int sampleRate, int channels, int bits);
    /// 16-bit PCM at any rate a WAV header holds: a working copy of a source
    /// for a lossless encoder, which must keep the source's rate whatever it is.
    bool SetFormatPcmCopy(int sampleRate, int channels);
    /// Constant bit rate MP3.
    bool SetFormatMP3(int sampleRate, int kbps, int channels);
    /// MP3 with every setting of `settings` (a copy is kept).
    bool SetFormatMP3Ex(const MP3LameEncoder& settings);
    /// Bit rates in kbit/s, 0 = not set. True when libvorbisenc can set up
    /// that managed-bit-rate format.
    bool IsFormatOggVorbisAvailable(int sampleRate, int channels, int nominal, int minimum, int maximum) const;
    /// `quality` = quality level x 100 (0..1000; 400 is Vorbis quality 0.4),
    /// or -1: the bit rates govern.
    bool SetFormatOggVorbis(int sampleRate, int channels, int nominal, int minimum, int maximum, int quality);
    /// WMA profiles 1..51 (see WmaProfileCount / WmaProfileDescription).
    bool SelectWmaProfile(int profile);

    /// One line describing the current format; empty when none is chosen.
    QString FormatString() const;
    /// The current format's settings when it is Ogg Vorbis (as SetFormatOggVorbis
    /// took them; in quality mode the bit rates are 0).
    std::optional<VorbisSettings> OggVorbisFormat() const;

    /// The program's WMA switch, kept for it (the program offers the WMA
    /// format only when it is on); the WMA profiles work either way.
    bool WmaSupport() const;
    void SetWmaSupport(bool enabled);

    QString LastError() const;

    static int WmaProfileCount();
    /// The FormatString of a WMA profile (1..51), empty outside the table.
    static QString WmaProfileDescription(int profile);

private:
    bool refuse(const QString& reason);
    bool setPcm(int sampleRate, int channels, int bits);
    bool failWrite(const QString& reason);
    void setFormat(const OutputFormat& format);

    std::unique_ptr<OutputFormat> format_; ///< null while no format is chosen
    std::unique_ptr<OpenTarget> target_;   ///< the file being written
    bool writeFailed_ = false;             ///< a write failed since the last Open
    int sourceRate_ = 44100;
    int sourceChannels_ = 2;
    bool wmaSupport_ = false;
    TagFieldList streamTags_;
    QString lastError_;
    QString writtenPath_;
};

} // namespace quandor::audio
