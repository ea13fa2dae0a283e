#pragma once
// Owners of FFmpeg's objects: each frees its object the way FFmpeg says.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace quandor::ffmpeg {

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
        // A file the caller wrote through its own I/O is the caller's to close.
        if (c->pb && !(c->oformat->flags & AVFMT_NOFILE) && !(c->flags & AVFMT_FLAG_CUSTOM_IO))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;

} // namespace quandor::ffmpeg
