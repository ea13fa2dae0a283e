#pragma once
// The converter's audio file reader: opens any audio file FFmpeg can decode
// (WAV, MP3, Ogg Vorbis, WMA, AAC, APE, M4A, ...; plain PCM WAV is read
// directly, without FFmpeg) and hands it out as
// interleaved signed 16-bit little-endian PCM, one or two channels at the
// source's own sample rate (sources with more channels are mixed to stereo).
//
// Format numbers (what the transcoding pump relies on):
//   FormatNumberA = bytes per sample frame (2 mono, 4 stereo)
//   FormatNumberB = sample rate in Hz
//   ByteRate      = FormatNumberA * FormatNumberB  (bytes per second)
//   SourceLength  = length in whole seconds, at least 1 while a source is open
// so FormatNumberA * FormatNumberB is one second of audio, and the bytes of all
// chunks divided by ByteRate add up to the length of the source.

#include <QByteArray>
#include <QString>

#include <memory>

namespace quandor::audio {

class PcmSource;

class AudioFileReader {
public:
    AudioFileReader();
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    /// Opens `path` for reading (`mode` and `flags` are accepted and ignored).
    /// False, with `LastError()` and a negative `ReadStatus()`, when the file
    /// cannot be opened or holds no audio that can be decoded (missing,
    /// zero-length, unknown format, no audio stream, protected content).
    bool Open(const QString& path, int mode = 0, int flags = 1);
    void Close();
    bool IsOpen() const;

    /// 0 while a decodable source is open or after the end was reached;
    /// negative when the last `Open` failed or decoding broke off.
    int ReadStatus() const;
    int FormatNumberA() const;
    int FormatNumberB() const;
    int ByteRate() const;
    int SourceLength() const;
    /// Duration in milliseconds as the container or stream reports it
    /// (estimated from the bit rate when neither says).
    int DurationMs() const;
    /// Channels and sample rate of the PCM handed out (also in the format numbers).
    int Channels() const;
    int SampleRate() const;

    /// Up to `count` bytes of PCM (whole sample frames, at most 16 MB at a
    /// time); empty at the end of the source, on a decoding error (then
    /// `ReadStatus()` is negative), when nothing is open, and when `count` is
    /// less than one sample frame.
    QByteArray ReadChunk(int count);

    /// The program's WMA switch, kept for it; WMA files are read either way.
    bool WmaSupport() const;
    void SetWmaSupport(bool enabled);

    QString LastError() const;

private:
    std::unique_ptr<PcmSource> source_;
    int status_ = -1;
    bool wmaSupport_ = false;
    QString lastError_;
};

} // namespace quandor::audio
