// The MP3 encoder library, loaded by name the way the ripper loads it.
#include "platform/lame_enc/lame_enc.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstring>
#include <dlfcn.h>
#include <vector>

using namespace quandor::test;

namespace {

/// The library as Brenlow opens it: dlopen by path in the program folder.
struct LoadedLibrary {
    void* handle = nullptr;
    BeInitStreamFn init = nullptr;
    BeEncodeChunkFn encode = nullptr;
    BeDeinitStreamFn deinit = nullptr;
    BeInfoTagFrameFn infoTag = nullptr;
    BeCloseStreamFn close = nullptr;
    BeVersionFn version = nullptr;

    LoadedLibrary()
    {
        const QString path = QDir(brenlowFolder()).filePath(QStringLiteral(LAME_ENC_LIBRARY_NAME));
        handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return;
        init = reinterpret_cast<BeInitStreamFn>(dlsym(handle, "beInitStream"));
        encode = reinterpret_cast<BeEncodeChunkFn>(dlsym(handle, "beEncodeChunk"));
        deinit = reinterpret_cast<BeDeinitStreamFn>(dlsym(handle, "beDeinitStream"));
        infoTag = reinterpret_cast<BeInfoTagFrameFn>(dlsym(handle, "beInfoTagFrame"));
        close = reinterpret_cast<BeCloseStreamFn>(dlsym(handle, "beCloseStream"));
        version = reinterpret_cast<BeVersionFn>(dlsym(handle, "beVersion"));
    }
    ~LoadedLibrary()
    {
        if (handle)
            dlclose(handle);
    }
};

BeConfig basicConfig(int mode, int kbps)
{
    BeConfig c;
    std::memset(&c, 0, sizeof c);
    c.configKind = BE_CONFIG_MP3;
    c.format.mp3.sampleRate = 44100;
    c.format.mp3.mode = static_cast<uint8_t>(mode);
    c.format.mp3.bitrateKbps = static_cast<uint16_t>(kbps);
    return c;
}

BeConfig lameConfig()
{
    BeConfig c;
    std::memset(&c, 0, sizeof c);
    c.configKind = BE_CONFIG_LAME;
    c.format.lame.structVersion = 1;
    c.format.lame.structSize = BE_CONFIG_SIZE;
    c.format.lame.sampleRate = 44100;
    c.format.lame.mode = BE_MP3_MODE_JSTEREO;
    c.format.lame.bitrateKbps = 32;
    c.format.lame.maxBitrateKbps = 320;
    c.format.lame.enableVbr = 1;
    c.format.lame.vbrQuality = 4;
    c.format.lame.writeVbrHeader = 1;
    return c;
}

/// Encodes `seconds` of the test signal to `path`; the stream's Info frame
/// is put over the first frame as the ripper does.
bool encodeFile(const LoadedLibrary& lib, const BeConfig& config, double seconds, const QString& path)
{
    uint32_t chunk = 0, outSize = 0;
    BeStream stream = nullptr;
    if (lib.init(&config, &chunk, &outSize, &stream) != BE_ERR_SUCCESSFUL)
        return false;
    const QByteArray pcm = makePcm(PcmFormat{}, static_cast<qint64>(seconds * 44100));
    std::vector<uint8_t> out(outSize);
    QByteArray mp3;
    const auto* samples = reinterpret_cast<const int16_t*>(pcm.constData());
    const qsizetype total = pcm.size() / 2;
    for (qsizetype at = 0; at < total; at += chunk) {
        const uint32_t n = static_cast<uint32_t>(std::min<qsizetype>(chunk, total - at));
        uint32_t produced = 0;
        if (lib.encode(stream, n, samples + at, out.data(), &produced) != BE_ERR_SUCCESSFUL)
            return false;
        mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    }
    uint32_t produced = 0;
    EXPECT_EQ(lib.deinit(stream, out.data(), &produced), BE_ERR_SUCCESSFUL);
    mp3.append(reinterpret_cast<const char*>(out.data()), produced);
    uint32_t frameBytes = 0;
    EXPECT_EQ(lib.infoTag(stream, out.data(), outSize, &frameBytes), BE_ERR_SUCCESSFUL);
    if (frameBytes > 0)
        mp3.replace(0, frameBytes, QByteArray(reinterpret_cast<const char*>(out.data()), frameBytes));
    lib.close(stream);
    return writeAll(path, mp3);
}

} // namespace

