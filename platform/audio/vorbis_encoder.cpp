// Ogg Vorbis output through libvorbisenc and libogg.
#include "platform/audio/encoded_file.h"
#include "platform/audio/output_encoder.h"

#include <QFile>
#include <vorbis/vorbisenc.h>

#include <QHash>

#include <algorithm>

namespace quandor::audio {

namespace {

long bitsPerSecond(int kbps)
{
    return kbps > 0 ? long(kbps) * 1000 : -1;
}

/// Sets `info` up for `s`; 0 on success, a libvorbis error otherwise.
int setUp(vorbis_info* info, const VorbisSettings& s)
{
    if (s.quality >= 0)
        return vorbis_encode_init_vbr(info, s.channels, s.sampleRate, float(s.quality) / 1000.0f);
    if (s.nominalKbps <= 0 && s.maximumKbps <= 0)
        return OV_EINVAL;
    return vorbis_encode_init(info, s.channels, s.sampleRate, bitsPerSecond(s.maximumKbps),
                              bitsPerSecond(s.nominalKbps), bitsPerSecond(s.minimumKbps));
}

class VorbisEncoder final : public OutputEncoder {
public:
    explicit VorbisEncoder(const VorbisSettings& s) : settings_(s) {}

    ~VorbisEncoder() override { release(); }

    void setStreamTags(const TagFieldList& fields) override { tags_ = fields; }

    bool open(const QString& path, QString& error) override
    {
        vorbis_info_init(&info_);
        infoReady_ = true;
        if (setUp(&info_, settings_) != 0) {
            error = QStringLiteral("The Ogg Vorbis encoder refuses this format (%1)").arg(settings_.sampleRate);
            return false;
        }
        vorbis_comment_init(&comment_);
        for (const auto& [key, text] : tags_)
            if (!text.isEmpty())
                vorbis_comment_add_tag(&comment_, key, text.constData());
        vorbis_analysis_init(&dsp_, &info_);
        vorbis_block_init(&dsp_, &block_);
        // A serial number that differs between files, as Ogg asks.
        ogg_stream_init(&stream_, int(qHash(path) & 0x7fffffff));
        encoderReady_ = true;

        if (!file_.create(path, error))
            return false;
        ogg_packet header, commentHeader, codeHeader;
        vorbis_analysis_headerout(&dsp_, &comment_, &header, &commentHeader, &codeHeader);
        ogg_stream_packetin(&stream_, &header);
        ogg_stream_packetin(&stream_, &commentHeader);
        ogg_stream_packetin(&stream_, &codeHeader);
        // The first audio data starts on a fresh page.
        ogg_page page;
        while (ogg_stream_flush(&stream_, &page) != 0)
            if (!writePage(page, error))
                return false;
        return true;
    }

    bool write(const std::int16_t* pcm, int frames, QString& error) override
    {
        // Small slices keep the analysis buffers in the cache.
        constexpr int kSlice = 1024;
        const int channels = settings_.channels;
        for (int at = 0; at < frames; at += kSlice) {
            const int n = std::min(kSlice, frames - at);
            float** buffer = vorbis_analysis_buffer(&dsp_, n);
            for (int c = 0; c < channels; ++c) {
                float* out = buffer[c];
                const std::int16_t* in = pcm + size_t(at) * size_t(channels) + c;
                for (int i = 0; i < n; ++i)
                    out[i] = float(in[i * channels]) / 32768.0f;
            }
            vorbis_analysis_wrote(&dsp_, n);
            if (!drain(error))
                return false;
        }
        return true;
    }

    bool finish(QString& error, const BeforeNaming& beforeNaming) override
    {
        vorbis_analysis_wrote(&dsp_, 0);
        if (!drain(error, true))
            return false;
        if (beforeNaming && !beforeNaming(QFile::decodeName(file_.workingPath()), error))
            return false; // the writer drops the file
        return file_.complete(error);
    }

    void abandon() override { file_.discard(); }
    QString writtenPath() const override { return file_.fileName(); }

private:
    bool drain(QString& error, bool atEnd = false)
    {
        ogg_packet packet;
        ogg_page page;
        while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
            vorbis_analysis(&block_, nullptr);
            vorbis_bitrate_addblock(&block_);
            while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
                ogg_stream_packetin(&stream_, &packet);
                while (ogg_stream_pageout(&stream_, &page) != 0)
                    if (!writePage(page, error))
                        return false;
            }
        }
        if (atEnd) {
            // Whatever is left, the end-of-stream page included, reaches the file.
            while (ogg_stream_flush(&stream_, &page) != 0)
                if (!writePage(page, error))
                    return false;
        }
        return true;
    }

    bool writePage(const ogg_page& page, QString& error)
    {
        // One write a page: the header alone would double the system calls.
        page_.truncate(0); // keeps its storage for the next page
        page_.append(reinterpret_cast<const char*>(page.header), page.header_len);
        page_.append(reinterpret_cast<const char*>(page.body), page.body_len);
        return file_.write(page_, error);
    }

    void release()
    {
        if (encoderReady_) {
            ogg_stream_clear(&stream_);
            vorbis_block_clear(&block_);
            vorbis_dsp_clear(&dsp_);
            vorbis_comment_clear(&comment_);
        }
        if (infoReady_)
            vorbis_info_clear(&info_);
        encoderReady_ = infoReady_ = false;
    }

    VorbisSettings settings_;
    TagFieldList tags_; ///< written into the comment header
    EncodedFile file_;
    QByteArray page_;
    vorbis_info info_{};
    vorbis_comment comment_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    ogg_stream_state stream_{};
    bool infoReady_ = false;
    bool encoderReady_ = false;
};

} // namespace

std::unique_ptr<OutputEncoder> makeVorbisEncoder(const VorbisSettings& settings)
{
    return std::make_unique<VorbisEncoder>(settings);
}

QString checkVorbisSettings(const VorbisSettings& settings)
{
    if (settings.channels < 1 || settings.channels > 2 || settings.sampleRate < 6000 || settings.sampleRate > 192000)
        return QStringLiteral("Ogg Vorbis takes 1 or 2 channels at 6000 to 192000 Hz here");
    if (settings.quality > 1000 || settings.quality < -1)
        return QStringLiteral("Ogg Vorbis quality must be 0 to 1000, or -1 for bit rates");
    vorbis_info info;
    vorbis_info_init(&info);
    const int rc = setUp(&info, settings);
    vorbis_info_clear(&info);
    return rc == 0 ? QString() : QStringLiteral("libvorbis cannot encode this format");
}

} // namespace quandor::audio
