// PCM WAV output: a canonical RIFF/WAVE file whose sizes are filled in when
// it is finished.
#include "platform/audio/encoded_file.h"
#include "platform/audio/output_encoder.h"

#include <QFile>
#include <QtEndian>

#include <limits>
#include <vector>

namespace quandor::audio {

namespace {

constexpr qint64 kHeaderSize = 44;
// The RIFF size field counts everything after the first 8 bytes in 32 bits.
constexpr qint64 kMaxDataBytes = qint64(std::numeric_limits<quint32>::max()) - (kHeaderSize - 8);

void putU16(char* at, quint16 v)
{
    qToLittleEndian(v, at);
}
void putU32(char* at, quint32 v)
{
    qToLittleEndian(v, at);
}

class WavEncoder final : public OutputEncoder {
public:
    explicit WavEncoder(const PcmSettings& s) : settings_(s) {}

    bool open(const QString& path, QString& error) override
    {
        // The sizes are filled in when they are known.
        return file_.create(path, error) && file_.write(header(0), error);
    }

    bool write(const std::int16_t* pcm, int frames, QString& error) override
    {
        const size_t samples = size_t(frames) * size_t(settings_.channels);
        const int bytesPerSample = settings_.bits / 8;
        if (dataBytes_ + qint64(samples) * bytesPerSample > kMaxDataBytes) {
            error = QStringLiteral("The WAV file would exceed 4 GB");
            return false;
        }
        const char* out = nullptr;
        if (settings_.bits == 16) {
            out = reinterpret_cast<const char*>(pcm); // the PCM is little-endian already
        } else {
            packed_.resize(samples * size_t(bytesPerSample));
            pack(pcm, samples);
            out = packed_.data();
        }
        const qint64 bytes = qint64(samples) * bytesPerSample;
        if (!file_.write(out, bytes, error))
            return false;
        dataBytes_ += bytes;
        return true;
    }

    bool finish(QString& error, const BeforeNaming& beforeNaming) override
    {
        // Chunks are padded to an even size.
        if (dataBytes_ % 2 && !file_.write("\0", 1, error))
            return false;
        if (!file_.writeAt(0, header(dataBytes_).constData(), kHeaderSize, error))
            return false;
        if (beforeNaming && !beforeNaming(QFile::decodeName(file_.workingPath()), error))
            return false; // the writer drops the file
        return file_.complete(error);
    }

    void abandon() override { file_.discard(); }
    QString writtenPath() const override { return file_.fileName(); }

private:
    void pack(const std::int16_t* pcm, size_t samples)
    {
        char* out = packed_.data();
        switch (settings_.bits) {
        case 8:
            for (size_t i = 0; i < samples; ++i)
                out[i] = char(quint8((pcm[i] >> 8) + 128));
            break;
        case 24:
            for (size_t i = 0; i < samples; ++i) {
                out[3 * i] = 0;
                out[3 * i + 1] = char(pcm[i] & 0xFF);
                out[3 * i + 2] = char((pcm[i] >> 8) & 0xFF);
            }
            break;
        case 32:
            for (size_t i = 0; i < samples; ++i)
                putU32(out + 4 * i, quint32(qint32(pcm[i]) * 65536));
            break;
        default:
            break;
        }
    }

    QByteArray header(qint64 dataBytes) const
    {
        const int blockAlign = settings_.channels * settings_.bits / 8;
        QByteArray bytes(kHeaderSize, '\0');
        char* h = bytes.data();
        memcpy(h, "RIFF", 4);
        putU32(h + 4, quint32(kHeaderSize - 8 + dataBytes + dataBytes % 2));
        memcpy(h + 8, "WAVEfmt ", 8);
        putU32(h + 16, 16);
        putU16(h + 20, 1); // PCM
        putU16(h + 22, quint16(settings_.channels));
        putU32(h + 24, quint32(settings_.sampleRate));
        putU32(h + 28, quint32(settings_.sampleRate * blockAlign));
        putU16(h + 32, quint16(blockAlign));
        putU16(h + 34, quint16(settings_.bits));
        memcpy(h + 36, "data", 4);
        putU32(h + 40, quint32(dataBytes));
        return bytes;
    }

    PcmSettings settings_;
    EncodedFile file_;
    qint64 dataBytes_ = 0;
    std::vector<char> packed_;
};

} // namespace

std::unique_ptr<OutputEncoder> makeWavEncoder(const PcmSettings& settings)
{
    return std::make_unique<WavEncoder>(settings);
}

} // namespace quandor::audio
