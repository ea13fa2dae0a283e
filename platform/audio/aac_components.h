#pragma once
// The converter's AAC and M4A decoders and AAC encoder, over FFmpeg. They run
// synchronously on the caller's thread; the progress callbacks are called
// from inside Decode/Encode about every 100 ms of work, so the caller can let
// its event loop run there (and call Stop from it).

#include <QString>

#include <functional>

namespace quandor::audio {

/// Decoder of raw AAC (ADTS) files. `IsMpeg4` says the file is really an
/// MPEG-4 container, which the M4A decoder handles.
class AacDecoder {
public:
    QString InputFile;
    QString OutputFile;
    /// Called with 0..100.
    std::function<void(int percent)> Progress;

    bool IsMpeg4() const;
    /// Seconds; 0 when the file cannot be read.
    float AACDuration() const;
    /// Writes OutputFile as a 16-bit WAV. True means failure or stop: skip the
    /// entry; no output file is left behind then.
    bool Decode();
    void Stop();
    QString LastError() const { return lastError_; }

private:
    bool stopRequested_ = false;
    QString lastError_;
};

/// Decoder of MPEG-4 audio files (M4A, MP4).
class M4aDecoder {
public:
    QString InputFile;
    QString OutputFile;
    std::function<void(int percent)> Progress;

    float M4ADuration() const;
    bool Decode(); ///< as AacDecoder::Decode
    void Stop();
    QString LastError() const { return lastError_; }

private:
    bool stopRequested_ = false;
    QString lastError_;
};

/// Encoder of a WAV file to raw AAC (ADTS).
class AacEncoder {
public:
    QString InputFile;
    QString OutputFile;
    /// Called with the bytes of input done and the total.
    std::function<void(qint64 done, qint64 total)> Progress;

    bool SetInputFormat(int sampleRate, int channels);
    /// The nine encoder settings, in this order: mid/side coding, LFE channel
    /// use, (unused), MPEG-2 header when 1 (else MPEG-4), profile (0 Main,
    /// 1 Low Complexity), bandwidth in Hz, average bit rate in kbit/s (0: use
    /// the quality), temporal noise shaping, quality (50..250 when used).
    bool SetEncoding(bool midSide, bool useLfe, int reserved, int mpeg2, int profile, int bandwidth, int bitrate,
                     bool tns, int quality);
    /// Encodes InputFile into OutputFile. True when the file was written;
    /// false on failure or Stop (LastError says which; no output is left).
    bool Encode();
    void Stop();
    QString LastError() const { return lastError_; }

    struct Settings {
        bool midSide = false;
        bool useLfe = false;
        bool mpeg2 = true;
        int profile = 0;
        int bandwidth = 16000;
        int bitrate = 128;
        bool tns = false;
        int quality = 0;
    };

private:
    int inputRate_ = 44100;
    int inputChannels_ = 2;
    Settings settings_;
    bool stopRequested_ = false;
    QString lastError_;
};

} // namespace quandor::audio
