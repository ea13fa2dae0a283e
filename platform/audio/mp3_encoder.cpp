// MP3 output through libmp3lame; every property of the LAME settings object
// is handed to the library, and the LAME/Xing tag frame is written at the
// start of the audio when it is finished. The tags go ahead of the audio
// (ID3v2) and behind it (ID3v1) from the start.
#include "platform/audio/output_encoder.h"

#include "platform/audio/encoded_file.h"
#include "platform/audio/id3v1_tail.h"
#include "platform/audio/id3v2_head.h"
#include "platform/audio/lame_tag_frame.h"

#include <QFile>
#include <lame/lame.h>

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <vector>

namespace quandor::audio {

namespace {

/// LAME's notes and debug output stay quiet; a refusal reaches the user as our own message.
void quietly(const char*, va_list) {}

struct LameClose {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameClose>;

MPEG_mode lameMode(const MP3LameEncoder& s)
{
    if (s.ChannelCount == 1)
        return MONO;
    switch (s.ChannelMode) {
    case MP3LameEncoder::ModeStereo:
        return STEREO;
    case MP3LameEncoder::ModeDualChannels:
        return DUAL_CHANNEL;
    default:
        return JOINT_STEREO;
    }
}

vbr_mode lameVbrMode(int method)
{
    switch (method) {
    case MP3LameEncoder::VbrNone:
        return vbr_off;
    case MP3LameEncoder::VbrOld:
        return vbr_rh;
    case MP3LameEncoder::VbrNew:
    case MP3LameEncoder::VbrMtrh:
        return vbr_mtrh;
    case MP3LameEncoder::VbrAbr:
        return vbr_abr;
    default:
        return vbr_default;
    }
}

LamePtr configure(const MP3LameEncoder& s, QString& error, int sourceRate = 0, bool rateGiven = false);

/// The VBR quality to encode `s` with. Where the output rate is the one LAME
/// picks by itself for a source at the CD rate, LAME also moves the quality
/// to suit that lower rate (`lame -V 9` writes 22.05 kHz at about quality
/// 6.5, not 9); the same value here keeps the stream the `lame` tool writes.
float settledVbrQuality(const MP3LameEncoder& s)
{
    constexpr int kCdRate = 44100;
    QString error;
    const LamePtr chosen = configure(s, error, kCdRate);
    if (chosen && lame_get_out_samplerate(chosen.get()) == s.OutputFrequency)
        return lame_get_VBR_quality(chosen.get());
    return float(s.VbrQuality);
}

/// A LAME context set up from `s` (input at the output rate and channel count),
/// or null with `error`. With a `sourceRate`, the input is at that rate and,
/// unless `rateGiven`, LAME chooses the output rate itself, as the `lame` tool
/// lets it. A constant bit rate of 0 is left to LAME.
LamePtr configure(const MP3LameEncoder& s, QString& error, int sourceRate, bool rateGiven)
{
    LamePtr gf(lame_init());
    if (!gf) {
        error = QStringLiteral("Cannot start the MP3 encoder");
        return nullptr;
    }
    lame_global_flags* g = gf.get();
    lame_set_msgf(g, quietly);
    lame_set_debugf(g, quietly);
    const int channels = s.ChannelCount == 1 ? 1 : 2;
    lame_set_num_channels(g, channels);
    lame_set_in_samplerate(g, sourceRate > 0 ? sourceRate : s.OutputFrequency);
    lame_set_out_samplerate(g, sourceRate > 0 && !rateGiven ? 0 : s.OutputFrequency);
    lame_set_mode(g, lameMode(s));
    if (s.ChannelCount != 1 && s.ChannelMode == MP3LameEncoder::ModeForcedJointStereo)
        lame_set_force_ms(g, 1);
    lame_set_quality(g, s.EncoderQuality);
    // Switches that are off stay at LAME's own defaults.
    if (s.ErrorProtection)
        lame_set_error_protection(g, 1);
    if (s.StrictIso)
        lame_set_strict_ISO(g, 1);
    if (!s.BitReservoir)
        lame_set_disable_reservoir(g, 1);
    if (!s.ShortBlocks)
        lame_set_no_short_blocks(g, 1);
    if (s.BlockTypesDiffer)
        lame_set_allow_diff_short(g, 1);
    if (s.Emphasis != 0)
        lame_set_emphasis(g, s.Emphasis == 2 ? 3 : s.Emphasis); // 3 is CCITT J.17 in the frame header
    switch (s.AthControl) {
    case 1:
        lame_set_ATHonly(g, 1);
        break;
    case 2:
        lame_set_noATH(g, 1);
        break;
    case 3:
        lame_set_ATHshort(g, 1);
        break;
    default:
        break;
    }
    // -1 leaves the filter to LAME's own choice for the bit rate.
    if (s.LowpassFrequency >= 0)
        lame_set_lowpassfreq(g, s.LowpassFrequency);
    if (s.LowpassWidth > 0)
        lame_set_lowpasswidth(g, s.LowpassWidth);
    if (s.HighpassFrequency >= 0)
        lame_set_highpassfreq(g, s.HighpassFrequency);
    if (s.HighpassWidth > 0)
        lame_set_highpasswidth(g, s.HighpassWidth);
    lame_set_bWriteVbrTag(g, s.WriteVbrHeader ? 1 : 0);

    const vbr_mode vbr = lameVbrMode(s.VbrMethod);
    lame_set_VBR(g, vbr);
    if (vbr == vbr_off) {
        if (s.Bitrate > 0)
            lame_set_brate(g, s.Bitrate);
    } else {
        if (vbr == vbr_abr || sourceRate > 0)
            lame_set_VBR_q(g, s.VbrQuality);
        else
            lame_set_VBR_quality(g, settledVbrQuality(s));
        if (vbr == vbr_abr)
            lame_set_VBR_mean_bitrate_kbps(g, s.AbrBitrate);
        if (s.Bitrate > 0)
            lame_set_VBR_min_bitrate_kbps(g, s.Bitrate);
        if (s.MaxVbrBitrate > 0)
            lame_set_VBR_max_bitrate_kbps(g, s.MaxVbrBitrate);
        lame_set_VBR_hard_min(g, s.EnforceMinBitrate ? 1 : 0);
    }
    if (lame_init_params(g) < 0) {
        error = QStringLiteral("The MP3 encoder refuses these settings (%1 Hz, %2 kbit/s)")
                    .arg(s.OutputFrequency)
                    .arg(s.Bitrate);
        return nullptr;
    }
    return gf;
}

class Mp3Encoder final : public OutputEncoder {
public:
    explicit Mp3Encoder(const MP3LameEncoder& s) : settings_(s) {}