TEST(LameEnc, ExportsTheEntryPointsByName)
{
    LoadedLibrary lib;
    ASSERT_TRUE(lib.handle) << dlerror();
    EXPECT_TRUE(lib.init && lib.encode && lib.deinit && lib.close && lib.version && lib.infoTag);
    BeVersion v{};
    lib.version(&v);
    EXPECT_EQ(v.encoderMajor, 3);
}

TEST(LameEnc, EncodesCbrStereoAndMono)
{
    LoadedLibrary lib;
    ASSERT_TRUE(lib.handle);
    QTemporaryDir dir;
    struct Case {
        int mode;
        int channels;
    };
    for (const Case c : {Case{BE_MP3_MODE_JSTEREO, 2}, Case{BE_MP3_MODE_MONO, 1}, Case{BE_MP3_MODE_STEREO, 2}}) {
        const QString path = dir.filePath(QStringLiteral("m%1.mp3").arg(c.mode));
        ASSERT_TRUE(encodeFile(lib, basicConfig(c.mode, 128), 2.0, path));
        const QJsonObject probe = ffprobe(path);
        const QJsonObject audio = firstAudioStream(probe);
        EXPECT_EQ(audio.value(QStringLiteral("codec_name")).toString(), QStringLiteral("mp3"));
        EXPECT_EQ(audio.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("44100"));
        EXPECT_EQ(audio.value(QStringLiteral("channels")).toInt(), c.channels) << "mode " << c.mode;
        // Mono is a downmix of the same samples: the length does not change.
        EXPECT_NEAR(probedDuration(probe), 2.0, 0.05) << "mode " << c.mode;
    }
}

TEST(LameEnc, VbrHeaderGivesTheExactLength)
{
    LoadedLibrary lib;
    ASSERT_TRUE(lib.handle);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vbr.mp3"));
    ASSERT_TRUE(encodeFile(lib, lameConfig(), 3.0, path));
    const QJsonObject probe = ffprobe(path);
    // The completed LAME frame tells the encoder delay (the stream's start
    // time); without it the length would be guessed from the first frame.
    const double start = firstAudioStream(probe).value(QStringLiteral("start_time")).toString().toDouble();
    EXPECT_NEAR(start, 0.025, 0.002);
    EXPECT_NEAR(probedDuration(probe) - start, 3.0, 1152.0 / 44100);
    EXPECT_TRUE(readAll(path).left(400).contains("Xing")) << "VBR files carry a Xing frame";
}

TEST(LameEnc, PresetsAndRefusals)
{
    LoadedLibrary lib;
    ASSERT_TRUE(lib.handle);
    QTemporaryDir dir;
    BeConfig phone = lameConfig();
    phone.format.lame.preset = BE_PRESET_PHONE;
    const QString path = dir.filePath(QStringLiteral("phone.mp3"));
    ASSERT_TRUE(encodeFile(lib, phone, 1.0, path));
    const QJsonObject audio = firstAudioStream(ffprobe(path));
    EXPECT_EQ(audio.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("8000"));
    EXPECT_EQ(audio.value(QStringLiteral("channels")).toInt(), 1);

    BeConfig abr = lameConfig();
    abr.format.lame.vbrMethod = BE_VBR_METHOD_ABR;
    abr.format.lame.abrBitsPerSecond = 96000;
    const QString abrPath = dir.filePath(QStringLiteral("abr.mp3"));
    ASSERT_TRUE(encodeFile(lib, abr, 4.0, abrPath));
    const double kbps = readAll(abrPath).size() * 8.0 / 4.0 / 1000.0;
    EXPECT_NEAR(kbps, 96.0, 25.0) << "ABR aims at its target";

    uint32_t chunk = 0, outSize = 0;
    BeStream stream = nullptr;
    BeConfig bad = basicConfig(BE_MP3_MODE_STEREO, 0);
    EXPECT_NE(lib.init(&bad, &chunk, &outSize, &stream), BE_ERR_SUCCESSFUL);
    bad.configKind = 77;
    EXPECT_NE(lib.init(&bad, &chunk, &outSize, &stream), BE_ERR_SUCCESSFUL);
    BeConfig unknownPreset = lameConfig();
    unknownPreset.format.lame.preset = 123;
    EXPECT_NE(lib.init(&unknownPreset, &chunk, &outSize, &stream), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(stream, nullptr);
}
