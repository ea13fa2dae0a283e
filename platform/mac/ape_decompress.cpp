// DecompressFile: APE in, PCM WAV out, decoded by FFmpeg. The WAV header is
// written first with a provisional size and rewritten once the samples are in.

#include "platform/mac/ape_file_start.h"
#include "platform/mac/ape_link.h"
#include "platform/mac/mac_library.h"
#include "platform/mac/progress.h"
#include "platform/mac/same_file.h"
#include "platform/mac/stored_wav.h"
#include "platform/mac/wav_writer.h"

#include "platform/ffmpeg/ffmpeg_owners.h"
#include "platform/files/file_door.h"
#include "platform/files/regular_file.h"

#include <QFile>

#include <algorithm>
#include <memory>

namespace quandor::mac {

namespace {

using FormatPtr = quandor::ffmpeg::InputPtr;
using quandor::ffmpeg::CodecPtr;
using quandor::ffmpeg::FramePtr;
using quandor::ffmpeg::PacketPtr;

/// The planar format FFmpeg's APE decoder gives samples of `bits` in.
AVSampleFormat planarFormatOf(int bits)
{
    switch (bits) {
    case 8:
        return AV_SAMPLE_FMT_U8P;
    case 16:
        return AV_SAMPLE_FMT_S16P;
    default:
        return AV_SAMPLE_FMT_S32P;
    }
}

/// True when `frame` holds the channels and sample size the header promised:
/// the layout below reads its planes by those, never by the frame's own.
bool frameMatches(const AVFrame& frame, const ApeFileInfo& info)
{
    return frame.ch_layout.nb_channels == info.channels && frame.format == planarFormatOf(info.bitsPerSample)
        && frame.nb_samples >= 0;
}

/// Interleaves a planar frame into WAV sample bytes.
void appendInterleaved(const AVFrame& frame, int channels, int bits, QByteArray& out)
{
    const int bytes = bits / 8;
    const qsizetype start = out.size();
    out.resize(start + qsizetype(frame.nb_samples) * channels * bytes);
    auto* dst = reinterpret_cast<unsigned char*>(out.data() + start);
    for (int i = 0; i < frame.nb_samples; ++i) {
        for (int ch = 0; ch < channels; ++ch) {
            const std::uint8_t* plane = frame.extended_data[ch];
            switch (bits) {
            case 8:
                *dst++ = plane[i];
                break;
            case 16: {
                const auto v = reinterpret_cast<const std::int16_t*>(plane)[i];
                *dst++ = std::uint8_t(v);
                *dst++ = std::uint8_t(std::uint16_t(v) >> 8);
                break;
            }
            default: {
                // 24-bit samples arrive in the top three bytes of 32.
                const auto v = std::uint32_t(reinterpret_cast<const std::int32_t*>(plane)[i]);
                *dst++ = std::uint8_t(v >> 8);
                *dst++ = std::uint8_t(v >> 16);
                *dst++ = std::uint8_t(v >> 24);
                break;
            }
            }
        }
    }
}

class Decompression {
public:
    /// Decodes blocks [firstBlock, endBlock) of the file described by `info`,
    /// between the stored WAV parts when `stored` is given.
    Decompression(const ApeFileInfo& info, qint64 firstBlock, qint64 endBlock, const std::optional<StoredWav>& stored,
                  files::NewFile& output, Progress& progress)
        : info_(info),
          firstBlock_(firstBlock),
          endBlock_(endBlock),
          stored_(stored),
          output_(output),
          progress_(progress)
    {}

    Result run(const QString& inputPath)
    {
        const QByteArray provisional = stored_
            ? stored_->header
            : canonicalWavHeader(int(info_.sampleRate), info_.channels, info_.bitsPerSample, 0);
        if (!write(provisional))
            return Result::WriteFailed;
        if (endBlock_ > firstBlock_)
            if (const Result decoded = decode(inputPath); decoded != Result::Success)
                return decoded;
        progress_.report(1, 1);
        if (stored_)
            return write(stored_->tail) ? Result::Success : Result::WriteFailed;
        const QByteArray header =
            canonicalWavHeader(int(info_.sampleRate), info_.channels, info_.bitsPerSample, dataBytes_);
        if (!output_.write(header.constData(), header.size(), &writeError_, 0))
            return Result::WriteFailed;
        return Result::Success;
    }

