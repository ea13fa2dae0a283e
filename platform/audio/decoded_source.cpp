#include "platform/audio/decoded_source.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace quandor::audio {

namespace {

// A source that yields no sound within this many packets is not audio we can
// decode (a text file that happens to contain a frame sync, say).
constexpr int kMaxPacketsBeforeFirstSound = 4096;
// Damaged stretches are skipped; this many undecodable packets in a row mean
// the rest of the file is not audio either.
constexpr int kMaxConsecutiveErrors = 256;

AVChannelLayout layoutOf(const AVChannelLayout& given, int fallbackChannels)
{
    AVChannelLayout layout{};
    if (given.nb_channels > 0 && given.order != AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_copy(&layout, &given);
    } else {
        av_channel_layout_default(&layout, given.nb_channels > 0 ? given.nb_channels : fallbackChannels);
    }
    return layout;
}

} // namespace

std::unique_ptr<DecodedSource> DecodedSource::open(const QString& path, QString& error)
{
    std::unique_ptr<DecodedSource> source(new DecodedSource);
    if (!source->setUp(path, error))
        return nullptr;
    return source;
}

bool DecodedSource::setUp(const QString& path, QString& error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        error = QStringLiteral("The file does not exist: %1").arg(path);
        return false;
    }
    if (info.size() == 0) {
        error = QStringLiteral("The file is empty: %1").arg(path);
        return false;
    }
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, ff::fileUrl(path).constData(), nullptr, nullptr);
    if (rc < 0) {
        error = QStringLiteral("Unknown or unreadable audio format (%1)").arg(ff::errorText(rc));
        return false;
    }
    input_.reset(raw);
    rc = avformat_find_stream_info(raw, nullptr);
    if (rc < 0) {
        error = QStringLiteral("Cannot read the stream information (%1)").arg(ff::errorText(rc));
        return false;
    }
    const AVCodec* decoder = nullptr;
    streamIndex_ = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (streamIndex_ < 0 || !decoder) {
        error = streamIndex_ == AVERROR_DECODER_NOT_FOUND
            ? QStringLiteral("No decoder for this audio format (protected or unknown)")
            : QStringLiteral("The file holds no audio stream");
        return false;
    }
    AVStream* stream = raw->streams[streamIndex_];
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (int(i) != streamIndex_)
            raw->streams[i]->discard = AVDISCARD_ALL;

    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_ || avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0) {
        error = QStringLiteral("Cannot set up the audio decoder");
        return false;
    }
    // The packet time base lets the decoder apply encoder delay and padding
    // (gapless playback information of MP3 and AAC).
    codec_->pkt_timebase = stream->time_base;
    rc = avcodec_open2(codec_.get(), decoder, nullptr);
    if (rc < 0) {
        error = QStringLiteral("Cannot open the audio decoder (%1)").arg(ff::errorText(rc));
        return false;
    }
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_) {
        error = QStringLiteral("Out of memory");
        return false;
    }

    // Decode until the first sound so that a file which merely looks like
    // audio is refused here, and the output format is known.
    int packetsBefore = 0;
    while (pending_.empty()) {
        if (finished_ || ++packetsBefore > kMaxPacketsBeforeFirstSound || !decodeMore(error)) {
            if (error.isEmpty())
                error = QStringLiteral("No audio could be decoded from the file");
            return false;
        }
    }

    if (raw->duration != AV_NOPTS_VALUE && raw->duration > 0) {
        durationMs_ = av_rescale(raw->duration, 1000, AV_TIME_BASE);
    } else if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        durationMs_ = av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    } else if (raw->bit_rate > 0) {
        durationMs_ = info.size() * 8000 / raw->bit_rate;
    }
    return true;
}

qint64 DecodedSource::read(char* out, qint64 maxBytes, QString& error)
{
    const qint64 wanted = maxBytes - maxBytes % bytesPerFrame();
    qint64 done = 0;
    while (done < wanted) {
        if (pendingPos_ == pending_.size()) {
            pending_.clear();
            pendingPos_ = 0;
            if (finished_)
                break;
            if (!decodeMore(error)) {
                if (!error.isEmpty())
                    return -1;
                continue; // finished_ is set now; whatever is pending is handed out
            }
            continue;
        }
        const qint64 n = std::min<qint64>(wanted - done, qint64(pending_.size() - pendingPos_));
        std::memcpy(out + done, pending_.data() + pendingPos_, size_t(n));
        pendingPos_ += size_t(n);
        done += n;
    }
    return done;
}

