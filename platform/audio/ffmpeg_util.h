#pragma once
// Helpers around the FFmpeg C API, shared by the reader, the WMA writer and
// the AAC components, with the owners of FFmpeg's objects.

#include "platform/ffmpeg/ffmpeg_owners.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace quandor::audio::ff {

using quandor::ffmpeg::CodecPtr;
using quandor::ffmpeg::FramePtr;
using quandor::ffmpeg::InputPtr;
using quandor::ffmpeg::OutputPtr;
using quandor::ffmpeg::PacketPtr;
using quandor::ffmpeg::SwrPtr;

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
