// The MP3 a conversion writes, tags and all, decodes to exactly the samples
// of its source however short the source: a decoder trims the encoder's delay
// and padding by the LAME header only while the header's byte count fits the
// file, and the ID3v1 tag at the end is part of what it measures.

#include "converter/main/conversion_engine.h"
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "tests/converter/main/engine_rig.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace tavrel;
using namespace quandor::test;

namespace {

/// Samples per channel ffmpeg decodes from `path`; -1 when it cannot.
qint64 decodedFrames(const QString& path, int channels)
{
    const ToolResult r = runTool(QStringLiteral("ffmpeg"),
                                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                                  QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    return r.exitCode == 0 ? r.out.size() / (2 * channels) : -1;
}

struct LengthCase {
    qint64 frames;
    int rate;
    int channels;
    int kbps;
};

struct Converted {
    QString mp3;
    QString source;
    QStringList messages;
};

/// Converts one WAV of `c` to MP3 through a whole conversion run, the
/// output's size limited to `sizeLimit` bytes when it is not 0.
Converted convert(const QTemporaryDir& dir, const LengthCase& c, rlim_t sizeLimit = 0)
{
    const QString name = QStringLiteral("s%1-%2-%3").arg(c.frames).arg(c.rate).arg(c.channels);
    const PcmFormat format{c.rate, c.channels, 16};
    Converted result{dir.filePath(QStringLiteral("out/") + name + QStringLiteral(".mp3")),
                     dir.filePath(name + QStringLiteral(".wav")),
                     {}};
    if (!writeAll(result.source, makeWav(format, makePcm(format, c.frames))))
        return result;
    tavrel::test::EngineRig rig(dir.path());
    auto& writer = rig.writer;
    auto& view = rig.view;
    auto& engine = rig.engine;
    view.folder = dir.filePath(QStringLiteral("out"));
    view.format = formats::Mp3;
    view.keys = {result.source};
    if (!writer.SetFormatMP3(c.rate, c.kbps, c.channels))
        return result;
    if (sizeLimit > 0) {
        FileSizeLimit limit(sizeLimit);
        engine.runAll();
    } else {
        engine.runAll();
    }
    for (const auto& m : view.messages)
        result.messages.append(m.text);
    return result;
}

TEST(Mp3Length, EveryOutputDecodesToItsSourcesLength)
{
    if (!haveCheckingTool(QStringLiteral("lame")))
        GTEST_SKIP() << "lame is not installed";
    // Shorter than the encoder's delay, one frame, just over, a few frames
    // and a second; stereo and mono, and a low rate whose frames are small
    // (below 24 kbit/s at 8 kHz a frame cannot hold the LAME header at all).
    const LengthCase cases[] = {
        {1, 44100, 2, 128},    {221, 44100, 2, 128},   {576, 44100, 2, 128},   {1152, 44100, 2, 128},
        {1153, 44100, 2, 128}, {4000, 44100, 2, 128},  {44100, 44100, 2, 128}, {1, 44100, 1, 128},
        {221, 44100, 1, 128},  {576, 44100, 1, 128},   {1152, 44100, 1, 128},  {1153, 44100, 1, 128},
        {4000, 44100, 1, 128}, {44100, 44100, 1, 128}, {221, 8000, 1, 32},     {2000, 8000, 1, 24},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << " samples, " << c.rate << " Hz, " << c.channels << " ch");
        const Converted converted = convert(dir, c);
        EXPECT_TRUE(converted.messages.isEmpty()) << converted.messages.join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(QFileInfo::exists(converted.mp3));

        // The lame tool, the reference, writes the same length.
        const QString reference = dir.filePath(QStringLiteral("lame.mp3"));
        QFile::remove(reference);
        ASSERT_EQ(runTool(QStringLiteral("lame"),
                          {QStringLiteral("--quiet"), QStringLiteral("-b"), QString::number(c.kbps), converted.source,
                           reference})
                      .exitCode,
                  0);
        EXPECT_EQ(decodedFrames(reference, c.channels), c.frames);
        EXPECT_EQ(decodedFrames(converted.mp3, c.channels), c.frames);

        // Both tags are there, and the ID3v1 tag is the file's last 128 bytes.
        const QByteArray bytes = readAll(converted.mp3);
        EXPECT_TRUE(bytes.startsWith("ID3"));
        EXPECT_TRUE(bytes.right(128).startsWith("TAG"));
        EXPECT_FALSE(bytes.right(256).startsWith("TAG")); // the tag save wrote over it, not behind it
    }
}

TEST(Mp3Length, Id3v1TagStaysReadable)
{
    if (!haveCheckingTool(QStringLiteral("id3v2")))
        GTEST_SKIP() << "id3v2 is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const Converted converted = convert(dir, {221, 44100, 2, 128});
    ASSERT_TRUE(QFileInfo::exists(converted.mp3));
    const QString listing =
        QString::fromUtf8(runTool(QStringLiteral("id3v2"), {QStringLiteral("-l"), converted.mp3}).out);
    EXPECT_TRUE(listing.contains(QStringLiteral("id3v1 tag info"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("Track: 1"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("TENC"))) << listing.toStdString();
}

// A disk that fills up while the ID3v1 tag behind the audio is written: the
// entry is reported with the system's reason and leaves no file.
TEST(Mp3Length, FullDiskAtTheLastTagLeavesNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const LengthCase c{221, 44100, 2, 128};
    const Converted whole = convert(dir, c);
    const qint64 size = QFileInfo(whole.mp3).size();
    ASSERT_GT(size, 128);
    ASSERT_TRUE(QFile::remove(whole.mp3));

    const Converted cut = convert(dir, c, rlim_t(size - 64));
    ASSERT_EQ(cut.messages.size(), 1);
    EXPECT_TRUE(cut.messages[0].contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << cut.messages[0].toStdString();
    EXPECT_TRUE(cut.messages[0].contains(cut.source)) << cut.messages[0].toStdString();
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files).isEmpty());
}

} // namespace
