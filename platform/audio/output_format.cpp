#include "platform/audio/output_format.h"

#include "platform/audio/output_encoder.h"

#include <QStringList>

#include <array>

namespace quandor::audio {

namespace {

// Our own profile table: every entry is a distinct rate/channels/bit-rate
// combination that the WMA (version 2) encoder accepts.
constexpr std::array<WmaProfile, 51> kWmaProfiles{{
    {8000, 1, 24},   {11025, 1, 24},  {11025, 2, 24},  {16000, 1, 24},  {16000, 1, 32},  {16000, 2, 24},
    {16000, 2, 32},  {22050, 1, 24},  {22050, 1, 32},  {22050, 2, 32},  {22050, 1, 48},  {22050, 2, 48},
    {22050, 2, 64},  {32000, 1, 32},  {32000, 1, 48},  {32000, 2, 32},  {32000, 2, 48},  {32000, 2, 64},
    {32000, 2, 80},  {32000, 2, 96},  {44100, 1, 32},  {44100, 1, 48},  {44100, 1, 64},  {44100, 1, 80},
    {44100, 1, 96},  {44100, 1, 128}, {44100, 2, 32},  {44100, 2, 40},  {44100, 2, 48},  {44100, 2, 56},
    {44100, 2, 64},  {44100, 2, 80},  {44100, 2, 96},  {44100, 2, 112}, {44100, 2, 128}, {44100, 2, 144},
    {44100, 2, 160}, {44100, 2, 176}, {44100, 2, 192}, {44100, 2, 224}, {44100, 2, 256}, {44100, 2, 320},
    {48000, 1, 48},  {48000, 1, 64},  {48000, 1, 96},  {48000, 2, 64},  {48000, 2, 96},  {48000, 2, 128},
    {48000, 2, 160}, {48000, 2, 192}, {48000, 2, 256},
}};

QString channelText(int channels)
{
    return channels == 1 ? QStringLiteral("mono") : QStringLiteral("stereo");
}

QString describeMp3(const MP3LameEncoder& settings)
{
    // The summary states the stream as written, not the request.
    const MP3LameEncoder s = effectiveMp3Settings(settings);
    const QString head = QStringLiteral("MP3 %1 Hz, ").arg(s.OutputFrequency);
    const QString mode = mp3ChannelText(s);
    switch (s.VbrMethod) {
    case MP3LameEncoder::VbrNone:
        return head + QStringLiteral("%1 kbit/s, %2").arg(s.Bitrate).arg(mode);
    case MP3LameEncoder::VbrAbr:
        return head + QStringLiteral("ABR %1 kbit/s, %2").arg(s.AbrBitrate).arg(mode);
    default:
        return head
            + QStringLiteral("VBR quality %1 (%2-%3 kbit/s), %4")
                  .arg(s.VbrQuality)
                  .arg(s.Bitrate)
                  .arg(s.MaxVbrBitrate)
                  .arg(mode);
    }
}

QString describeVorbis(const VorbisSettings& s)
{
    QString text = QStringLiteral("Ogg Vorbis %1 Hz, ").arg(s.sampleRate);
    if (s.quality >= 0) {
        text += QStringLiteral("quality %1").arg(QString::number(s.quality / 100.0));
    } else {
        QStringList parts;
        if (s.nominalKbps > 0)
            parts << QStringLiteral("%1 kbit/s").arg(s.nominalKbps);
        if (s.minimumKbps > 0)
            parts << QStringLiteral("min %1 kbit/s").arg(s.minimumKbps);
        if (s.maximumKbps > 0)
            parts << QStringLiteral("max %1 kbit/s").arg(s.maximumKbps);
        text += parts.join(QStringLiteral(", "));
    }
    return text + QStringLiteral(", ") + channelText(s.channels);
}

} // namespace

QString mp3ChannelText(const MP3LameEncoder& s)
{
    if (s.ChannelCount == 1)
        return QStringLiteral("mono");
    switch (s.ChannelMode) {
    case MP3LameEncoder::ModeStereo:
        return QStringLiteral("stereo");
    case MP3LameEncoder::ModeForcedJointStereo:
        return QStringLiteral("forced joint stereo");
    case MP3LameEncoder::ModeDualChannels:
        return QStringLiteral("dual channels");
    default:
        return QStringLiteral("joint stereo");
    }
}

int OutputFormat::sampleRate() const
{
    switch (kind) {
    case Kind::Pcm:
        return pcm.sampleRate;
    case Kind::Mp3:
        return mp3.OutputFrequency;
    case Kind::Vorbis:
        return vorbis.sampleRate;
    case Kind::Wma:
        return wma.sampleRate;
    }
    return 0;
}

int OutputFormat::channels() const
{
    switch (kind) {
    case Kind::Pcm:
        return pcm.channels;
    case Kind::Mp3:
        return mp3.ChannelCount == 1 ? 1 : 2;
    case Kind::Vorbis:
        return vorbis.channels;
    case Kind::Wma:
        return wma.channels;
    }
    return 0;
}

QString OutputFormat::describe() const
{
    switch (kind) {
    case Kind::Pcm:
        return QStringLiteral("PCM %1 Hz, %2 bits, %3")
            .arg(pcm.sampleRate)
            .arg(pcm.bits)
            .arg(channelText(pcm.channels));
    case Kind::Mp3:
        return describeMp3(mp3);
    case Kind::Vorbis:
        return describeVorbis(vorbis);
    case Kind::Wma:
        return QStringLiteral("WMA %1 Hz, %2 kbit/s, %3")
            .arg(wma.sampleRate)
            .arg(wma.kbps)
            .arg(channelText(wma.channels));
    }
    return {};
}

const WmaProfile* wmaProfile(int profile)
{
    if (profile < 1 || profile > int(kWmaProfiles.size()))
        return nullptr;
    return &kWmaProfiles[size_t(profile - 1)];
}

int wmaProfileCount()
{
    return int(kWmaProfiles.size());
}

} // namespace quandor::audio
