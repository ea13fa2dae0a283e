// The temporary WAV of a conversion (an AAC, M4A or APE source decoded, a
// float WAV copied to 16 bits for APE) has no name: a kill at any point of
// the entry leaves nothing in the temporary folder, and a temporary folder
// that fills up ends the entry with a message naming the file and the reason.

#include "converter/main/conversion_engine.h"
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/mac/mac_library.h"
#include "tests/converter/main/engine_rig.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavrel;
using namespace quandor::test;

namespace {

constexpr double kSeconds = 20.0;

bool makeByFfmpeg(const QString& path, const QStringList& codec)
{
    QStringList arguments{
        QStringLiteral("-v"),  QStringLiteral("error"),
        QStringLiteral("-f"),  QStringLiteral("lavfi"),
        QStringLiteral("-i"),  QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(kSeconds),
        QStringLiteral("-ac"), QStringLiteral("2")};
    return runTool(QStringLiteral("ffmpeg"), arguments + codec + QStringList{path}).exitCode == 0;
}

bool makeSource(const QString& path)
{
    if (path.endsWith(QLatin1String(".m4a")))
        return makeByFfmpeg(path, {QStringLiteral("-c:a"), QStringLiteral("aac")});
    if (path.endsWith(QLatin1String("float.wav")))
        return makeByFfmpeg(path, {QStringLiteral("-c:a"), QStringLiteral("pcm_f32le")});
    const QString wav = path + QStringLiteral(".source.wav");
    const bool made = writeWavFile(wav, PcmFormat{44100, 2, 16}, kSeconds)
        && quandor::mac::CompressFile(wav, path, 2000, nullptr, {}, nullptr) == quandor::mac::Result::Success;
    QFile::remove(wav);
    return made;
}

/// Every entry in `folder`, hidden ones included.
QStringList entriesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

/// One conversion of `source` into `output`, its temporary files in `temp`.
struct Conversion : test::EngineRig {
    Conversion(const QString& source, const QString& format, const QString& output, const QString& temp)
        : EngineRig(temp)
    {
        view.keys = {source};
        view.format = format;
        view.folder = output;
        if (format == formats::Mp3)
            writer.SetFormatMP3(44100, 128, 2);
        if (format == formats::Wav)
            writer.SetFormatPCM(44100, 2, 16);
    }
};

/// When in the entry the kill comes: a stage is told by whether the pump runs.
enum class Stage {
    PumpAfterDecode,   ///< the decode to the temporary WAV is done; the pump encodes from it
    EncoderAfterCopy,  ///< the 16-bit copy is done; the APE encoder reads it
    DecodingApeSource, ///< the APE library is decoding the source into the temporary WAV
};

bool killNow(Stage stage, const ConversionEngine& engine, bool& pumpSeen, int& reports)
{
    const bool pumping = engine.isTranscoding();
    pumpSeen = pumpSeen || pumping;
    switch (stage) {
    case Stage::PumpAfterDecode:
        return pumping && ++reports == 3;
    case Stage::EncoderAfterCopy:
        return pumpSeen && !pumping && ++reports == 3;
    case Stage::DecodingApeSource:
        return !pumping && ++reports == 3;
    }
    return false;
}

TEST(TemporaryWav, AKillAtAnyPointLeavesNothingInTheTemporaryFolder)
{
    struct Case {
        const char* name;
        const char* source;
        QString format;
        Stage stage;
    };
    const Case cases[] = {
        {"a float WAV to APE, killed while its 16-bit copy is compressed", "float.wav", formats::Ape,
         Stage::EncoderAfterCopy},
        {"an M4A to MP3, killed while the decoded WAV is encoded", "song.m4a", formats::Mp3, Stage::PumpAfterDecode},
        {"an APE to MP3, killed while the decoded WAV is encoded", "song.ape", formats::Mp3, Stage::PumpAfterDecode},
        {"an APE to WAV, killed while it is decoded", "song.ape", formats::Wav, Stage::DecodingApeSource},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir sources;
        QTemporaryDir output;
        QTemporaryDir temp;
        const QString source = sources.filePath(QLatin1String(c.source));
        ASSERT_TRUE(makeSource(source));

        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(60);
            Conversion conversion(source, c.format, output.path(), temp.path());
            bool pumpSeen = false;
            int reports = 0;
            conversion.view.onYield = [&](int) {
                if (killNow(c.stage, conversion.engine, pumpSeen, reports))
                    ::kill(::getpid(), SIGKILL);
            };
            conversion.engine.runAll();
            ::_exit(3); // the entry ended before the kill came
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the conversion was not killed mid-run";
        EXPECT_EQ(entriesIn(temp.path()), QStringList()) << "a kill left a temporary file";
        EXPECT_EQ(entriesIn(output.path()), QStringList()) << "a kill left a cut output";
        EXPECT_EQ(entriesIn(sources.path()), QStringList{QLatin1String(c.source)});
    }
}

TEST(TemporaryWav, AFullTemporaryFolderNamesTheFileAndTheReasonAndLeavesNothing)
{
    struct Case {
        const char* name;
        const char* source;
        QString format;
    };
    const Case cases[] = {
        {"an M4A decoded", "song.m4a", formats::Mp3},
        {"an APE decoded", "song.ape", formats::Mp3},
        {"a float WAV copied for APE", "float.wav", formats::Ape},
    };
    QTemporaryDir top;
    const QString probe = top.filePath(QStringLiteral("probe"));
    QDir().mkpath(probe);
    const bool haveMount = ::mount("tmpfs", QFile::encodeName(probe).constData(), "tmpfs", 0, "size=64k") == 0;
    if (haveMount)
        ::umount2(QFile::encodeName(probe).constData(), MNT_DETACH);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir sources;
        QTemporaryDir output;
        const QString temp = top.filePath(QLatin1String(c.source) + QStringLiteral("-temp"));
        ASSERT_TRUE(QDir().mkpath(temp));
        const QString source = sources.filePath(QLatin1String(c.source));
        ASSERT_TRUE(makeSource(source));
        if (haveMount) {
            ASSERT_EQ(::mount("tmpfs", QFile::encodeName(temp).constData(), "tmpfs", 0, "size=256k"), 0);
        }
        Conversion conversion(source, c.format, output.path(), temp);
        {
            // Without a file system of its own, a size limit fills the temporary WAV alike.
            std::optional<FileSizeLimit> limit;
            if (!haveMount)
                limit.emplace(256 * 1024);
            conversion.engine.runAll();
        }
        const QString reason = QString::fromLocal8Bit(std::strerror(haveMount ? ENOSPC : EFBIG));
        const QString shown = temporaryWavName(temp, source);
        ASSERT_EQ(conversion.view.messages.size(), 1);
        const QString text = conversion.view.messages[0].text;
        EXPECT_TRUE(text.contains(source)) << text.toStdString();
        EXPECT_TRUE(text.contains(shown)) << text.toStdString();
        EXPECT_TRUE(text.contains(reason)) << text.toStdString();
        EXPECT_EQ(entriesIn(temp), QStringList());
        EXPECT_EQ(entriesIn(output.path()), QStringList());
        if (haveMount)
            ::umount2(QFile::encodeName(temp).constData(), MNT_DETACH);
    }
}

} // namespace
