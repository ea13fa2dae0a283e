#include "platform/mac/ape_format.h"

#include "platform/mac/little_endian.h"

#include <QtEndian>

#include <limits>

namespace quandor::mac {

namespace {

/// Bounds-checked little-endian reader over a byte array.
class Reader {
public:
    Reader(const QByteArray& bytes, qsizetype position) : bytes_(bytes), position_(position) {}
    bool has(qsizetype count) const { return position_ >= 0 && position_ + count <= bytes_.size(); }
    std::uint16_t u16()
    {
        const auto value = qFromLittleEndian<std::uint16_t>(bytes_.constData() + position_);
        position_ += 2;
        return value;
    }
    std::uint32_t u32()
    {
        const auto value = qFromLittleEndian<std::uint32_t>(bytes_.constData() + position_);
        position_ += 4;
        return value;
    }
    QByteArray take(qsizetype count)
    {
        const QByteArray part = bytes_.mid(position_, count);
        position_ += count;
        return part;
    }

private:
    const QByteArray& bytes_;
    qsizetype position_;
};

std::optional<ApeFileInfo> parseCurrentLayout(Reader& in, ApeFileInfo info)
{
    if (!in.has(2 + 4 * 7 + 16))
        return std::nullopt;
    in.u16(); // padding
    info.descriptorBytes = in.u32();
    info.headerBytes = in.u32();
    info.seekTableBytes = in.u32();
    info.wavHeaderBytes = in.u32();
    const std::uint32_t dataLow = in.u32();
    const std::uint32_t dataHigh = in.u32();
    info.audioDataBytes = (std::uint64_t(dataHigh) << 32) | dataLow;
    info.wavTailBytes = in.u32();
    info.md5 = in.take(16);
    if (info.descriptorBytes < kDescriptorBytes || info.descriptorBytes > (1u << 20))
        return std::nullopt;
    const qsizetype extra = info.descriptorBytes - kDescriptorBytes;
    if (!in.has(extra + kHeaderBytes))
        return std::nullopt;
    in.take(extra);
    info.compressionLevel = in.u16();
    info.formatFlags = in.u16();
    info.blocksPerFrame = in.u32();
    info.finalFrameBlocks = in.u32();
    info.totalFrames = in.u32();
    info.bitsPerSample = in.u16();
    info.channels = in.u16();
    info.sampleRate = in.u32();
    return info;
}

std::optional<ApeFileInfo> parseOldLayout(Reader& in, ApeFileInfo info)
{
    if (!in.has(2 + 2 + 2 + 4 * 5))
        return std::nullopt;
    info.descriptorBytes = 0;
    info.headerBytes = 32;
    info.compressionLevel = in.u16();
    info.formatFlags = in.u16();
    info.channels = in.u16();
    info.sampleRate = in.u32();
    info.wavHeaderBytes = in.u32();
    info.wavTailBytes = in.u32();
    info.totalFrames = in.u32();
    info.finalFrameBlocks = in.u32();
    info.bitsPerSample = (info.formatFlags & 1) ? 8 : (info.formatFlags & 8) ? 24 : 16;
    if (info.fileVersion >= 3950)
        info.blocksPerFrame = 73728 * 4;
    else if (info.fileVersion >= 3900 || (info.fileVersion >= 3800 && info.compressionLevel >= 4000))
        info.blocksPerFrame = 73728;
    else
        info.blocksPerFrame = 9216;
    return info;
}

} // namespace

bool isSupportedLayout(std::uint32_t channels, std::uint32_t bitsPerSample, std::uint32_t sampleRate)
{
    return (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24)
        && sampleRate > 0 && sampleRate <= std::uint32_t(std::numeric_limits<std::int32_t>::max());
}

std::uint64_t ApeFileInfo::totalBlocks() const
{
    if (totalFrames == 0)
        return 0;
    return std::uint64_t(totalFrames - 1) * blocksPerFrame + finalFrameBlocks;
}

QByteArray serializeDescriptor(const ApeFileInfo& info)
{
    QByteArray out("MAC ");
    put16(out, info.fileVersion);
    put16(out, 0);
    put32(out, kDescriptorBytes);
    put32(out, kHeaderBytes);
    put32(out, info.seekTableBytes);
    put32(out, info.wavHeaderBytes);
    put32(out, std::uint32_t(info.audioDataBytes & 0xFFFFFFFFu));
    put32(out, std::uint32_t(info.audioDataBytes >> 32));
    put32(out, info.wavTailBytes);
    out.append(info.md5.left(16).leftJustified(16, '\0'));
    return out;
}

QByteArray serializeHeader(const ApeFileInfo& info)
{
    QByteArray out;
    put16(out, info.compressionLevel);
    put16(out, info.formatFlags);
    put32(out, info.blocksPerFrame);
    put32(out, info.finalFrameBlocks);
    put32(out, info.totalFrames);
    put16(out, info.bitsPerSample);
    put16(out, info.channels);
    put32(out, info.sampleRate);
    return out;
}

qint64 id3v2TagBytes(QByteArrayView header)
{
    if (header.size() < kId3v2HeaderBytes || !header.startsWith("ID3"))
        return 0;
    const auto* raw = reinterpret_cast<const unsigned char*>(header.data());
    const std::uint8_t version = raw[3];
    if (version == 0xFF || raw[4] == 0xFF)
        return 0;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i) {
        if (raw[i] & 0x80)
            return 0; // not a sync-safe size: no tag header
        size = (size << 7) | raw[i];
    }
    const bool footer = version == 4 && (raw[5] & 0x10); // only ID3v2.4 has a footer
    return kId3v2HeaderBytes + size + (footer ? kId3v2HeaderBytes : 0);
}

std::optional<ApeFileInfo> parseApeStartAt(const QByteArray& bytes, qint64 leadingBytes)
{
    if (leadingBytes < 0 || leadingBytes > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    Reader in(bytes, 0);
    if (!in.has(6) || !bytes.startsWith("MAC "))
        return std::nullopt;
    in.take(4);
    ApeFileInfo info;
    info.leadingBytes = std::uint32_t(leadingBytes);
    info.fileVersion = in.u16();
    if (info.fileVersion < 3800 || info.fileVersion > 3990)
        return std::nullopt;
    return info.fileVersion >= 3980 ? parseCurrentLayout(in, info) : parseOldLayout(in, info);
}

} // namespace quandor::mac
