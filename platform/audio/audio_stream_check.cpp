#include "platform/audio/audio_stream_check.h"

#include "platform/audio/ffmpeg_util.h"
#include "platform/id3v1/trailing_id3v1.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace quandor::audio {

namespace {

/// `path` opened by FFmpeg, as `format` when given, else as what its content is.
ff::InputPtr openInput(const QString& path, const AVInputFormat* format = nullptr)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, ff::fileUrl(path).constData(), format, nullptr) < 0)
        return {};
    return ff::InputPtr(raw);
}

/// The format FFmpeg takes `path` for by its content, given the name `name`
/// (a copy is judged as it will be read once it has the original's name).
const AVInputFormat* formatUnderName(const QString& path, const QString& name)
{
    AVIOContext* raw = nullptr;
    if (avio_open(&raw, ff::fileUrl(path).constData(), AVIO_FLAG_READ) < 0)
        return nullptr;
    const AVInputFormat* format = nullptr;
    if (av_probe_input_buffer(raw, &format, ff::fileUrl(name).constData(), nullptr, 0, 0) < 0)
        format = nullptr;
    avio_closep(&raw);
    return format;
}

std::vector<int> audioStreams(const AVFormatContext* input)
{
    std::vector<int> audio;
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            audio.push_back(int(i));
    return audio;
}

TaggedFormat oggFormat(AVCodecID codec)
{
    switch (codec) {
    case AV_CODEC_ID_VORBIS:
        return TaggedFormat::OggVorbis;
    case AV_CODEC_ID_OPUS:
        return TaggedFormat::OggOpus;
    case AV_CODEC_ID_SPEEX:
        return TaggedFormat::OggSpeex;
    case AV_CODEC_ID_FLAC:
        return TaggedFormat::OggFlac;
    default:
        return TaggedFormat::None;
    }
}

/// The next packet of an audio stream: its place among the audio streams, or
/// -1 at the end (`end` then holds why it ended).
int nextAudioPacket(AVFormatContext* input, AVPacket* packet, const std::vector<int>& audio, int& end)
{
    for (;;) {
        av_packet_unref(packet);
        end = av_read_frame(input, packet);
        if (end < 0)
            return -1;
        for (size_t i = 0; i < audio.size(); ++i)
            if (packet->stream_index == audio[i])
                return int(i);
    }
}

quint32 littleEndian32(const QByteArray& bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 | quint32(quint8(bytes[at + 2])) << 16
        | quint32(quint8(bytes[at + 3])) << 24;
}

/// Where the APE stream of `file` starts and ends: behind an ID3v2 tag in
/// front, ahead of the APEv2 and ID3v1 tags behind it. {-1, -1} when the
/// file is not laid out so.
std::pair<qint64, qint64> apeStreamRange(QFile& file)
{
    qint64 start = 0;
    const QByteArray front = file.read(10);
    if (front.startsWith("ID3") && front.size() == 10) {
        start = 10
            + ((qint64(front[6] & 0x7F) << 21) | (qint64(front[7] & 0x7F) << 14) | (qint64(front[8] & 0x7F) << 7)
               | qint64(front[9] & 0x7F));
        if (quint8(front[5]) & 0x10)
            start += 10; // a footer
    }
    if (!file.seek(start) || file.read(4) != "MAC ")
        return {-1, -1};
    qint64 end = file.size();
    if (const auto tag = id3v1::findTrailingId3v1(file); tag && tag->offset >= start)
        end = tag->offset;
    if (end - start >= 32 && file.seek(end - 32)) {
        const QByteArray footer = file.read(32);
        if (footer.startsWith("APETAGEX")) {
            qint64 tag = littleEndian32(footer, 12);
            if (littleEndian32(footer, 20) & 0x80000000u)
                tag += 32; // a header ahead of the items
            if (tag > end - start)
                return {-1, -1};
            end -= tag;
        }
    }
    return {start, end};
}

/// Empty when the APE streams of both files are the same bytes. FFmpeg lets
/// the last frame of an APE file run to the end of the file, over the tags
/// behind it, so its packets alone cannot say whether a save kept the audio.
QString apeStreamDifference(const QString& original, const QString& copy)
{
    QFile before(original);
    QFile after(copy);
    if (!before.open(QIODevice::ReadOnly) || !after.open(QIODevice::ReadOnly))
        return QStringLiteral("the audio could not be read back after the save");
    const auto [beginBefore, endBefore] = apeStreamRange(before);
    const auto [beginAfter, endAfter] = apeStreamRange(after);
    if (beginBefore < 0 || beginAfter < 0 || endBefore - beginBefore != endAfter - beginAfter)
        return QStringLiteral("the save would have changed the audio");
    constexpr qint64 kChunk = 1 << 20;
    for (qint64 done = 0; done < endBefore - beginBefore; done += kChunk) {
        const qint64 length = std::min(kChunk, endBefore - beginBefore - done);
        if (!before.seek(beginBefore + done) || !after.seek(beginAfter + done)
            || before.read(length) != after.read(length))
            return QStringLiteral("the save would have changed the audio");
    }
    return {};
}