    /// Why the last write failed: the file and the system's reason.
    QString writeError() const { return writeError_; }

private:
    bool write(const QByteArray& bytes) { return output_.write(bytes, &writeError_); }

    Result open(const QString& inputPath)
    {
        AVFormatContext* raw = nullptr;
        if (avformat_open_input(&raw, inputPath.toUtf8().constData(), nullptr, nullptr) < 0)
            return Result::InvalidInput;
        format_.reset(raw);
        stream_ = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream_ < 0 || raw->streams[stream_]->codecpar->codec_id != AV_CODEC_ID_APE)
            return Result::InvalidInput;
        const AVCodecParameters* parameters = raw->streams[stream_]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        if (!codec)
            return Result::Unsupported;
        codec_.reset(avcodec_alloc_context3(codec));
        if (!codec_ || avcodec_parameters_to_context(codec_.get(), parameters) < 0
            || avcodec_open2(codec_.get(), codec, nullptr) < 0)
            return Result::Unsupported;
        return Result::Success;
    }

    Result drainFrames(AVFrame* frame)
    {
        for (;;) {
            const int received = avcodec_receive_frame(codec_.get(), frame);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return Result::Success;
            if (received < 0)
                return Result::InvalidInput;
            if (const Result kept = keep(*frame); kept != Result::Success)
                return kept;
            blocksDone_ += frame->nb_samples;
            av_frame_unref(frame);
            progress_.report(std::clamp(blocksDone_, firstBlock_, endBlock_) - firstBlock_, endBlock_ - firstBlock_);
            if (progress_.stopRequested())
                return Result::Stopped;
        }
    }

    /// Writes the part of `frame` that lies in the wanted range.
    Result keep(const AVFrame& frame)
    {
        if (!frameMatches(frame, info_))
            return Result::InvalidInput;
        const qint64 from = std::max<qint64>(firstBlock_ - blocksDone_, 0);
        const qint64 to = std::min<qint64>(endBlock_ - blocksDone_, frame.nb_samples);
        if (to <= from)
            return Result::Success;
        chunk_.clear();
        appendInterleaved(frame, info_.channels, info_.bitsPerSample, chunk_);
        const qint64 align = qint64(info_.channels) * (info_.bitsPerSample / 8);
        const QByteArray part = chunk_.mid(from * align, (to - from) * align);
        if (!write(part))
            return Result::WriteFailed;
        dataBytes_ += std::uint64_t(part.size());
        return Result::Success;
    }

    Result decode(const QString& inputPath)
    {
        if (const Result opened = open(inputPath); opened != Result::Success)
            return opened;
        PacketPtr packet(av_packet_alloc());
        FramePtr frame(av_frame_alloc());
        if (!packet || !frame)
            return Result::ReadFailed;
        while (blocksDone_ < endBlock_) {
            if (progress_.stopRequested())
                return Result::Stopped;
            const int read = av_read_frame(format_.get(), packet.get());
            if (read == AVERROR_EOF)
                break;
            if (read < 0)
                return Result::InvalidInput;
            if (packet->stream_index == stream_) {
                const int sent = avcodec_send_packet(codec_.get(), packet.get());
                av_packet_unref(packet.get());
                if (sent < 0)
                    return Result::InvalidInput;
                if (const Result drained = drainFrames(frame.get()); drained != Result::Success)
                    return drained;
            } else {
                av_packet_unref(packet.get());
            }
        }
        if (blocksDone_ < endBlock_) {
            avcodec_send_packet(codec_.get(), nullptr);
            if (const Result drained = drainFrames(frame.get()); drained != Result::Success)
                return drained;
        }
        // A file cut short decodes to fewer samples than its header promises.
        return blocksDone_ >= endBlock_ ? Result::Success : Result::InvalidInput;
    }