bool DecodedSource::decodeMore(QString& error)
{
    const size_t before = pending_.size();
    while (pending_.size() == before) {
        int rc = avcodec_receive_frame(codec_.get(), frame_.get());
        if (rc == 0) {
            consecutiveErrors_ = 0;
            const bool ok = convert(frame_.get(), error);
            av_frame_unref(frame_.get());
            if (!ok)
                return false;
            continue;
        }
        if (rc == AVERROR_EOF) {
            drainResampler();
            finished_ = true;
            return pending_.size() != before;
        }
        if (rc != AVERROR(EAGAIN)) {
            if (++consecutiveErrors_ > kMaxConsecutiveErrors) {
                error = QStringLiteral("The audio data cannot be decoded (%1)").arg(ff::errorText(rc));
                return false;
            }
            continue;
        }
        if (inputDone_) {
            // The decoder wants more but the input has ended: treat as the end.
            finished_ = true;
            return pending_.size() != before;
        }
        rc = av_read_frame(input_.get(), packet_.get());
        if (rc < 0) {
            // End of file, or a truncated file: decode what has arrived.
            inputDone_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        if (packet_->stream_index != streamIndex_) {
            av_packet_unref(packet_.get());
            continue;
        }
        rc = avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (rc < 0 && rc != AVERROR(EAGAIN) && ++consecutiveErrors_ > kMaxConsecutiveErrors) {
            error = QStringLiteral("The audio data cannot be decoded (%1)").arg(ff::errorText(rc));
            return false;
        }
    }
    return true;
}

bool DecodedSource::configureResampler(const AVFrame* frame, QString& error)
{
    AVChannelLayout inLayout = layoutOf(frame->ch_layout, codec_->ch_layout.nb_channels);
    if (swr_ && frame->sample_rate == swrInRate_ && frame->format == swrInFormat_
        && av_channel_layout_compare(&inLayout, &swrInLayout_) == 0) {
        av_channel_layout_uninit(&inLayout);
        return true;
    }
    if (sampleRate_ == 0) {
        sampleRate_ = frame->sample_rate;
        channels_ = inLayout.nb_channels >= 2 ? 2 : 1;
    }
    if (sampleRate_ <= 0 || inLayout.nb_channels <= 0) {
        av_channel_layout_uninit(&inLayout);
        error = QStringLiteral("The audio stream has no valid sample rate or channels");
        return false;
    }
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, channels_);
    SwrContext* raw = nullptr;
    int rc = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, sampleRate_, &inLayout,
                                 AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
    if (rc >= 0)
        rc = swr_init(raw);
    av_channel_layout_uninit(&outLayout);
    if (rc < 0) {
        swr_free(&raw);
        av_channel_layout_uninit(&inLayout);
        error = QStringLiteral("Cannot convert the decoded audio (%1)").arg(ff::errorText(rc));
        return false;
    }
    // A change of format mid-stream: keep what the old resampler still holds.
    drainResampler();
    swr_.reset(raw);
    av_channel_layout_uninit(&swrInLayout_);
    swrInLayout_ = inLayout;
    swrInRate_ = frame->sample_rate;
    swrInFormat_ = frame->format;
    return true;
}

void DecodedSource::drainResampler()
{
    if (swr_)
        appendResampled(nullptr, 0);
}

bool DecodedSource::convert(const AVFrame* frame, QString& error)
{
    if (frame->nb_samples <= 0)
        return true;
    if (!configureResampler(frame, error))
        return false;
    const int got = appendResampled(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (got < 0) {
        error = QStringLiteral("Cannot convert the decoded audio (%1)").arg(ff::errorText(got));
        return false;
    }
    return true;
}

int DecodedSource::appendResampled(const uint8_t** in, int inSamples)
{
    const int room = swr_get_out_samples(swr_.get(), inSamples);
    if (room <= 0)
        return 0;
    const size_t at = pending_.size();
    pending_.resize(at + size_t(room) * size_t(bytesPerFrame()));
    uint8_t* dst = pending_.data() + at;
    const int got = swr_convert(swr_.get(), &dst, room, in, inSamples);
    pending_.resize(at + size_t(std::max(got, 0)) * size_t(bytesPerFrame()));
    return got;
}

DecodedSource::~DecodedSource()
{
    av_channel_layout_uninit(&swrInLayout_);
}

} // namespace quandor::audio