bool sameStreamFormat(const AVCodecParameters* a, const AVCodecParameters* b)
{
    return a->codec_id == b->codec_id && a->sample_rate == b->sample_rate
        && a->ch_layout.nb_channels == b->ch_layout.nb_channels;
}

/// Empty when both files hold as many audio streams, each in the same format.
QString streamsDifference(const AVFormatContext* before, const AVFormatContext* after,
                          const std::vector<int>& audioBefore, const std::vector<int>& audioAfter)
{
    if (audioBefore.empty())
        return QStringLiteral("the file holds no audio stream");
    if (audioAfter.size() != audioBefore.size())
        return QStringLiteral("the save changed the audio streams");
    for (size_t i = 0; i < audioBefore.size(); ++i)
        if (!sameStreamFormat(before->streams[audioBefore[i]]->codecpar, after->streams[audioAfter[i]]->codecpar))
            return QStringLiteral("the save changed the audio format");
    return {};
}

/// Empty when both files' audio packets are the same to their ends. An APE
/// file's last packet may differ (it runs over the tags behind it): its stream
/// is then compared by apeStreamDifference.
QString packetsDifference(AVFormatContext* before, AVFormatContext* after, const std::vector<int>& audioBefore,
                          const std::vector<int>& audioAfter, bool ape)
{
    const ff::PacketPtr a(av_packet_alloc());
    const ff::PacketPtr b(av_packet_alloc());
    if (!a || !b)
        return QStringLiteral("out of memory");
    bool lastDiffers = false; // the packet just compared
    for (;;) {
        int endBefore = 0;
        int endAfter = 0;
        const int streamBefore = nextAudioPacket(before, a.get(), audioBefore, endBefore);
        const int streamAfter = nextAudioPacket(after, b.get(), audioAfter, endAfter);
        if (streamBefore < 0 || streamAfter < 0) {
            if (streamBefore != streamAfter || endBefore != endAfter)
                return QStringLiteral("the save would have cut the audio");
            return {};
        }
        if (lastDiffers || streamBefore != streamAfter)
            return QStringLiteral("the save would have changed the audio");
        lastDiffers = a->size != b->size || (a->size > 0 && std::memcmp(a->data, b->data, size_t(a->size)) != 0);
        if (lastDiffers && !ape)
            return QStringLiteral("the save would have changed the audio");
    }
}

} // namespace

TaggedFormat taggedFormatOf(const QString& path)
{
    const ff::InputPtr input = openInput(path);
    if (!input)
        return TaggedFormat::None;
    const std::vector<int> audio = audioStreams(input.get());
    if (audio.empty())
        return TaggedFormat::None;
    const QByteArray demuxer(input->iformat->name);
    const AVCodecID codec = input->streams[audio.front()]->codecpar->codec_id;
    if (demuxer == "mp3")
        return TaggedFormat::Mpeg;
    if (demuxer == "wav")
        return TaggedFormat::Wav;
    if (demuxer == "aiff")
        return TaggedFormat::Aiff;
    if (demuxer == "asf")
        return TaggedFormat::Asf;
    if (demuxer.split(',').contains("mp4"))
        return TaggedFormat::Mp4;
    if (demuxer == "ape")
        return TaggedFormat::Ape;
    if (demuxer == "flac")
        return TaggedFormat::Flac;
    if (demuxer == "ogg")
        return oggFormat(codec);
    return TaggedFormat::None;
}

QString audioDifference(const QString& original, const QString& copy)
{
    const ff::InputPtr before = openInput(original);
    if (!before)
        return QStringLiteral("the audio of the file cannot be read");
    // Read the way the original is read: by content, under the same name.
    if (formatUnderName(copy, original) != before->iformat)
        return QStringLiteral("the save would have made the file read as another format");
    const ff::InputPtr after = openInput(copy, before->iformat);
    if (!after)
        return QStringLiteral("the audio could not be read back after the save");
    const std::vector<int> audioBefore = audioStreams(before.get());
    const std::vector<int> audioAfter = audioStreams(after.get());
    if (QString difference = streamsDifference(before.get(), after.get(), audioBefore, audioAfter);
        !difference.isEmpty())
        return difference;
    const bool ape = QByteArray(before->iformat->name) == "ape";
    if (QString difference = packetsDifference(before.get(), after.get(), audioBefore, audioAfter, ape);
        !difference.isEmpty())
        return difference;
    return ape ? apeStreamDifference(original, copy) : QString();
}

} // namespace quandor::audio