    void setStreamTags(const TagFieldList& fields) override { tags_ = fields; }

    bool open(const QString& path, QString& error) override
    {
        lame_ = configure(settings_, error);
        if (!lame_)
            return false;
        if (!file_.create(path, error))
            return false;
        // The tag ahead of the audio from the start: a tag save after it
        // rewrites it in place instead of moving the whole file back.
        const QByteArray head = renderId3v2Head(tags_);
        if (!file_.write(head, error))
            return false;
        audioStart_ = head.size();
        tail_ = renderId3v1Tail(tags_);
        return true;
    }

    bool write(const std::int16_t* pcm, int frames, QString& error) override
    {
        // Slices of a few frames keep LAME's working set in the cache.
        constexpr int kSlice = 4608;
        buffer_.resize(size_t(kSlice) * 5 / 4 + 7200);
        const int channels = settings_.ChannelCount == 1 ? 1 : 2;
        for (int at = 0; at < frames; at += kSlice) {
            const int n = std::min(kSlice, frames - at);
            short* in = const_cast<short*>(pcm + size_t(at) * size_t(channels));
            const int bytes = channels == 1
                ? lame_encode_buffer(lame_.get(), in, in, n, buffer_.data(), int(buffer_.size()))
                : lame_encode_buffer_interleaved(lame_.get(), in, n, buffer_.data(), int(buffer_.size()));
            if (!store(bytes, error))
                return false;
        }
        return true;
    }

