#pragma once
// Small RAII owners and helpers around the FFmpeg C API, shared by the reader,
// the WMA writer and the AAC components.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

namespace quandor::audio::ff {

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

/// An output container with its file, closed (without trailer) when dropped.
struct OutputCloser {
    void operator()(AVFormatContext* c) const
    {
        if (!c)
            return;
        if (c->pb && !(c->oformat->flags & AVFMT_NOFILE))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;

/// Interleaved 16-bit PCM as a planar float frame at `codec`'s rate and channel
/// layout; false when the frame's buffers could not be had.
bool fillPlanarFloat(AVFrame* frame, const AVCodecContext* codec, const std::int16_t* pcm, int frames);

/// Sends `frame` to the encoder (nullptr flushes it) and writes every packet it
/// gives to stream 0 of `output`. `format` names the format in error texts.
bool encodeToOutput(AVCodecContext* codec, AVFormatContext* output, AVPacket* packet, const AVFrame* frame,
                    const QString& format, QString& error);

/// FFmpeg's text for an error code.
QString errorText(int code);

/// The URL that names exactly this local file: the "file:" protocol, so a
/// path with a colon in it is never taken for another protocol.
QByteArray fileUrl(const QString& path);

} // namespace quandor::audio::ff
