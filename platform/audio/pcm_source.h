#pragma once
// A source of interleaved signed 16-bit PCM, one or two channels at the
// source's own sample rate: what the converter's reader hands out.

#include <QString>
#include <QtGlobal>

namespace quandor::audio {

class PcmSource {
public:
    virtual ~PcmSource() = default;

    virtual int channels() const = 0;
    virtual int sampleRate() const = 0;
    int bytesPerFrame() const { return channels() * 2; }
    virtual qint64 durationMs() const = 0;

    /// Appends up to `maxBytes` (whole frames) to `out`; returns the count
    /// appended, 0 at the end, -1 on a failure (`error` says why).
    virtual qint64 read(char* out, qint64 maxBytes, QString& error) = 0;
};

} // namespace quandor::audio
