#include "cdrip/encode/ogg_vorbis_stream.h"

#include <QIODevice>
#include <vorbis/vorbisenc.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace brenlow {

namespace {

constexpr int kCdRate = 44100;

float parseQuality(QString text)
{
    bool ok = false;
    const float q = text.replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toFloat(&ok);
    return ok ? q : 0.5f;
}

} // namespace

VorbisParameters vorbisParameters(const OggSettings& s)
{
    VorbisParameters p;
    if (s.quality)
        p.mode = VorbisParameters::Mode::Quality;
    else if (s.vbr)
        p.mode = VorbisParameters::Mode::Managed;
    else
        p.mode = VorbisParameters::Mode::Nominal;
    p.quality = parseQuality(s.qualityRate);
    bool ok = false;
    const int rate = s.frequency.trimmed().toInt(&ok);
    p.sampleRate = ok && rate >= 8000 && rate <= 192000 ? rate : kCdRate;
    p.nominalBps = s.bitrate.toLong() * 1000;
    p.minBps = s.minBitrate.toLong() * 1000;
    p.maxBps = s.maxBitrate.toLong() * 1000;
    return p;
}

struct OggVorbisStream::State {
    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    ogg_stream_state stream{};
    SwrContext* resampler = nullptr;
    QIODevice* out = nullptr;
    bool infoReady = false, dspReady = false, streamReady = false, ended = false, failed = false;

    ~State()
    {
        swr_free(&resampler);
        if (streamReady)
            ogg_stream_clear(&stream);
        if (dspReady) {
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        vorbis_comment_clear(&comment);
        if (infoReady)
            vorbis_info_clear(&info);
    }

    bool writePage(const ogg_page& page)
    {
        if (failed)
            return false;
        failed = out->write(reinterpret_cast<const char*>(page.header), page.header_len) != page.header_len
            || out->write(reinterpret_cast<const char*>(page.body), page.body_len) != page.body_len;
        return !failed;
    }

    /// Moves every finished block through the encoder and writes the pages.
    bool drain()
    {
        ogg_packet packet;
        ogg_page page;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (!ended && ogg_stream_pageout(&stream, &page) != 0) {
                    if (!writePage(page))
                        return false;
                    ended = ogg_page_eos(&page) != 0;
                }
            }
        }
        return !failed;
    }

    /// Encodes `frames` CD frames: converted directly at the CD's rate, else
    /// resampled (a null pcm flushes the resampler).
    bool encode(const uint8_t* pcm, int frames)
    {
        if (!resampler) {
            if (frames == 0)
                return true;
            float** buffer = vorbis_analysis_buffer(&dsp, frames);
            for (int i = 0; i < frames; ++i) {
                const uint8_t* s = pcm + 4 * i;
                buffer[0][i] = static_cast<int16_t>(s[0] | (s[1] << 8)) / 32768.0f;
                buffer[1][i] = static_cast<int16_t>(s[2] | (s[3] << 8)) / 32768.0f;
            }
            vorbis_analysis_wrote(&dsp, frames);
            return drain();
        }
        const int room = swr_get_out_samples(resampler, frames);
        if (room < 0)
            return false;
        if (room == 0)
            return true;
        float** buffer = vorbis_analysis_buffer(&dsp, room);
        const uint8_t* in[1] = {pcm};
        const int made = swr_convert(resampler, reinterpret_cast<uint8_t**>(buffer), room, pcm ? in : nullptr, frames);
        if (made < 0)
            return false;
        vorbis_analysis_wrote(&dsp, made);
        return drain();
    }
};

OggVorbisStream::OggVorbisStream() = default;
OggVorbisStream::~OggVorbisStream() = default;

bool OggVorbisStream::open(const VorbisParameters& p, const VorbisComments& comments, uint32_t serial, QIODevice& out)
{
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.out = &out;
    vorbis_info_init(&s.info);
    s.infoReady = true;
    int result = 0;
    switch (p.mode) {
    case VorbisParameters::Mode::Quality:
        result = vorbis_encode_init_vbr(&s.info, 2, p.sampleRate, p.quality);
        break;
    case VorbisParameters::Mode::Managed:
        result = vorbis_encode_setup_managed(&s.info, 2, p.sampleRate, p.maxBps, p.nominalBps, p.minBps);
        if (result == 0)
            result = vorbis_encode_ctl(&s.info, OV_ECTL_RATEMANAGE_AVG, nullptr);
        if (result == 0)
            result = vorbis_encode_setup_init(&s.info);
        break;
    case VorbisParameters::Mode::Nominal:
        result = vorbis_encode_init(&s.info, 2, p.sampleRate, -1, p.nominalBps, -1);
        break;
    }
    if (result != 0)
        return false;

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (p.sampleRate != kCdRate
        && (swr_alloc_set_opts2(&s.resampler, &stereo, AV_SAMPLE_FMT_FLTP, p.sampleRate, &stereo, AV_SAMPLE_FMT_S16,
                                kCdRate, 0, nullptr)
                < 0
            || swr_init(s.resampler) < 0))
        return false;

    vorbis_comment_init(&s.comment);
    for (const auto& [key, value] : comments)
        vorbis_comment_add_tag(&s.comment, key.toUtf8().constData(), value.toUtf8().constData());
    if (vorbis_analysis_init(&s.dsp, &s.info) != 0)
        return false;
    vorbis_block_init(&s.dsp, &s.block);
    s.dspReady = true;
    ogg_stream_init(&s.stream, static_cast<int>(serial & 0x7FFFFFFF));
    s.streamReady = true;

    ogg_packet header, commentHeader, codebooks;
    vorbis_analysis_headerout(&s.dsp, &s.comment, &header, &commentHeader, &codebooks);
    ogg_stream_packetin(&s.stream, &header);
    ogg_stream_packetin(&s.stream, &commentHeader);
    ogg_stream_packetin(&s.stream, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&s.stream, &page) != 0) {
        if (!s.writePage(page))
            return false;
    }
    return true;
}

bool OggVorbisStream::write(const uint8_t* pcm, int64_t bytes)
{
    if (!state_ || !state_->streamReady || state_->failed)
        return false;
    return state_->encode(pcm, static_cast<int>(bytes / 4));
}

bool OggVorbisStream::finish()
{
    if (!state_ || !state_->streamReady || state_->failed)
        return false;
    State& s = *state_;
    if (!s.encode(nullptr, 0))
        return false;
    vorbis_analysis_wrote(&s.dsp, 0);
    return s.drain() && s.ended;
}

} // namespace brenlow
