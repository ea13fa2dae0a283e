#include "platform/audio/wav_pcm_source.h"

#include "platform/files/regular_file.h"
#include "platform/riff/wave_chunks.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace quandor::audio {

namespace {

// Channel masks that mean the plain layout FFmpeg would pick anyway.
constexpr quint32 kMaskMono = 0x4;   // front centre
constexpr quint32 kMaskStereo = 0x3; // front left, front right
// A data size written before the length was known: the audio runs to the end of the file.
constexpr qint64 kSizeUnknown = 0xFFFFFFFF;
// Converted formats are read this many frames at a time.
constexpr qint64 kConvertFrames = 16384;

struct WavLayout {
    WavPcmSource::Encoding encoding;
    int channels;
    int sampleRate;
    int frameBytes;
    qint64 dataOffset;
    qint64 frames;
};

std::optional<WavPcmSource::Encoding> encodingOf(quint16 tag, int bits)
{
    using E = WavPcmSource::Encoding;
    if (tag == riff::kFormatPcm) {
        switch (bits) {
        case 8:
            return E::Unsigned8;
        case 16:
            return E::Signed16;
        case 24:
            return E::Signed24;
        case 32:
            return E::Signed32;
        default:
            return std::nullopt;
        }
    }
    if (tag == riff::kFormatFloat && bits == 32)
        return E::Float32;
    if (tag == riff::kFormatFloat && bits == 64)
        return E::Float64;
    return std::nullopt;
}

/// The sample format of a "fmt " chunk's body, or none when it is not one we read.
std::optional<WavLayout> parseFormat(const QByteArray& body)
{
    const std::optional<riff::WaveFormat> format = riff::parseWaveFormat(body);
    if (!format)
        return std::nullopt;
    quint16 tag = format->tag;
    const int channels = format->channels;
    const int bits = format->bitsPerSample;
    if (tag == riff::kFormatExtensible) {
        const std::optional<riff::FormatExtension>& extension = format->extension;
        if (!extension || extension->size < 22 || !extension->standardGuid)
            return std::nullopt;
        if (extension->validBits != 0 && extension->validBits != bits)
            return std::nullopt;
        if (extension->channelMask != 0 && extension->channelMask != (channels == 1 ? kMaskMono : kMaskStereo))
            return std::nullopt;
        tag = format->subFormat;
    }
    const auto encoding = encodingOf(tag, bits);
    if (!encoding || channels < 1 || channels > 2 || format->sampleRate < 1 || format->sampleRate > 768000)
        return std::nullopt;
    if (format->blockAlign != channels * bits / 8)
        return std::nullopt;
    return WavLayout{*encoding, channels, int(format->sampleRate), format->blockAlign, 0, 0};
}

/// True when the chunks after the data are all of a kind FFmpeg reads past
/// (a LIST of at least its list type, an ID3 tag, filler), each whole within
/// the file. FFmpeg reads on past the data and refuses the whole file for some
/// chunks there (a LIST too short for its type, a cut "bext"): anything else
/// leaves the file to FFmpeg, to read or refuse.
bool tailIsPlain(const QByteArray& tail)
{
    qint64 at = 0;
    while (at < tail.size()) {
        if (tail.size() - at < 8)
            return false;
        const QByteArray id = tail.mid(at, 4);
        const qint64 size = qFromLittleEndian<quint32>(tail.constData() + at + 4);
        const bool known = (id == "LIST" && size >= 4) || id == "id3 " || id == "ID3 " || id == "JUNK";
        if (!known || size > tail.size() - at - 8)
            return false;
        at += 8 + size + (size & 1);
    }
    return true;
}

/// True when something after the first data chunk (which ends at `dataEnd`,
/// its pad byte not counted) leaves the file to FFmpeg. FFmpeg goes on to a
/// later "data" chunk when the first one ends, and looks for it from the end
/// of the audio (without the pad byte), so any "data" in the rest of the file
/// leaves the file to FFmpeg, as does a rest too long to look through or a
/// chunk FFmpeg may refuse.
bool leaveTailToFfmpeg(QFile& file, qint64 audioEnd, qint64 dataEnd)
{
    constexpr qint64 kMaxTailBytes = 1024 * 1024;
    const qint64 tail = file.size() - audioEnd;
    if (tail > kMaxTailBytes)
        return true;
    if (tail <= 0)
        return false;
    if (!file.seek(audioEnd))
        return true;
    const QByteArray rest = file.read(tail);
    if (rest.size() != tail || rest.contains("data"))
        return true;
    const qint64 chunksStart = dataEnd + (dataEnd & 1) - audioEnd;
    return chunksStart < rest.size() && !tailIsPlain(rest.mid(chunksStart));
}

/// Walks the chunks up to "data"; none unless the whole layout is one we read.
std::optional<WavLayout> parseLayout(QFile& file)
{
    const qint64 fileSize = file.size();
    std::optional<WavLayout> layout;
    bool complete = false;
    qint64 dataEnd = 0;
    const riff::WalkResult walked = riff::walkWaveChunks(file, [&](const riff::Chunk& chunk) {
        if (chunk.id == "fmt ") {
            if (layout || chunk.size > 1024)
                return false;
            layout = parseFormat(file.read(chunk.size));
            return layout.has_value();
        }
        if (chunk.id == "data") {
            // The data must be there in full: a cut file is FFmpeg's to salvage,
            // and so is the "size unknown" mark of a streamed or huge recording.
            complete = layout && chunk.size >= layout->frameBytes && chunk.size != kSizeUnknown
                && chunk.body + chunk.size <= fileSize;
            if (complete) {
                dataEnd = chunk.body + chunk.size;
                layout->dataOffset = chunk.body;
                layout->frames = chunk.size / layout->frameBytes;
            }
            return false;
        }
        return true;
    });
    if (walked != riff::WalkResult::Finished || !complete)
        return std::nullopt;
    if (leaveTailToFfmpeg(file, layout->dataOffset + layout->frames * layout->frameBytes, dataEnd))
        return std::nullopt;
    return layout;
}

// Floats beyond full scale are clipped to the end of the range before they
// are rounded. Within the range this reads what FFmpeg's conversion reads;
// beyond it FFmpeg wraps the farthest samples (such as 1e30) round to the
// other end of the range, a click where the sound meant the loudest sample, so
// here the reader departs from FFmpeg on purpose. A NaN is silence.
template <typename Float>
std::int16_t fromScaled(Float scaled)
{
    if (std::isnan(scaled))
        return 0;
    if (scaled >= Float(32767))
        return 32767;
    if (scaled <= Float(-32768))
        return -32768;
    return std::int16_t(sizeof(Float) == sizeof(float) ? std::lrintf(float(scaled)) : std::lrint(double(scaled)));
}

std::int16_t fromFloat(double x)
{
    return fromScaled(x * 32768.0);
}

std::int16_t fromFloat(float x)
{
    // Single precision throughout, as the resampler rounds it.
    return fromScaled(x * 32768.0f);
}

std::int16_t sampleAt(WavPcmSource::Encoding encoding, const char* in)
{
    using E = WavPcmSource::Encoding;
    switch (encoding) {
    case E::Unsigned8:
        return std::int16_t((int(quint8(in[0])) - 0x80) * 256);
    case E::Signed16:
        return qFromLittleEndian<qint16>(in);
    case E::Signed24:
        // The top 16 of the 24 bits, as FFmpeg's 32-bit sample shifted down.
        return qFromLittleEndian<qint16>(in + 1);
    case E::Signed32:
        return std::int16_t(qFromLittleEndian<qint32>(in) >> 16);
    case E::Float32: {
        const quint32 bits = qFromLittleEndian<quint32>(in);
        float x;
        std::memcpy(&x, &bits, sizeof x);
        return fromFloat(x);
    }
    case E::Float64: {
        const quint64 bits = qFromLittleEndian<quint64>(in);
        double x;
        std::memcpy(&x, &bits, sizeof x);
        return fromFloat(x);
    }
    }
    return 0;
}

constexpr int bytesPerSample(WavPcmSource::Encoding encoding)
{
    using E = WavPcmSource::Encoding;
    switch (encoding) {
    case E::Unsigned8:
        return 1;
    case E::Signed16:
        return 2;
    case E::Signed24:
        return 3;
    case E::Signed32:
        return 4;
    case E::Float32:
        return 4;
    case E::Float64:
        return 8;
    }
    return 1;
}

/// Brings `samples` source samples at `in` to 16-bit little-endian at `out`.
template <WavPcmSource::Encoding encoding>
void toSigned16(const char* in, qint64 samples, char* out)
{
    constexpr int kStep = bytesPerSample(encoding);
    for (qint64 i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(sampleAt(encoding, in + kStep * i), out + 2 * i);
}

void toSigned16(WavPcmSource::Encoding encoding, const char* in, qint64 samples, char* out)
{
    using E = WavPcmSource::Encoding;
    switch (encoding) {
    case E::Unsigned8:
        return toSigned16<E::Unsigned8>(in, samples, out);
    case E::Signed16:
        return toSigned16<E::Signed16>(in, samples, out);
    case E::Signed24:
        return toSigned16<E::Signed24>(in, samples, out);
    case E::Signed32:
        return toSigned16<E::Signed32>(in, samples, out);
    case E::Float32:
        return toSigned16<E::Float32>(in, samples, out);
    case E::Float64:
        return toSigned16<E::Float64>(in, samples, out);
    }
}

} // namespace

std::unique_ptr<WavPcmSource> WavPcmSource::open(const QString& path)
{
    std::unique_ptr<WavPcmSource> source(new WavPcmSource);
    if (!files::openRegularFile(source->file_, path, QIODevice::Unbuffered))
        return nullptr;
    source->path_ = path;
    const std::optional<WavLayout> layout = parseLayout(source->file_);
    if (!layout || !source->file_.seek(layout->dataOffset))
        return nullptr;
    source->encoding_ = layout->encoding;
    source->channels_ = layout->channels;
    source->sampleRate_ = layout->sampleRate;
    source->sourceFrameBytes_ = layout->frameBytes;
    source->totalFrames_ = source->framesLeft_ = layout->frames;
    return source;
}

qint64 WavPcmSource::durationMs() const
{
    // Rounded through microseconds, as FFmpeg reports the length.
    const qint64 micros = (totalFrames_ * 1000000 + sampleRate_ / 2) / sampleRate_;
    return (micros + 500) / 1000;
}

qint64 WavPcmSource::read(char* out, qint64 maxBytes, QString& error)
{
    const qint64 frames = std::min(maxBytes / bytesPerFrame(), framesLeft_);
    if (frames <= 0)
        return 0;
    if (!readFrames(out, frames, error))
        return -1;
    framesLeft_ -= frames;
    return frames * bytesPerFrame();
}

bool WavPcmSource::readFrames(char* out, qint64 frames, QString& error)
{
    const auto failed = [&] {
        error = QStringLiteral("Cannot read %1: %2").arg(path_, file_.errorString());
        return false;
    };
    if (encoding_ == Encoding::Signed16 && QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        // Already what the reader hands out: straight into place.
        const qint64 bytes = frames * sourceFrameBytes_;
        return file_.read(out, bytes) == bytes || failed();
    }
    for (qint64 done = 0; done < frames;) {
        const qint64 n = std::min(kConvertFrames, frames - done);
        const qint64 bytes = n * sourceFrameBytes_;
        raw_.resize(size_t(bytes));
        if (file_.read(raw_.data(), bytes) != bytes)
            return failed();
        toSigned16(encoding_, raw_.data(), n * channels_, out + done * bytesPerFrame());
        done += n;
    }
    return true;
}

} // namespace quandor::audio
