// CompressFile: WAV in, APE out. The file is written in one pass with room
// left for the descriptor, header and seek table, which are filled in at the
// end, when the frame positions and the MD5 are known.

#include "platform/files/file_door.h"
#include "platform/mac/ape_format.h"
#include "platform/mac/frame_encoder.h"
#include "platform/mac/mac_library.h"
#include "platform/mac/progress.h"
#include "platform/mac/same_file.h"
#include "platform/mac/wav_source.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>

namespace quandor::mac {

namespace {

/// Stored WAV header and trailer larger than this are not kept.
constexpr qint64 kMaxStoredBytes = 16 * 1024 * 1024;
/// Blocks encoded between two progress reports (an eighth of a frame).
constexpr qint64 kBlocksPerStep = kBlocksPerFrame / 8;
/// Frame positions are stored as 32-bit offsets.
constexpr qint64 kMaxFrameOffset = 0xFFFFFFFFll;

ApeFileInfo describeOutput(const WavSource& source, int level, std::uint32_t headerBytes, std::uint32_t tailBytes)
{
    ApeFileInfo info;
    info.compressionLevel = std::uint16_t(level);
    info.bitsPerSample = std::uint16_t(source.layout.bitsPerSample);
    info.channels = std::uint16_t(source.layout.channels);
    info.sampleRate = std::uint32_t(source.sampleRate);
    const qint64 blocks = source.blocks();
    info.totalFrames = std::uint32_t((blocks + kBlocksPerFrame - 1) / kBlocksPerFrame);
    info.finalFrameBlocks =
        info.totalFrames == 0 ? 0 : std::uint32_t(blocks - qint64(info.totalFrames - 1) * kBlocksPerFrame);
    info.seekTableBytes = info.totalFrames * 4;
    info.wavHeaderBytes = headerBytes;
    if (headerBytes == 0)
        info.formatFlags = kFlagCreateWavHeader;
    info.wavTailBytes = tailBytes;
    return info;
}

QByteArray readRange(QFile& file, qint64 offset, qint64 length)
{
    if (length <= 0 || length > kMaxStoredBytes || !file.seek(offset))
        return {};
    return file.read(length);
}

class Compression {
public:
    Compression(QFile& input, files::NewFile& output, const WavSource& source, int level, Progress& progress)
        : input_(input),
          output_(output),
          source_(source),
          level_(level),
          progress_(progress)
    {}

    Result run()
    {
        const QByteArray wavHeader = readRange(input_, 0, source_.dataOffset);
        const qint64 dataEnd = source_.dataOffset + source_.dataLength;
        const QByteArray wavTail = readRange(input_, dataEnd, source_.fileSize - dataEnd);
        info_ = describeOutput(source_, level_, std::uint32_t(wavHeader.size()), std::uint32_t(wavTail.size()));

        // Room for descriptor, header and seek table; filled in last.
        const qint64 preamble = kDescriptorBytes + kHeaderBytes + info_.seekTableBytes;
        if (!write(QByteArray(preamble, '\0')) || !write(wavHeader))
            return Result::WriteFailed;
        md5_.addData(wavHeader);

        if (const Result frames = writeFrames(); frames != Result::Success)
            return frames;

        if (!write(wavTail))
            return Result::WriteFailed;
        md5_.addData(wavTail);
        return writePreamble();
    }

    /// Why the last write failed: the file and the system's reason.
    QString writeError() const { return writeError_; }

private:
    /// Writes at the end of what was written so far.
    bool write(const QByteArray& bytes)
    {
        if (!output_.write(bytes, &writeError_))
            return false;
        written_ += bytes.size();
        return true;
    }

    Result writeFrames()
    {
        FrameEncoder encoder(source_.layout, level_);
        const qint64 totalBlocks = source_.blocks();
        const int align = source_.layout.blockAlign();
        if (!input_.seek(source_.dataOffset))
            return Result::ReadFailed;
        qint64 done = 0;
        for (std::uint32_t frame = 0; frame < info_.totalFrames; ++frame) {
            if (progress_.stopRequested())
                return Result::Stopped;
            if (written_ > kMaxFrameOffset)
                return Result::Unsupported;
            seekTable_.push_back(std::uint32_t(written_));
            const qint64 frameEnd = done + qMin<qint64>(kBlocksPerFrame, totalBlocks - done);
            encoder.begin();
            while (done < frameEnd) {
                const qint64 blocks = qMin<qint64>(kBlocksPerStep, frameEnd - done);
                const QByteArray pcm = input_.read(blocks * align);
                if (pcm.size() != blocks * align)
                    return Result::ReadFailed;
                encoder.add(pcm);
                done += blocks;
                progress_.report(done, totalBlocks);
                if (progress_.stopRequested())
                    return Result::Stopped;
            }
            const QByteArray stored = encoder.finish();
            if (!write(stored))
                return Result::WriteFailed;
            md5_.addData(stored);
            info_.audioDataBytes += std::uint64_t(stored.size());
        }
        if (progress_.stopRequested())
            return Result::Stopped;
        progress_.report(1, 1);
        return Result::Success;
    }

    Result writePreamble()
    {
        QByteArray table;
        table.reserve(qsizetype(seekTable_.size()) * 4);
        for (const std::uint32_t offset : seekTable_) {
            char bytes[4];
            qToLittleEndian(offset, bytes);
            table.append(bytes, 4);
        }
        const QByteArray header = serializeHeader(info_);
        md5_.addData(header);
        md5_.addData(table);
        info_.md5 = md5_.result();
        const QByteArray preamble = serializeDescriptor(info_) + header + table;
        if (!output_.write(preamble.constData(), preamble.size(), &writeError_, 0))
            return Result::WriteFailed;
        return Result::Success;
    }

    QFile& input_;
    files::NewFile& output_;
    qint64 written_ = 0;
    const WavSource& source_;
    int level_;
    Progress& progress_;
    ApeFileInfo info_;
    std::vector<std::uint32_t> seekTable_;
    QCryptographicHash md5_{QCryptographicHash::Md5};
    QString writeError_;
};

} // namespace

bool IsCompressibleWav(const QString& path)
{
    QFile input(path);
    WavSource source;
    return input.open(QIODevice::ReadOnly) && readWavSource(input, source) == Result::Success;
}

Result CompressFile(const QString& inputPath, const QString& outputPath, int level, std::atomic<int>* percent,
                    const ProgressCallback& callback, const std::atomic<int>* stopFlag, QString* writeError)
{
    const auto writeFailed = [writeError](const QString& reason) {
        if (writeError)
            *writeError = reason;
        return Result::WriteFailed;
    };
    if (!isSupportedLevel(level))
        return Result::Unsupported;
    if (isSameFile(inputPath, outputPath))
        return Result::WriteFailed;
    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly))
        return Result::ReadFailed;
    WavSource source;
    if (const Result parsed = readWavSource(input, source); parsed != Result::Success)
        return parsed;

    // The file takes its name only when complete, and never one another
    // file took meanwhile (the next free one then).
    files::NewFile newFile;
    QString reason;
    if (!newFile.open(outputPath, files::WhenTaken::TakeFreeName, &reason))
        return writeFailed(reason);
    Progress progress(percent, callback, stopFlag);
    progress.report(0, 1);
    Compression compression(input, newFile, source, level, progress);
    const Result result = compression.run();
    if (result != Result::Success) {
        return result == Result::WriteFailed ? writeFailed(compression.writeError()) : result;
    }
    return newFile.commit(&reason) ? Result::Success : writeFailed(reason);
}

} // namespace quandor::mac
