#include "platform/audio/ffmpeg_util.h"

#include <QFile>

namespace quandor::audio::ff {

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

QByteArray fileUrl(const QString& path)
{
    return QByteArrayLiteral("file:") + QFile::encodeName(path);
}

bool fillPlanarFloat(AVFrame* frame, const AVCodecContext* codec, const std::int16_t* pcm, int frames)
{
    frame->nb_samples = frames;
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = codec->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
    if (av_frame_get_buffer(frame, 0) < 0)
        return false;
    const int channels = codec->ch_layout.nb_channels;
    for (int c = 0; c < channels; ++c) {
        auto* out = reinterpret_cast<float*>(frame->extended_data[c]);
        for (int i = 0; i < frames; ++i)
            out[i] = float(pcm[i * channels + c]) / 32768.0f;
    }
    return true;
}

bool encodeToOutput(AVCodecContext* codec, AVFormatContext* output, AVPacket* packet, const AVFrame* frame,
                    const QString& format, QString& error)
{
    int rc = avcodec_send_frame(codec, frame);
    while (rc >= 0 && (rc = avcodec_receive_packet(codec, packet)) == 0) {
        av_packet_rescale_ts(packet, codec->time_base, output->streams[0]->time_base);
        packet->stream_index = 0;
        rc = av_interleaved_write_frame(output, packet);
        if (rc < 0) {
            error = QStringLiteral("Cannot write the %1 file (%2)").arg(format, errorText(rc));
            return false;
        }
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
        error = QStringLiteral("The %1 encoder failed (%2)").arg(format, errorText(rc));
        return false;
    }
    return true;
}

} // namespace quandor::audio::ff
