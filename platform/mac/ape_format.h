#pragma once
// The on-disk layout of an APE file of the current generation (file version
// 3.98 and later): descriptor, header, seek table, stored WAV header, frames,
// stored WAV trailer. Every number is little-endian.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace quandor::mac {

inline constexpr std::uint16_t kFileVersion = 3990;
inline constexpr std::uint32_t kDescriptorBytes = 52;
inline constexpr std::uint32_t kHeaderBytes = 24;
inline constexpr std::uint32_t kBlocksPerFrame = 73728 * 4;
/// Format flag: no WAV header is stored; a decoder makes one up.
inline constexpr std::uint16_t kFlagCreateWavHeader = 0x20;

/// The descriptor and header of a file, as far as this library uses them.
struct ApeFileInfo {
    std::uint32_t leadingBytes = 0; ///< an ID3v2 tag before the APE data
    std::uint16_t fileVersion = kFileVersion;
    std::uint32_t descriptorBytes = kDescriptorBytes;
    std::uint32_t headerBytes = kHeaderBytes;
    std::uint32_t seekTableBytes = 0;
    std::uint32_t wavHeaderBytes = 0;
    std::uint64_t audioDataBytes = 0;
    std::uint32_t wavTailBytes = 0;
    QByteArray md5 = QByteArray(16, '\0');

    std::uint16_t compressionLevel = 2000;
    std::uint16_t formatFlags = 0;
    std::uint32_t blocksPerFrame = kBlocksPerFrame;
    std::uint32_t finalFrameBlocks = 0;
    std::uint32_t totalFrames = 0;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t channels = 2;
    std::uint32_t sampleRate = 44100;

    /// Sample frames (blocks) in the whole file.
    std::uint64_t totalBlocks() const;
};

/// The sample layouts this library writes and decodes: 1 or 2 channels of 8,
/// 16 or 24 bits at a rate of 1 Hz up to what FFmpeg's decoder holds (a
/// signed 32-bit number). The encoder refuses every layout the decoder would.
bool isSupportedLayout(std::uint32_t channels, std::uint32_t bitsPerSample, std::uint32_t sampleRate);

/// The 52-byte descriptor followed by the 24-byte header.
QByteArray serializeDescriptor(const ApeFileInfo& info);
QByteArray serializeHeader(const ApeFileInfo& info);

inline constexpr qint64 kId3v2HeaderBytes = 10;

/// Bytes of the ID3v2 tag whose 10-byte header starts `header` (header, body
/// and, for ID3v2.4 only, the footer), 0 when `header` starts no tag.
qint64 id3v2TagBytes(QByteArrayView header);

/// Reads the descriptor and header from `bytes` that start at the "MAC "
/// signature, found after `leadingBytes` of ID3v2 tags (any file version from
/// 3.80 on; older layouts fill the same fields). Empty when `bytes` does not
/// start an APE file.
std::optional<ApeFileInfo> parseApeStartAt(const QByteArray& bytes, qint64 leadingBytes);

} // namespace quandor::mac
