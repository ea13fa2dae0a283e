#include "platform/mac/ape_format.h"

#include "platform/mac/little_endian.h"

#include <QtEndian>

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

/// Size of an ID3v2 tag at the start of `bytes`, 0 when there is none.
qsizetype id3v2Length(const QByteArray& bytes)
{
    if (bytes.size() < 10 || !bytes.startsWith("ID3"))
        return 0;
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.constData());
    qsizetype size = 0;
    for (int i = 6; i < 10; ++i)
        size = (size << 7) | (raw[i] & 0x7F);
    const bool footer = raw[5] & 0x10;
    return 10 + size + (footer ? 10 : 0);
}

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

std::optional<ApeFileInfo> parseApeStart(const QByteArray& bytes)
{
    const qsizetype start = id3v2Length(bytes);
    Reader in(bytes, start);
    if (!in.has(6) || bytes.mid(start, 4) != "MAC ")
        return std::nullopt;
    in.take(4);
    ApeFileInfo info;
    info.leadingBytes = std::uint32_t(start);
    info.fileVersion = in.u16();
    if (info.fileVersion < 3800 || info.fileVersion > 3990)
        return std::nullopt;
    return info.fileVersion >= 3980 ? parseCurrentLayout(in, info) : parseOldLayout(in, info);
}

} // namespace quandor::mac