    bool finish(QString& error, const BeforeNaming& beforeNaming) override
    {
        buffer_.resize(7200);
        if (!store(lame_encode_flush(lame_.get(), buffer_.data(), int(buffer_.size())), error))
            return false;
        if (!file_.write(tail_, error))
            return false;
        if (settings_.WriteVbrHeader && !writeTagFrame(error))
            return false;
        if (beforeNaming && !beforeNaming(QFile::decodeName(file_.workingPath()), error))
            return false; // the writer drops the file
        return file_.complete(error);
    }

    void abandon() override { file_.discard(); }
    QString writtenPath() const override { return file_.fileName(); }

private:
    /// Fills the first frame of the audio, reserved for it, with the LAME tag
    /// frame. The stream size it states reaches to the end of the file, the
    /// ID3v1 tag included: a decoder measures the file so, and distrusts the
    /// delay and padding of a short file that the tag makes too long.
    bool writeTagFrame(QString& error)
    {
        const size_t size = lame_get_lametag_frame(lame_.get(), nullptr, 0);
        QByteArray frame(qsizetype(size), '\0');
        if (size == 0
            || lame_get_lametag_frame(lame_.get(), reinterpret_cast<unsigned char*>(frame.data()), size) != size)
            return true;
        if (!tail_.isEmpty())
            countTrailingBytes(frame, quint32(tail_.size()));
        return file_.writeAt(audioStart_, frame.constData(), frame.size(), error);
    }

    bool store(int bytes, QString& error)
    {
        if (bytes < 0) {
            error = QStringLiteral("The MP3 encoder failed (%1)").arg(bytes);
            return false;
        }
        return file_.write(reinterpret_cast<const char*>(buffer_.data()), bytes, error);
    }

    MP3LameEncoder settings_;
    TagFieldList tags_;
    LamePtr lame_;
    EncodedFile file_;
    qint64 audioStart_ = 0; ///< where the audio starts, after the ID3v2 tag
    QByteArray tail_;       ///< the ID3v1 tag written behind the audio
    std::vector<unsigned char> buffer_;
};

} // namespace

std::unique_ptr<OutputEncoder> makeMp3Encoder(const MP3LameEncoder& settings)
{
    return std::make_unique<Mp3Encoder>(settings);
}

QString checkMp3Settings(const MP3LameEncoder& settings)
{
    QString error;
    configure(settings, error);
    return error;
}

LameChoice lameChoice(const MP3LameEncoder& settings, int sourceRate, bool rateGiven)
{
    QString error;
    const LamePtr lame = configure(settings, error, sourceRate, rateGiven);
    if (!lame)
        return {rateGiven ? settings.OutputFrequency : sourceRate, settings.Bitrate};
    return {lame_get_out_samplerate(lame.get()), lame_get_brate(lame.get())};
}

MP3LameEncoder effectiveMp3Settings(const MP3LameEncoder& settings)
{
    QString error;
    const LamePtr lame = configure(settings, error);
    MP3LameEncoder effective = settings;
    if (!lame)
        return effective;
    lame_global_flags* g = lame.get();
    // LAME has moved each bit rate to one its MPEG version can write (and an
    // average below the floor up to the floor).
    switch (lameVbrMode(settings.VbrMethod)) {
    case vbr_off:
        effective.Bitrate = lame_get_brate(g);
        break;
    case vbr_abr:
        effective.AbrBitrate = lame_get_VBR_mean_bitrate_kbps(g);
        [[fallthrough]];
    default:
        effective.Bitrate = lame_get_VBR_min_bitrate_kbps(g);
        effective.MaxVbrBitrate = lame_get_VBR_max_bitrate_kbps(g);
        break;
    }
    return effective;
}

} // namespace quandor::audio
