#include "platform/mac/wav_source.h"

#include <QtEndian>

namespace quandor::mac {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

struct FormatChunk {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    std::uint16_t subFormat = 0;
};

bool parseFormat(const QByteArray& body, FormatChunk& format)
{
    if (body.size() < 16)
        return false;
    const char* p = body.constData();
    format.tag = qFromLittleEndian<std::uint16_t>(p);
    format.channels = qFromLittleEndian<std::uint16_t>(p + 2);
    format.sampleRate = qFromLittleEndian<std::uint32_t>(p + 4);
    format.blockAlign = qFromLittleEndian<std::uint16_t>(p + 12);
    format.bits = qFromLittleEndian<std::uint16_t>(p + 14);
    if (format.tag == kFormatExtensible && body.size() >= 26)
        format.subFormat = qFromLittleEndian<std::uint16_t>(p + 24);
    return true;
}

Result checkFormat(const FormatChunk& format)
{
    const bool pcm = format.tag == kFormatPcm || (format.tag == kFormatExtensible && format.subFormat == kFormatPcm);
    if (!pcm || format.channels == 0 || format.sampleRate == 0 || format.bits == 0)
        return Result::InvalidInput;
    if (format.blockAlign != format.channels * ((format.bits + 7) / 8))
        return Result::InvalidInput;
    if (format.channels > 2 || (format.bits != 8 && format.bits != 16 && format.bits != 24))
        return Result::Unsupported;
    return Result::Success;
}

} // namespace

Result readWavSource(QFile& file, WavSource& source)
{
    source = WavSource{};
    source.fileSize = file.size();
    if (!file.seek(0))
        return Result::ReadFailed;
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return Result::InvalidInput;

    FormatChunk format;
    bool haveFormat = false;
    bool haveData = false;
    qint64 declaredData = 0;
    qint64 position = 12;
    while (position + 8 <= source.fileSize) {
        if (!file.seek(position))
            return Result::ReadFailed;
        const QByteArray head = file.read(8);
        if (head.size() < 8)
            return Result::ReadFailed;
        const QByteArray id = head.left(4);
        const qint64 size = qFromLittleEndian<std::uint32_t>(head.constData() + 4);
        const qint64 body = position + 8;
        if (id == "fmt " && !haveFormat) {
            if (!parseFormat(file.read(qMin<qint64>(size, 64)), format))
                return Result::InvalidInput;
            haveFormat = true;
        } else if (id == "data" && !haveData) {
            haveData = true;
            source.dataOffset = body;
            declaredData = qMin(size, source.fileSize - body);
        }
        position = body + size + (size & 1);
    }
    if (!haveFormat || !haveData)
        return Result::InvalidInput;
    if (const Result formatResult = checkFormat(format); formatResult != Result::Success)
        return formatResult;

    source.layout.channels = format.channels;
    source.layout.bitsPerSample = format.bits;
    source.sampleRate = int(format.sampleRate);
    source.dataLength = declaredData - declaredData % source.layout.blockAlign();
    return Result::Success;
}

} // namespace quandor::mac
