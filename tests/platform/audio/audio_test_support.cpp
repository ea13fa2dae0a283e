#include "tests/platform/audio/audio_test_support.h"

#include <QJsonArray>

namespace quandor::audio::test {

QString AudioTest::wav(const QString& name, double seconds, quandor::test::PcmFormat format, unsigned seed) const
{
    const QString file = path(name);
    EXPECT_TRUE(quandor::test::writeWavFile(file, format, seconds, seed));
    return file;
}

CopyResult transcode(const QString& source, AudioFileWriter& writer, const QString& target)
{
    CopyResult result;
    AudioFileReader reader;
    if (!reader.Open(source, 0, 1)) {
        result.error = reader.LastError();
        return result;
    }
    if (!writer.SetSourceFormat(reader.FormatNumberB(), reader.FormatNumberA()) || !writer.Open(target, 0)) {
        result.error = writer.LastError();
        return result;
    }
    const int chunk = reader.FormatNumberA() * reader.FormatNumberB();
    for (;;) {
        const QByteArray bytes = reader.ReadChunk(chunk);
        if (bytes.isEmpty())
            break;
        if (!writer.WriteChunk(bytes)) {
            result.error = writer.LastError();
            return result;
        }
        result.bytes += bytes.size();
        ++result.chunks;
    }
    if (reader.ReadStatus() < 0) {
        result.error = reader.LastError();
        writer.Abort();
        return result;
    }
    result.ok = writer.Close();
    if (!result.ok)
        result.error = writer.LastError();
    return result;
}

Probed probe(const QString& file)
{
    const QJsonObject json = quandor::test::ffprobe(file);
    Probed p;
    p.stream = quandor::test::firstAudioStream(json);
    p.codec = p.stream.value(QStringLiteral("codec_name")).toString();
    p.sampleRate = p.stream.value(QStringLiteral("sample_rate")).toString().toInt();
    p.channels = p.stream.value(QStringLiteral("channels")).toInt();
    p.duration = quandor::test::probedDuration(json);
    p.tags = json.value(QStringLiteral("format")).toObject().value(QStringLiteral("tags")).toObject();
    // Ogg keeps its comments on the stream.
    const QJsonObject streamTags = p.stream.value(QStringLiteral("tags")).toObject();
    for (auto it = streamTags.begin(); it != streamTags.end(); ++it)
        if (!p.tags.contains(it.key()))
            p.tags.insert(it.key(), it.value());
    return p;
}

qint64 ffmpegFrameCount(const QString& file, int channels)
{
    const auto r = quandor::test::runTool(QStringLiteral("ffmpeg"),
                                          {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                           QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-ac"),
                                           QString::number(channels), QStringLiteral("-")});
    if (r.exitCode != 0)
        return -1;
    return r.out.size() / (2 * channels);
}

} // namespace quandor::audio::test