    const ApeFileInfo& info_;
    qint64 firstBlock_;
    qint64 endBlock_;
    const std::optional<StoredWav>& stored_;
    files::NewFile& output_;
    Progress& progress_;
    QString writeError_;
    FormatPtr format_;
    CodecPtr codec_;
    int stream_ = -1;
    QByteArray chunk_;
    std::uint64_t dataBytes_ = 0;
    qint64 blocksDone_ = 0;
};

bool isDecodableLayout(const ApeFileInfo& info)
{
    return isSupportedLayout(info.channels, info.bitsPerSample, info.sampleRate) && info.blocksPerFrame > 0;
}

/// A header whose frame count the file cannot possibly hold (each frame takes
/// a seek-table entry and at least a CRC) is damaged; refusing it early keeps
/// the decoder from sizing tables after it.
bool isPlausible(const ApeFileInfo& info, qint64 fileSize)
{
    if (info.totalFrames == 0)
        return true;
    const auto frames = qint64(info.totalFrames);
    return frames * 8 <= fileSize && (info.fileVersion < 3980 || qint64(info.seekTableBytes) / 4 >= frames)
        && info.finalFrameBlocks > 0 && info.finalFrameBlocks <= info.blocksPerFrame;
}

/// Decodes the image's blocks (all of them, or a link's range) into
/// `outputPath` through the one door: it takes its name (or fills the
/// working file it names) only once the whole range has decoded.
Result decompressInto(const QString& outputPath, const QString& imagePath, const ApeFileInfo& info,
                      const std::optional<ApeLink>& link, Progress& progress, QString* writeError)
{
    const auto writeFailed = [writeError](const QString& reason) {
        if (writeError)
            *writeError = reason;
        return Result::WriteFailed;
    };
    files::NewFile output;
    QString reason;
    if (!output.open(outputPath, files::WhenTaken::Replace, &reason))
        return writeFailed(reason);
    progress.report(0, 1);
    const auto total = qint64(info.totalBlocks());
    const qint64 first = link ? std::min(link->startBlock, total) : 0;
    const qint64 end = link ? std::min(link->finishBlock, total) : total;
    // A whole file gets back the WAV header and trailer it was made with.
    const auto stored = link ? std::nullopt : readStoredWav(imagePath, info);
    Decompression decompression(info, first, end, stored, output, progress);
    const Result result = decompression.run(imagePath);
    if (result == Result::WriteFailed)
        return writeFailed(decompression.writeError());
    if (result != Result::Success)
        return result; // the unfinished file goes with `output`
    return output.commit(&reason) ? Result::Success : writeFailed(reason);
}

} // namespace

Result DecompressFile(const QString& inputPath, const QString& outputPath, std::atomic<int>* percent,
                      const ProgressCallback& callback, const std::atomic<int>* stopFlag, QString* writeError)
{
    // FFmpeg would wait in open() on a FIFO or a device for good.
    if (!files::isRegularFile(inputPath))
        return Result::ReadFailed;
    if (isSameFile(inputPath, outputPath))
        return Result::WriteFailed;
    const auto link = readApeLink(inputPath);
    const QString imagePath = link ? link->imagePath : inputPath;
    if (link && !files::isRegularFile(imagePath))
        return Result::ReadFailed;
    if (link && isSameFile(imagePath, outputPath))
        return Result::WriteFailed;
    const auto info = readApeStart(imagePath);
    if (!info)
        return Result::InvalidInput;
    if (!isPlausible(*info, QFile(imagePath).size()))
        return Result::InvalidInput;
    if (!isDecodableLayout(*info))
        return Result::Unsupported;

    Progress progress(percent, callback, stopFlag);
    return decompressInto(outputPath, imagePath, *info, link, progress, writeError);
}

} // namespace quandor::mac
