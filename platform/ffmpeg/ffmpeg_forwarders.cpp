// The FFmpeg functions the programs call, each handing its call to the
// library's own, found on its first call. A function missing here is a link
// error, not a crash; a signature that differs from FFmpeg's header does not
// compile.

#include "platform/ffmpeg/ffmpeg_loader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

template <typename Pointer>
Pointer resolve(const char* name)
{
    return reinterpret_cast<Pointer>(quandor::ffmpeg::function(name));
}

} // namespace

#define QUANDOR_FFMPEG_FORWARD(result, name, params, args)                                                             \
    extern "C" result name params                                                                                      \
    {                                                                                                                  \
        static const auto real = resolve<decltype(&name)>(#name);                                                      \
        return real args;                                                                                              \
    }

// clang-format reads the parameter lists inside the macro calls as products ("AVFrame * *frame").
// clang-format off

// libavutil
QUANDOR_FFMPEG_FORWARD(int, av_channel_layout_compare, (const AVChannelLayout* a, const AVChannelLayout* b), (a, b))
QUANDOR_FFMPEG_FORWARD(int, av_channel_layout_copy, (AVChannelLayout* to, const AVChannelLayout* from), (to, from))
QUANDOR_FFMPEG_FORWARD(void, av_channel_layout_default, (AVChannelLayout* layout, int channels), (layout, channels))
QUANDOR_FFMPEG_FORWARD(void, av_channel_layout_uninit, (AVChannelLayout* layout), (layout))
QUANDOR_FFMPEG_FORWARD(AVFrame*, av_frame_alloc, (void), ())
QUANDOR_FFMPEG_FORWARD(void, av_free, (void* block), (block))
QUANDOR_FFMPEG_FORWARD(void, av_freep, (void* pointer), (pointer))
QUANDOR_FFMPEG_FORWARD(void*, av_malloc, (size_t size), (size))
QUANDOR_FFMPEG_FORWARD(void, av_frame_free, (AVFrame** frame), (frame))
QUANDOR_FFMPEG_FORWARD(int, av_frame_get_buffer, (AVFrame* frame, int align), (frame, align))
QUANDOR_FFMPEG_FORWARD(void, av_frame_unref, (AVFrame* frame), (frame))
QUANDOR_FFMPEG_FORWARD(int, av_log_format_line2,
                       (void* context, int level, const char* format, va_list arguments, char* line, int size,
                        int* printPrefix),
                       (context, level, format, arguments, line, size, printPrefix))
QUANDOR_FFMPEG_FORWARD(int, av_log_get_level, (void), ())
QUANDOR_FFMPEG_FORWARD(void, av_log_set_callback, (void (*callback)(void*, int, const char*, va_list)), (callback))
QUANDOR_FFMPEG_FORWARD(void, av_log_set_level, (int level), (level))
QUANDOR_FFMPEG_FORWARD(int, av_opt_set_int, (void* object, const char* name, int64_t value, int flags),
                       (object, name, value, flags))
QUANDOR_FFMPEG_FORWARD(int64_t, av_rescale, (int64_t a, int64_t b, int64_t c), (a, b, c))
QUANDOR_FFMPEG_FORWARD(int64_t, av_rescale_q, (int64_t a, AVRational from, AVRational to), (a, from, to))
QUANDOR_FFMPEG_FORWARD(int, av_strerror, (int code, char* text, size_t size), (code, text, size))

// libswresample
QUANDOR_FFMPEG_FORWARD(int, swr_alloc_set_opts2,
                       (SwrContext * *context, AVChannelLayout* outLayout, AVSampleFormat outFormat, int outRate,
                        AVChannelLayout* inLayout, AVSampleFormat inFormat, int inRate, int logOffset, void* logContext),
                       (context, outLayout, outFormat, outRate, inLayout, inFormat, inRate, logOffset, logContext))
QUANDOR_FFMPEG_FORWARD(int, swr_convert, (SwrContext * context, uint8_t** out, int outCount, const uint8_t** in, int inCount),
                       (context, out, outCount, in, inCount))
QUANDOR_FFMPEG_FORWARD(void, swr_free, (SwrContext * *context), (context))
QUANDOR_FFMPEG_FORWARD(int, swr_get_out_samples, (SwrContext * context, int inSamples), (context, inSamples))
QUANDOR_FFMPEG_FORWARD(int, swr_init, (SwrContext * context), (context))

// libavcodec
QUANDOR_FFMPEG_FORWARD(AVPacket*, av_packet_alloc, (void), ())
QUANDOR_FFMPEG_FORWARD(void, av_packet_free, (AVPacket** packet), (packet))
QUANDOR_FFMPEG_FORWARD(void, av_packet_rescale_ts, (AVPacket* packet, AVRational from, AVRational to),
                       (packet, from, to))
QUANDOR_FFMPEG_FORWARD(void, av_packet_unref, (AVPacket* packet), (packet))
QUANDOR_FFMPEG_FORWARD(AVCodecContext*, avcodec_alloc_context3, (const AVCodec* codec), (codec))
QUANDOR_FFMPEG_FORWARD(const AVCodec*, avcodec_find_decoder, (AVCodecID id), (id))
QUANDOR_FFMPEG_FORWARD(const AVCodec*, avcodec_find_encoder, (AVCodecID id), (id))
QUANDOR_FFMPEG_FORWARD(void, avcodec_free_context, (AVCodecContext** context), (context))
QUANDOR_FFMPEG_FORWARD(int, avcodec_open2, (AVCodecContext* context, const AVCodec* codec, AVDictionary** options),
                       (context, codec, options))
QUANDOR_FFMPEG_FORWARD(int, avcodec_parameters_from_context, (AVCodecParameters* to, const AVCodecContext* from),
                       (to, from))
QUANDOR_FFMPEG_FORWARD(int, avcodec_parameters_to_context, (AVCodecContext* to, const AVCodecParameters* from),
                       (to, from))
QUANDOR_FFMPEG_FORWARD(int, avcodec_receive_frame, (AVCodecContext* context, AVFrame* frame), (context, frame))
QUANDOR_FFMPEG_FORWARD(int, avcodec_receive_packet, (AVCodecContext* context, AVPacket* packet), (context, packet))
QUANDOR_FFMPEG_FORWARD(int, avcodec_send_frame, (AVCodecContext* context, const AVFrame* frame), (context, frame))
QUANDOR_FFMPEG_FORWARD(int, avcodec_send_packet, (AVCodecContext* context, const AVPacket* packet), (context, packet))

// libavformat
QUANDOR_FFMPEG_FORWARD(int, av_find_best_stream,
                       (AVFormatContext* context, AVMediaType type, int wanted, int related, const AVCodec** decoder,
                        int flags),
                       (context, type, wanted, related, decoder, flags))
QUANDOR_FFMPEG_FORWARD(int, av_interleaved_write_frame, (AVFormatContext* context, AVPacket* packet),
                       (context, packet))
QUANDOR_FFMPEG_FORWARD(int, av_read_frame, (AVFormatContext* context, AVPacket* packet), (context, packet))
QUANDOR_FFMPEG_FORWARD(int, av_write_trailer, (AVFormatContext* context), (context))
QUANDOR_FFMPEG_FORWARD(int, avformat_alloc_output_context2,
                       (AVFormatContext** context, const AVOutputFormat* format, const char* formatName,
                        const char* fileName),
                       (context, format, formatName, fileName))
QUANDOR_FFMPEG_FORWARD(void, avformat_close_input, (AVFormatContext** context), (context))
QUANDOR_FFMPEG_FORWARD(int, avformat_find_stream_info, (AVFormatContext* context, AVDictionary** options),
                       (context, options))
QUANDOR_FFMPEG_FORWARD(void, avformat_free_context, (AVFormatContext* context), (context))
QUANDOR_FFMPEG_FORWARD(AVStream*, avformat_new_stream, (AVFormatContext* context, const AVCodec* codec),
                       (context, codec))
QUANDOR_FFMPEG_FORWARD(int, av_probe_input_buffer,
                       (AVIOContext* context, const AVInputFormat** format, const char* url, void* logContext,
                        unsigned offset, unsigned maxProbeSize),
                       (context, format, url, logContext, offset, maxProbeSize))
QUANDOR_FFMPEG_FORWARD(int, avformat_open_input,
                       (AVFormatContext** context, const char* url, const AVInputFormat* format, AVDictionary** options),
                       (context, url, format, options))
QUANDOR_FFMPEG_FORWARD(int, avformat_write_header, (AVFormatContext* context, AVDictionary** options),
                       (context, options))
QUANDOR_FFMPEG_FORWARD(AVIOContext*, avio_alloc_context,
                       (unsigned char* buffer, int bufferSize, int writeFlag, void* opaque,
                        int (*readPacket)(void*, uint8_t*, int), int (*writePacket)(void*, uint8_t*, int),
                        int64_t (*seek)(void*, int64_t, int)),
                       (buffer, bufferSize, writeFlag, opaque, readPacket, writePacket, seek))
QUANDOR_FFMPEG_FORWARD(int, avio_closep, (AVIOContext** context), (context))
QUANDOR_FFMPEG_FORWARD(void, avio_context_free, (AVIOContext** context), (context))
QUANDOR_FFMPEG_FORWARD(int, avio_open, (AVIOContext** context, const char* url, int flags), (context, url, flags))

// clang-format on
