#pragma once
// One FFmpeg audio encoder writing one container file, as the AAC and WMA
// outputs use it: interleaved 16-bit PCM in, the codec's whole frames out
// (the last one short where the codec allows it, else filled with silence).

#include "platform/audio/before_naming.h"
#include "platform/audio/encoded_file.h"
#include "platform/audio/ffmpeg_util.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace quandor::audio {

class FfmpegAudioOutput {
public:
    struct Setup {
        AVCodecID codec = AV_CODEC_ID_NONE;
        const char* container = nullptr; ///< FFmpeg's name of the output format ("adts", "asf")
        QString name;                    ///< the format as error texts name it ("AAC")
        int sampleRate = 44100;
        int channels = 2;
        /// The format's own settings, made before the encoder opens.
        std::function<void(AVCodecContext&, AVFormatContext&)> configure;
    };

    /// Opens the encoder and starts the file of `path` with the container's
    /// header; the file takes its name when finished.
    bool open(const QString& path, const Setup& setup, QString& error);
    bool write(const std::int16_t* pcm, int frames, QString& error);
    /// Encodes what is left, flushes the encoder and completes the file;
    /// `beforeNaming` (when set) sees the finished file before it has its name.
    bool finish(QString& error, const BeforeNaming& beforeNaming = {});
    /// Drops the unfinished file: nothing is left of it.
    void abandon();
    /// The name the finished file took (the next free one when its own was taken).
    QString fileName() const { return file_.fileName(); }

private:
    struct IoFree {
        void operator()(AVIOContext* io) const;
    };

    bool openEncoder(const Setup& setup, QString& error);
    bool openFile(const QString& path, QString& error);
    bool encode(const std::int16_t* pcm, int frames, QString& error);
    bool send(const AVFrame* frame, QString& error);
    /// False, with `error` the file's own failure where writing the file is
    /// what failed (FFmpeg knows only the error number).
    bool failedInFile(QString& error) const;

    QString name_;
    int channels_ = 2;
    int frameSize_ = 1024;
    qint64 samplesSent_ = 0;
    // Dropped in reverse: the container before the I/O it writes through,
    // that before the file.
    EncodedFile file_;
    std::unique_ptr<AVIOContext, IoFree> io_;
    ff::CodecPtr codec_;
    ff::OutputPtr output_;
    ff::FramePtr frame_;
    ff::PacketPtr packet_;
    std::vector<std::int16_t> pending_;
};

} // namespace quandor::audio
