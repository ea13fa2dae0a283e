#pragma once
// Encodes 44.1 kHz 16-bit stereo PCM to an Ogg Vorbis stream written to a
// device, resampled to the chosen rate.

#include "cdrip/encode/encoder_settings.h"

#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <memory>

class QIODevice;

namespace brenlow {

using VorbisComments = QList<QPair<QString, QString>>;

/// The encoder parameters taken from the Ogg settings (numbers parsed without
/// regard to the locale).
struct VorbisParameters {
    enum class Mode { Quality, Managed, Nominal };
    Mode mode = Mode::Quality;
    float quality = 0.5f;
    int sampleRate = 44100;
    long nominalBps = 128000;
    long minBps = 128000;
    long maxBps = 128000;
};
VorbisParameters vorbisParameters(const OggSettings& settings);

class OggVorbisStream {
public:
    OggVorbisStream();
    ~OggVorbisStream();
    OggVorbisStream(const OggVorbisStream&) = delete;
    OggVorbisStream& operator=(const OggVorbisStream&) = delete;

    /// Sets the encoder up and writes the three header packets. False when the
    /// encoder refuses the parameters or the device refuses the bytes.
    bool open(const VorbisParameters& parameters, const VorbisComments& comments, uint32_t serial, QIODevice& out);
    /// Encodes `bytes` bytes of interleaved little-endian stereo samples.
    bool write(const uint8_t* pcm, int64_t bytes);
    /// Ends the stream: every sample encoded, the end-of-stream page written.
    bool finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace brenlow
