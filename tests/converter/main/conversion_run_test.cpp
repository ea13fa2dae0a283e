// Whole conversion runs over real audio components: generated sources, every
// output format, outputs checked with ffprobe/ffmpeg; cancel at a chosen yield,
// failing entries, target folders and temporary files.

#include "converter/common/lang_loader.h"
#include "converter/common/message_lines.h"
#include "converter/main/conversion_engine.h"
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/audio_tag_info.h"
#include "platform/ffmpeg/ffmpeg_loader.h"
#include "platform/mac/mac_library.h"
#include "tests/converter/main/engine_rig.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace tavrel;
using namespace quandor::test;
using tavrel::test::EngineRig;
using tavrel::test::RecordingView;

namespace {

// ---- fixtures -------------------------------------------------------------------

bool makeWav(const QString& path, double seconds, int rate = 44100, int channels = 2, unsigned seed = 1)
{
    return writeWavFile(path, PcmFormat{rate, channels, 16}, seconds, seed);
}

// An MP3 with a title, an artist, track 5 and genre Jazz, and no year.
bool makeTaggedMp3(const QString& path, const QString& scratch, double seconds)
{
    const QString wav = scratch + QStringLiteral("/mp3-source.wav");
    if (!makeWav(wav, seconds))
        return false;
    const ToolResult r =
        runTool(QStringLiteral("lame"),
                {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("--tt"),
                 QStringLiteral("Morning Song"), QStringLiteral("--ta"), QStringLiteral("The Band"),
                 QStringLiteral("--tn"), QStringLiteral("5"), QStringLiteral("--tg"), QStringLiteral("Jazz"),
                 QStringLiteral("--id3v2-only"), wav, path});
    QFile::remove(wav);
    return r.exitCode == 0;
}

bool makeM4a(const QString& path, double seconds, int rate)
{
    const ToolResult r = runTool(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
         QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2").arg(rate).arg(seconds),
         QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("aac"),
         QStringLiteral("-b:a"), QStringLiteral("96k"), path});
    return r.exitCode == 0;
}

// The decoded length in seconds, counted from the samples ffmpeg decodes.
double decodedSeconds(const QString& path)
{
    const ToolResult r =
        runTool(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path, QStringLiteral("-f"),
                 QStringLiteral("s16le"), QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-ar"),
                 QStringLiteral("8000"), QStringLiteral("-")});
    return r.exitCode == 0 ? r.out.size() / 2.0 / 8000.0 : -1.0;
}

// A tag value from ffprobe, looked up without regard to case in the format's
// and the stream's tags, under any of `names`.
QString probedTag(const QJsonObject& probe, std::initializer_list<const char*> names)
{
    const QJsonObject sources[] = {
        probe.value(QStringLiteral("format")).toObject().value(QStringLiteral("tags")).toObject(),
        firstAudioStream(probe).value(QStringLiteral("tags")).toObject()};
    for (const QJsonObject& tags : sources) {
        for (auto it = tags.begin(); it != tags.end(); ++it) {
            for (const char* name : names) {
                if (it.key().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    return it.value().toString();
            }
        }
    }
    return {};
}

// An APE file compressed from a generated WAV, with an ID3v1 record appended
// when `id3` is not empty.
bool makeApe(const QString& path, const QString& scratch, double seconds, const QByteArray& id3)
{
    const QString wav = scratch + QStringLiteral("/ape-source.wav");
    if (!makeWav(wav, seconds))
        return false;
    const auto result = quandor::mac::CompressFile(wav, path, 2000, nullptr, {}, nullptr);
    QFile::remove(wav);
    if (result != quandor::mac::Result::Success)
        return false;
    if (id3.isEmpty())
        return true;
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(id3) == id3.size();
}

// An ID3v1.1 record: texts padded with NULs, the year as four characters.
QByteArray id3v1(const QByteArray& title, const QByteArray& year, int track, int genre)
{
    const auto field = [](QByteArray text, int size) {
        text.resize(size, '\0');
        return text;
    };
    return "TAG" + field(title, 30) + field("Old Artist", 30) + field("Old Album", 30) + field(year, 4) + field("", 29)
        + QByteArray(1, char(track)) + QByteArray(1, char(genre));
}

// An ID3v1.0 record: a comment of all 30 bytes, so byte 125 is text, not the
// zero that marks a track number in byte 126.
QByteArray id3v10(const QByteArray& title, const QByteArray& comment30, int genre)
{
    QByteArray record = id3v1(title, "2001", 0, genre);
    record.replace(97, 30, comment30.leftJustified(30, ' ', true));
    return record;
}

QByteArray hashOf(const QString& path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
}

// ---- the rig ----------------------------------------------------------------------

struct RunFolders {
    QTemporaryDir sources;
    QTemporaryDir output;
    QTemporaryDir temp;
};

// The folders come first: the engine's temporary folder is one of them.
struct RunRig : RunFolders, EngineRig {
    RunRig() : EngineRig(temp.path()) { view.folder = output.path(); }
    QString source(const QString& name) const { return sources.filePath(name); }
    QString out(const QString& name) const { return output.filePath(name); }
    QStringList tempFiles() const { return QDir(temp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& m : view.messages)
            texts.append(m.text);
        return texts;
    }

    // Sets the writer's format as the format list does.
    bool chooseFormat(const QString& format)
    {
        view.format = format;
        if (format == formats::Wav)
            return writer.SetFormatPCM(44100, 2, 16);
        if (format == formats::Mp3)
            return writer.SetFormatMP3(44100, 128, 2);
        if (format == formats::Ogg)
            return writer.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400);
        if (format == formats::Wma) {
            writer.SetWmaSupport(true);
            reader.SetWmaSupport(true);
            return writer.SelectWmaProfile(9);
        }
        return true;
    }
    void checkIdle() const
    {
        EXPECT_FALSE(engine.isConverting());
        EXPECT_FALSE(engine.isTranscoding());
        EXPECT_FALSE(view.convertingControls);
        EXPECT_TRUE(view.positionText.isEmpty());
        EXPECT_TRUE(view.currentFile.isEmpty());
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(QLatin1Char(' ')).toStdString();
    }
};

struct OutputCase {
    QString format;
    QString extension;
    QString codec;
    bool tagged;            // the AAC and APE encoders write no tag
    bool encoderTagVisible; // ffprobe shows WAV files' RIFF INFO, which has no encoder field
    bool keepsSourceRate;   // APE compresses the decoded WAV as it is, 48 kHz included
};

void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.format.toStdString();
}

class MixedListRun : public ::testing::TestWithParam<OutputCase> {};

TEST_P(MixedListRun, ConvertsEveryReadableEntry)
{
    const OutputCase c = GetParam();
    RunRig rig;
    ASSERT_TRUE(makeTaggedMp3(rig.source(QStringLiteral("tagged.mp3")), rig.sources.path(), 1.5));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("plain.wav")), 1.2));
    ASSERT_TRUE(makeM4a(rig.source(QStringLiteral("high.m4a")), 1.3, 48000));
    rig.view.keys = {rig.source(QStringLiteral("tagged.mp3")), rig.source(QStringLiteral("missing.mp3")),
                     rig.source(QStringLiteral("plain.wav")), rig.source(QStringLiteral("high.m4a"))};
    ASSERT_TRUE(rig.chooseFormat(c.format)) << rig.writer.LastError().toStdString();

    rig.engine.runAll();

    // The one entry that is gone is reported by name; every other one is converted.
    EXPECT_EQ(rig.messageTexts(),
              QStringList{entryFailureMessage(rig.source(QStringLiteral("missing.mp3")), missingSourceReason())});

    struct Expected {
        const char* base;
        double seconds;
        int sourceRate;
        const char* track; // each entry's own: the MP3's 5, none (written as 1) for the others
    };
    const Expected expected[] = {{"tagged", 1.5, 44100, "5"}, {"plain", 1.2, 44100, "1"}, {"high", 1.3, 48000, "1"}};
    const QString year = QString::number(QDate::currentDate().year());
    for (const auto& [base, seconds, sourceRate, track] : expected) {
        const QString path = rig.out(QLatin1String(base) + c.extension);
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(QFileInfo::exists(path));
        const QJsonObject probe = ffprobe(path);
        const QJsonObject stream = firstAudioStream(probe);
        EXPECT_EQ(stream.value(QStringLiteral("codec_name")).toString(), c.codec);
        EXPECT_EQ(stream.value(QStringLiteral("sample_rate")).toString(),
                  QString::number(c.keepsSourceRate ? sourceRate : 44100));
        EXPECT_EQ(stream.value(QStringLiteral("channels")).toInt(), 2);
        EXPECT_NEAR(decodedSeconds(path), seconds, 0.06);
        if (c.tagged) {
            if (c.encoderTagVisible) {
                EXPECT_EQ(probedTag(probe, {"encoded_by", "encodedby", "TENC"}), QStringLiteral("Tavrel"));
            }
            EXPECT_TRUE(probedTag(probe, {"date", "year", "TYER", "TDRC"}).startsWith(year));
            EXPECT_EQ(probedTag(probe, {"track", "tracknumber"}).section(QLatin1Char('/'), 0, 0), QLatin1String(track));
        }
    }
    if (c.tagged) {
        const QJsonObject probe = ffprobe(rig.out(QStringLiteral("tagged") + c.extension));
        EXPECT_EQ(probedTag(probe, {"title", "INAM"}), QStringLiteral("Morning Song"));
        EXPECT_EQ(probedTag(probe, {"artist", "IART"}), QStringLiteral("The Band"));
    }
    EXPECT_FALSE(QFileInfo::exists(rig.out(QStringLiteral("missing") + c.extension)));
    EXPECT_EQ(rig.view.revealed, (QList<int>{1, 2, 3, 4}));
    EXPECT_TRUE(rig.view.positionTexts.contains(QStringLiteral("4 / 4")));
    EXPECT_GT(rig.view.rows[1], 0.0);
    if (c.tagged) {
        EXPECT_DOUBLE_EQ(rig.view.rows[1], 100.0);
    }
    rig.checkIdle();
}

INSTANTIATE_TEST_SUITE_P(
    EachFormat, MixedListRun,
    ::testing::Values(OutputCase{formats::Wav, QStringLiteral(".wav"), QStringLiteral("pcm_s16le"), true, false, false},
                      OutputCase{formats::Mp3, QStringLiteral(".mp3"), QStringLiteral("mp3"), true, true, false},
                      OutputCase{formats::Ogg, QStringLiteral(".ogg"), QStringLiteral("vorbis"), true, true, false},
                      OutputCase{formats::Aac, QStringLiteral(".aac"), QStringLiteral("aac"), false, false, false},
                      OutputCase{formats::Ape, QStringLiteral(".ape"), QStringLiteral("ape"), false, false, true}),
    [](const auto& info) { return info.param.extension.mid(1).toStdString(); });

struct CancelCase {
    QString format;
    QString extension;
};

void PrintTo(const CancelCase& c, std::ostream* os)
{
    *os << c.extension.toStdString();
}

class CancelDuringAnEntry : public ::testing::TestWithParam<CancelCase> {};

// Cancel in the middle of the second of three entries, in whichever component
// is at work for the format (the pump, the AAC encoder, the APE encoder): the
// first entry's file stays whole, the second leaves no file at all, not even
// a cut one under its name, the third never starts, and the work stops at once.
TEST_P(CancelDuringAnEntry, LeavesNoFileOfTheCancelledEntry)
{
    const CancelCase c = GetParam();
    RunRig rig;
    for (const char* name : {"one.wav", "two.wav", "three.wav"})
        ASSERT_TRUE(makeWav(rig.source(QLatin1String(name)), 6.0));
    rig.view.keys = {rig.source(QStringLiteral("one.wav")), rig.source(QStringLiteral("two.wav")),
                     rig.source(QStringLiteral("three.wav"))};
    ASSERT_TRUE(rig.chooseFormat(c.format)) << rig.writer.LastError().toStdString();
    int yieldsInSecond = 0;
    int yieldsAfterCancel = -1;
    rig.view.onYield = [&](int) {
        if (yieldsAfterCancel >= 0)
            ++yieldsAfterCancel;
        else if (rig.view.positionText == QStringLiteral("2 / 3") && ++yieldsInSecond == 2) {
            rig.engine.cancel();
            yieldsAfterCancel = 0;
        }
    };
    rig.engine.runAll();

    ASSERT_GE(yieldsAfterCancel, 0) << "the second entry never reported progress";
    EXPECT_LE(yieldsAfterCancel, 1); // the component stopped at its next check
    EXPECT_TRUE(rig.view.messages.isEmpty()) << rig.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_NEAR(decodedSeconds(rig.out(QStringLiteral("one") + c.extension)), 6.0, 0.1);
    EXPECT_EQ(QDir(rig.output.path()).entryList(QDir::Files), QStringList{QStringLiteral("one") + c.extension});
    EXPECT_EQ(rig.view.revealed, (QList<int>{1, 2}));
    rig.checkIdle();

    // Converting again gives the entry its own name, not a "(1)" beside a cut file.
    rig.view.onYield = nullptr;
    rig.engine.runOne(2);
    EXPECT_NEAR(decodedSeconds(rig.out(QStringLiteral("two") + c.extension)), 6.0, 0.1);
    rig.checkIdle();
}

INSTANTIATE_TEST_SUITE_P(EachFormat, CancelDuringAnEntry,
                         ::testing::Values(CancelCase{formats::Wav, QStringLiteral(".wav")},
                                           CancelCase{formats::Mp3, QStringLiteral(".mp3")},
                                           CancelCase{formats::Ogg, QStringLiteral(".ogg")},
                                           CancelCase{formats::Wma, QStringLiteral(".wma")},
                                           CancelCase{formats::Aac, QStringLiteral(".aac")},
                                           CancelCase{formats::Ape, QStringLiteral(".ape")}),
                         [](const auto& info) { return info.param.extension.mid(1).toStdString(); });

// Cancel reaches the APE library whether it compresses an entry, decodes an
// .ape source or compresses a decoded one: it reports no further progress,
// the run ends there, and neither the output nor the temporary WAV is left.
TEST(ConversionRun, CancelStopsTheApeLibraryAtOnce)
{
    enum class Stage { Decoding, Compressing };
    struct Case {
        const char* name;
        const char* source;
        QString format;
        const char* target;
        Stage stage;
    };
    const Case cases[] = {
        {"compressing a WAV source", "long.wav", formats::Ape, "long.ape", Stage::Compressing},
        {"decoding an .ape source to WAV", "long.ape", formats::Wav, "long.wav", Stage::Decoding},
        {"decoding an .ape source to MP3", "long.ape", formats::Mp3, "long.mp3", Stage::Decoding},
        {"compressing a decoded source", "long.ape", formats::Ape, "long.ape", Stage::Compressing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunRig rig;
        const QString source = rig.source(QLatin1String(c.source));
        const bool apeSource = source.endsWith(QLatin1String(".ape"));
        if (apeSource) {
            ASSERT_TRUE(makeApe(source, rig.sources.path(), 20.0, {}));
        } else {
            ASSERT_TRUE(makeWav(source, 20.0));
        }
        ASSERT_TRUE(makeWav(rig.source(QStringLiteral("next.wav")), 1.0));
        rig.view.keys = {source, rig.source(QStringLiteral("next.wav"))};
        ASSERT_TRUE(rig.chooseFormat(c.format));
        // An .ape source is decoded first; with an APE output the compression
        // follows it: cancel a few reports into the stage the case is about.
        Stage stage = apeSource ? Stage::Decoding : Stage::Compressing;
        int reports = 0;
        int yieldsAfterCancel = -1;
        rig.view.onYield = [&](int) {
            if (yieldsAfterCancel >= 0) {
                ++yieldsAfterCancel;
                return;
            }
            if (apeSource && rig.view.label == QStringLiteral("100 %"))
                stage = Stage::Compressing; // the decode has ended
            if (stage != c.stage)
                return;
            if (++reports == 4) {
                if (apeSource && c.stage == Stage::Compressing) {
                    EXPECT_TRUE(rig.tempFiles().isEmpty()); // the decoded WAV has no name, even meanwhile
                }
                rig.engine.cancel();
                yieldsAfterCancel = 0;
            }
        };
        rig.engine.runAll();

        ASSERT_GE(yieldsAfterCancel, 0); // the library reported progress, and Cancel came
        EXPECT_LE(yieldsAfterCancel, 1);
        if (!apeSource || c.stage == Stage::Decoding) {
            EXPECT_LT(rig.view.rows[1], 100.0); // a decoded source's row is full once the decode ends
        }
        EXPECT_TRUE(rig.view.messages.isEmpty()) << rig.messageTexts().join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(QFileInfo::exists(rig.out(QLatin1String(c.target))));
        EXPECT_TRUE(QDir(rig.output.path()).entryList(QDir::Files).isEmpty());
        EXPECT_TRUE(rig.tempFiles().isEmpty());
        EXPECT_EQ(rig.view.revealed, QList<int>{1}); // the next entry never starts
        rig.checkIdle();
    }
}

TEST(ConversionRun, CancelWhileMakingTheTemporaryWavRemovesIt)
{
    RunRig rig;
    ASSERT_TRUE(makeTaggedMp3(rig.source(QStringLiteral("song.mp3")), rig.sources.path(), 3.0));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("next.wav")), 1.0));
    rig.view.keys = {rig.source(QStringLiteral("song.mp3")), rig.source(QStringLiteral("next.wav"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Aac));
    bool copying = false;
    rig.view.onYield = [&](int n) {
        if (n == 2) { // yield 1 is the tag reading; 2 is the first chunk of the temporary WAV
            // The copy shows its progress, and has no name until it is complete.
            copying = rig.view.label != QStringLiteral("0 %") && rig.tempFiles().isEmpty();
            rig.engine.cancel();
        }
    };
    rig.engine.runAll();
    EXPECT_TRUE(copying);
    EXPECT_TRUE(QDir(rig.output.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(rig.view.messages.isEmpty());
    rig.checkIdle();
}

// A disk that fills up during an entry (here a file size limit, which fails
// writes the same way): every output step says why, in the system's words,
// names the entry, and leaves no part of the file behind.
TEST(ConversionRun, FullDiskSaysWhyInEveryFormat)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    const std::pair<QString, QString> cases[] = {
        {formats::Wav, QStringLiteral(".wav")}, {formats::Mp3, QStringLiteral(".mp3")},
        {formats::Ogg, QStringLiteral(".ogg")}, {formats::Wma, QStringLiteral(".wma")},
        {formats::Aac, QStringLiteral(".aac")}, {formats::Ape, QStringLiteral(".ape")}};
    for (const auto& [format, extension] : cases) {
        SCOPED_TRACE(format.toStdString());
        RunRig rig;
        ASSERT_TRUE(makeWav(rig.source(QStringLiteral("long.wav")), 6.0));
        rig.view.keys = {rig.source(QStringLiteral("long.wav"))};
        ASSERT_TRUE(rig.chooseFormat(format));
        {
            FileSizeLimit limit(20000);
            rig.engine.runAll();
        }
        ASSERT_EQ(rig.view.messages.size(), 1);
        const QString text = rig.view.messages[0].text;
        EXPECT_TRUE(text.contains(reason)) << text.toStdString();
        EXPECT_TRUE(text.contains(rig.source(QStringLiteral("long.wav")))) << text.toStdString();
        EXPECT_TRUE(text.contains(rig.out(QStringLiteral("long") + extension))) << text.toStdString();
        // Shown in the user's language: every phrase of it has a line of its own.
        for (const auto& [file, tooLarge] : {std::pair{"German.lng", "Datei zu gro\u00df"},
                                             std::pair{"Portugu\u00eas.lng", "Ficheiro demasiado grande"}}) {
            SCOPED_TRACE(file);
            ASSERT_TRUE(
                Lang_Loader::LoadLanguageFile(QStringLiteral(TAVREL_LANG_SOURCE_DIR "/") + QString::fromUtf8(file)));
            const QString shown = localizedMessage(text);
            EXPECT_TRUE(shown.contains(QString::fromUtf8(tooLarge))) << shown.toStdString();
            EXPECT_TRUE(shown.contains(rig.out(QStringLiteral("long") + extension))) << shown.toStdString();
            EXPECT_FALSE(shown.contains(QStringLiteral("arget"))) << shown.toStdString();
            EXPECT_FALSE(shown.contains(QStringLiteral("Cannot"))) << shown.toStdString();
        }
        ASSERT_TRUE(Lang_Loader::LoadLanguageFile(QStringLiteral(TAVREL_LANG_SOURCE_DIR "/English.lng")));
        EXPECT_TRUE(QDir(rig.output.path()).entryList(QDir::Files).isEmpty());
        rig.checkIdle();
    }
}

// A WMA file that fits while its tag does not: the message names the file
// and the reason.
TEST(ConversionRun, TagThatDoesNotFitNamesTheFileAndTheReason)
{
    RunRig rig;
    ASSERT_TRUE(makeTaggedMp3(rig.source(QStringLiteral("song.mp3")), rig.sources.path(), 2.0));
    rig.view.keys = {rig.source(QStringLiteral("song.mp3"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Wma));
    // The same audio untagged, to learn its size.
    const QString probe = rig.temp.filePath(QStringLiteral("size.wma"));
    {
        quandor::audio::AudioFileReader reader;
        ASSERT_TRUE(reader.Open(rig.source(QStringLiteral("song.mp3"))));
        ASSERT_TRUE(rig.writer.SetSourceFormat(reader.FormatNumberB(), reader.FormatNumberA()));
        ASSERT_TRUE(rig.writer.Open(probe));
        for (QByteArray chunk; !(chunk = reader.ReadChunk(1 << 16)).isEmpty();)
            ASSERT_TRUE(rig.writer.WriteChunk(chunk));
        ASSERT_TRUE(rig.writer.Close());
    }
    const qint64 untagged = QFileInfo(probe).size();
    ASSERT_TRUE(QFile::remove(probe));
    {
        FileSizeLimit limit{static_cast<rlim_t>(untagged)};
        rig.engine.runAll();
    }
    const QString target = rig.out(QStringLiteral("song.wma"));
    ASSERT_EQ(rig.view.messages.size(), 1);
    const QString text = rig.view.messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Error on SetTag function\n") + target + QLatin1Char('\n')))
        << text.toStdString();
    EXPECT_GT(text.size(), (QStringLiteral("Error on SetTag function\n") + target + QLatin1Char('\n')).size());
    EXPECT_EQ(QFileInfo(target).size(), untagged); // the audio is all there
    rig.checkIdle();
}

TEST(ConversionRun, FailingEntriesAreReportedOnceAndTheRunGoesOn)
{
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("first.wav")), 1.0));
    ASSERT_TRUE(writeAll(rig.source(QStringLiteral("broken.mp3")), QByteArray(5000, '\x5a')));
    ASSERT_TRUE(writeAll(rig.source(QStringLiteral("broken.m4a")), QByteArray(3000, '\x11')));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("last.wav")), 1.0, 22050, 1));
    rig.view.keys = {rig.source(QStringLiteral("first.wav")), rig.source(QStringLiteral("broken.mp3")),
                     rig.source(QStringLiteral("broken.m4a")), rig.source(QStringLiteral("last.wav"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Ogg));
    rig.engine.runAll();

    ASSERT_EQ(rig.view.messages.size(), 2);
    EXPECT_TRUE(rig.view.messages[0].text.contains(QStringLiteral("broken.mp3")));
    EXPECT_TRUE(rig.view.messages[1].text.contains(QStringLiteral("broken.m4a")));
    EXPECT_EQ(rig.view.messages[0].title, QStringLiteral("Tavrel"));
    EXPECT_GT(decodedSeconds(rig.out(QStringLiteral("first.ogg"))), 0.9);
    EXPECT_GT(decodedSeconds(rig.out(QStringLiteral("last.ogg"))), 0.9);
    EXPECT_EQ(QDir(rig.output.path()).entryList(QDir::Files).size(), 2);
    rig.checkIdle();
}

TEST(ConversionRun, MissingOutputFolderFailsEachEntryWithoutEndingTheRun)
{
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("a.wav")), 1.0));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("b.wav")), 1.0));
    rig.view.keys = {rig.source(QStringLiteral("a.wav")), rig.source(QStringLiteral("b.wav"))};
    rig.view.folder = rig.output.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(rig.chooseFormat(formats::Wav));
    rig.engine.runAll();
    EXPECT_EQ(rig.view.messages.size(), 2);
    EXPECT_EQ(rig.view.folder, rig.output.filePath(QStringLiteral("gone"))); // the run writes nothing back
    EXPECT_EQ(rig.view.requestsRead, 1);                                     // and reads the request once
    rig.checkIdle();
}

TEST(ConversionRun, EmptyOutputFolderIsRefusedBeforeTheRunAsAMissingOne)
{
    // A name no one else uses, in case the run puts it at the root after all.
    const QString base = QStringLiteral("tavrel-empty-folder-%1").arg(QCoreApplication::applicationPid());
    const QString atRoot = QStringLiteral("/") + base + QStringLiteral(".wav");
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(base + QStringLiteral(".wav")), 0.5));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("second.wav")), 0.5));
    rig.view.keys = {rig.source(base + QStringLiteral(".wav")), rig.source(QStringLiteral("second.wav"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Wav));

    const QString missingFolder = rig.output.filePath(QStringLiteral("gone"));
    for (const QString& folder : {QString(), QStringLiteral("  ")}) {
        SCOPED_TRACE(folder.toStdString());
        // The message a folder that is not there gets, for the entry it names.
        rig.view.folder = missingFolder;
        rig.view.messages.clear();
        rig.engine.runOne(1);
        ASSERT_EQ(rig.view.messages.size(), 1);
        const QString missingText = rig.view.messages[0].text;

        for (const bool all : {true, false}) {
            rig.view.folder = folder;
            rig.view.messages.clear();
            rig.view.rows.clear();
            all ? rig.engine.runAll() : rig.engine.runOne(1);
            const QString refused =
                entryFailureMessage(rig.source(base + QStringLiteral(".wav")), missingFolderReason());
            EXPECT_EQ(rig.messageTexts(), QStringList{refused});
            EXPECT_TRUE(missingText.startsWith(refused.section(QLatin1Char(':'), 0, 0) + QLatin1Char(':')));
            EXPECT_TRUE(missingText.endsWith(qt_error_string(ENOENT))) << missingText.toStdString();
            EXPECT_TRUE(rig.view.rows.empty()); // no entry started
            EXPECT_FALSE(QFileInfo::exists(atRoot));
            QFile::remove(atRoot);
            EXPECT_TRUE(QDir(rig.output.path()).isEmpty());
            rig.checkIdle();
        }
    }
}

TEST(ConversionRun, CancelReachesTheRunWhileTheFirstEntriesAreRefused)
{
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("a.wav")), 0.5));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("b.wav")), 0.5));
    rig.view.keys = {rig.source(QStringLiteral("gone1.wav")), rig.source(QStringLiteral("gone2.wav")),
                     rig.source(QStringLiteral("a.wav")), rig.source(QStringLiteral("b.wav"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Wav));
    for (const bool all : {true, false}) {
        SCOPED_TRACE(all ? "Convert !" : "Convert Now");
        rig.view.messages.clear();
        bool converting = false;
        bool cancelShown = false;
        rig.view.onError = [&](const RecordingView::Message&) {
            // The box is up: the user presses Cancel.
            converting = rig.engine.isConverting();
            cancelShown = rig.view.convertingControls;
            rig.engine.cancel();
        };
        all ? rig.engine.runAll() : rig.engine.runOne(1);
        rig.view.onError = nullptr;
        EXPECT_TRUE(converting);
        EXPECT_TRUE(cancelShown);
        EXPECT_EQ(rig.view.messages.size(), 1); // the second missing entry is never reached
        EXPECT_TRUE(QDir(rig.output.path()).isEmpty());
        rig.checkIdle();
    }
}

TEST(ConversionRun, SaveBesideSourceUsesTheSourcesOwnFolder)
{
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("a.b.wav")), 1.0));
    ASSERT_TRUE(makeM4a(rig.source(QStringLiteral("Song.M4A")), 1.0, 44100));
    // A user's own file of the temporary WAV's name stays untouched.
    const QString usersFile = rig.temp.filePath(QStringLiteral("Song.wav"));
    ASSERT_TRUE(writeAll(usersFile, "not audio, and not ours"));
    const QByteArray usersHash = hashOf(usersFile);
    rig.view.keys = {rig.source(QStringLiteral("a.b.wav")), rig.source(QStringLiteral("Song.M4A"))};
    rig.view.saveBeside = true;
    ASSERT_TRUE(rig.chooseFormat(formats::Wav));
    rig.engine.runAll();

    EXPECT_TRUE(rig.view.messages.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(rig.source(QStringLiteral("a.b(1).wav")))); // a.b.wav itself exists
    EXPECT_TRUE(QFileInfo::exists(rig.source(QStringLiteral("Song.wav"))));
    EXPECT_TRUE(QDir(rig.output.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(rig.tempFiles(), QStringList{QStringLiteral("Song.wav")});
    EXPECT_EQ(hashOf(usersFile), usersHash);
    QFile::remove(usersFile);
    rig.checkIdle();
}

TEST(ConversionRun, ApeSourcesAreDecodedAndTheirId3RecordCarried)
{
    RunRig rig;
    ASSERT_TRUE(
        makeApe(rig.source(QStringLiteral("tagged.ape")), rig.sources.path(), 1.0, id3v1("Old Song", "1997", 7, 8)));
    ASSERT_TRUE(makeApe(rig.source(QStringLiteral("bare.ape")), rig.sources.path(), 1.0, {}));
    ASSERT_TRUE(
        makeApe(rig.source(QStringLiteral("blankyear.ape")), rig.sources.path(), 1.0, id3v1("Blank", "    ", 2, 0)));
    const QByteArray fullComment = "Recorded live at the old hall!";
    ASSERT_EQ(fullComment.size(), 30);
    ASSERT_TRUE(
        makeApe(rig.source(QStringLiteral("v10.ape")), rig.sources.path(), 1.0, id3v10("Older Song", fullComment, 8)));
    rig.view.keys = {rig.source(QStringLiteral("tagged.ape")), rig.source(QStringLiteral("bare.ape")),
                     rig.source(QStringLiteral("blankyear.ape")), rig.source(QStringLiteral("v10.ape"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Mp3));
    rig.engine.runAll();

    const QJsonObject tagged = ffprobe(rig.out(QStringLiteral("tagged.mp3")));
    EXPECT_EQ(probedTag(tagged, {"title"}), QStringLiteral("Old Song"));
    EXPECT_EQ(probedTag(tagged, {"artist"}), QStringLiteral("Old Artist"));
    EXPECT_EQ(probedTag(tagged, {"date"}), QStringLiteral("1997"));
    EXPECT_EQ(probedTag(tagged, {"track"}), QStringLiteral("7"));
    EXPECT_EQ(probedTag(tagged, {"genre"}), QStringLiteral("Jazz"));
    EXPECT_NEAR(decodedSeconds(rig.out(QStringLiteral("tagged.mp3"))), 1.0, 0.06);

    // ID3v1.0: the comment's last byte is text, and there is no track (written as the first).
    const QJsonObject v10 = ffprobe(rig.out(QStringLiteral("v10.mp3")));
    EXPECT_EQ(probedTag(v10, {"title"}), QStringLiteral("Older Song"));
    EXPECT_EQ(probedTag(v10, {"comment"}), QString::fromLatin1(fullComment));
    EXPECT_EQ(probedTag(v10, {"track"}), QStringLiteral("1"));
    EXPECT_EQ(probedTag(v10, {"date"}), QStringLiteral("2001"));

    // No record: nothing of the entry before it, the values of any untagged source.
    const QJsonObject bare = ffprobe(rig.out(QStringLiteral("bare.mp3")));
    EXPECT_EQ(probedTag(bare, {"date"}), QString::number(QDate::currentDate().year()));
    EXPECT_EQ(probedTag(bare, {"track"}), QStringLiteral("1"));
    EXPECT_TRUE(probedTag(bare, {"title"}).isEmpty());
    EXPECT_TRUE(probedTag(bare, {"genre"}).isEmpty());

    // A blank year cannot be written: one message, and the file is still made.
    ASSERT_EQ(rig.view.messages.size(), 1);
    EXPECT_EQ(rig.view.messages[0].text,
              QStringLiteral("Error on SetTag function\n%1\nthe year \"    \" is not a number")
                  .arg(rig.out(QStringLiteral("blankyear.mp3"))));
    EXPECT_GT(decodedSeconds(rig.out(QStringLiteral("blankyear.mp3"))), 0.9);
    rig.checkIdle();
}

// An output whose name was taken while it was written takes the next free
// one; a tag error after that names the file actually written.
TEST(ConversionRun, ATagErrorNamesTheFreeNameTheOutputTook)
{
    RunRig rig;
    ASSERT_TRUE(
        makeApe(rig.source(QStringLiteral("blankyear.ape")), rig.sources.path(), 1.0, id3v1("Blank", "    ", 2, 0)));
    rig.view.keys = {rig.source(QStringLiteral("blankyear.ape"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Mp3));
    const QString planned = rig.out(QStringLiteral("blankyear.mp3"));
    rig.view.onYield = [&](int) {
        if (rig.engine.isTranscoding() && !QFileInfo::exists(planned))
            writeAll(planned, "appeared meanwhile");
    };
    rig.engine.runAll();

    EXPECT_EQ(readAll(planned), QByteArray("appeared meanwhile"));
    const QString written = rig.out(QStringLiteral("blankyear(1).mp3"));
    EXPECT_GT(decodedSeconds(written), 0.9);
    ASSERT_EQ(rig.view.messages.size(), 1);
    EXPECT_EQ(rig.view.messages[0].text,
              QStringLiteral("Error on SetTag function\n%1\nthe year \"    \" is not a number").arg(written));
    rig.checkIdle();
}

TEST(ConversionRun, AacOfAWavInAnotherFormatKeepsItsSpeed)
{
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("mono.wav")), 1.0, 22050, 1));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("stereo.wav")), 1.0));
    rig.view.keys = {rig.source(QStringLiteral("mono.wav")), rig.source(QStringLiteral("stereo.wav"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Aac));
    rig.engine.runAll();

    EXPECT_TRUE(rig.view.messages.isEmpty());
    for (const char* name : {"mono.aac", "stereo.aac"}) {
        SCOPED_TRACE(name);
        const QJsonObject stream = firstAudioStream(ffprobe(rig.out(QLatin1String(name))));
        EXPECT_EQ(stream.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("44100"));
        EXPECT_EQ(stream.value(QStringLiteral("channels")).toInt(), 2);
        EXPECT_NEAR(decodedSeconds(rig.out(QLatin1String(name))), 1.0, 0.06);
    }
    // Both sources are still there; only the converted copy of the mono one was temporary.
    EXPECT_TRUE(QFileInfo::exists(rig.source(QStringLiteral("mono.wav"))));
    EXPECT_TRUE(QFileInfo::exists(rig.source(QStringLiteral("stereo.wav"))));
    rig.checkIdle();
}

TEST(ConversionRun, WmaStepReportsUnderItsOwnTitle)
{
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("voice.wav")), 1.0));
    ASSERT_TRUE(writeAll(rig.source(QStringLiteral("junk.wma")), QByteArray(4000, '\x33')));
    rig.view.keys = {rig.source(QStringLiteral("junk.wma")), rig.source(QStringLiteral("voice.wav"))};
    rig.view.format = formats::Wma;
    rig.writer.SetWmaSupport(true);
    rig.reader.SetWmaSupport(true);
    ASSERT_TRUE(rig.writer.SelectWmaProfile(9)) << rig.writer.LastError().toStdString();
    rig.engine.runAll();

    ASSERT_EQ(rig.view.messages.size(), 1);
    EXPECT_EQ(rig.view.messages[0].title, QStringLiteral("Pelmix"));
    EXPECT_TRUE(rig.view.messages[0].text.contains(QStringLiteral("junk.wma")));
    const QJsonObject probe = ffprobe(rig.out(QStringLiteral("voice.wma")));
    EXPECT_TRUE(
        firstAudioStream(probe).value(QStringLiteral("codec_name")).toString().startsWith(QStringLiteral("wma")));
    EXPECT_NEAR(decodedSeconds(rig.out(QStringLiteral("voice.wma"))), 1.0, 0.1);
    EXPECT_EQ(QDir(rig.output.path()).entryList(QDir::Files).size(), 1);
    rig.checkIdle();
}

// WAV in, MP3, Ogg or APE out: decoded and encoded without FFmpeg, which
// only the formats that need it open. The tags go into each output before it
// has its name, so no guarded save (whose check decodes the audio through
// FFmpeg) runs on it either: the output is written once.
TEST(ConversionRun, WavToMp3OggAndApeNeverOpenFfmpeg)
{
    RunRig rig;
    ASSERT_FALSE(quandor::ffmpeg::loaded());
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("song.wav")), 1.0));
    rig.view.keys = {rig.source(QStringLiteral("song.wav"))};
    for (const QString& format : {formats::Mp3, formats::Ogg, formats::Ape}) {
        ASSERT_TRUE(rig.chooseFormat(format));
        rig.engine.runAll();
        EXPECT_TRUE(rig.view.messages.isEmpty()) << format.toStdString();
        EXPECT_FALSE(quandor::ffmpeg::loaded()) << format.toStdString();
    }
    for (const char* name : {"song.mp3", "song.ogg"}) {
        quandor::audio::AudioTagInfo tags;
        ASSERT_TRUE(tags.LoadTags(rig.out(QString::fromLatin1(name)))) << name;
        EXPECT_EQ(tags.EncodedBy, QStringLiteral("Tavrel")) << name;
    }
    for (const char* name : {"song.mp3", "song.ogg", "song.ape"})
        EXPECT_NEAR(decodedSeconds(rig.out(QString::fromLatin1(name))), 1.0, 0.1) << name;
    rig.checkIdle();
}

TEST(ConversionRun, SingleEntryAndEmptyList)
{
    RunRig rig;
    rig.engine.runAll(); // empty list: the end state at once
    rig.checkIdle();
    EXPECT_EQ(rig.view.controlChanges, 2); // under way, then idle again
    EXPECT_TRUE(rig.view.messages.isEmpty());

    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("x.wav")), 1.0));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("y.wav")), 1.0));
    rig.view.keys = {rig.source(QStringLiteral("x.wav")), rig.source(QStringLiteral("y.wav"))};
    ASSERT_TRUE(rig.chooseFormat(formats::Wav));
    rig.engine.runOne(2);
    EXPECT_TRUE(rig.view.positionTexts.contains(QStringLiteral("1 / 2")));
    EXPECT_FALSE(QFileInfo::exists(rig.out(QStringLiteral("x.wav"))));
    EXPECT_TRUE(QFileInfo::exists(rig.out(QStringLiteral("y.wav"))));
    EXPECT_TRUE(rig.view.revealed.isEmpty());
    rig.checkIdle();

    // A source without an extension keeps its whole name as the base.
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("take")), 0.5));
    rig.view.keys = {rig.source(QStringLiteral("take"))};
    rig.engine.runOne(1);
    EXPECT_TRUE(rig.view.messages.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(rig.out(QStringLiteral("take.wav"))));
    rig.checkIdle();
}

// The tag values as id3v2 lists them ("TRCK (Track number/Position in set): 5").
QString id3v2Listing(const QString& path)
{
    return QString::fromUtf8(runTool(QStringLiteral("id3v2"), {QStringLiteral("-l"), path}).out);
}

TEST(ConversionRun, EachEntryIsTaggedFromItsOwnSourceOnly)
{
    // Ogg carries the tag in the stream from the encoder on: nothing of one
    // entry's tag may reach the next.
    for (const auto& [format, extension] :
         {std::pair{formats::Mp3, QStringLiteral(".mp3")}, std::pair{formats::Ogg, QStringLiteral(".ogg")}}) {
        SCOPED_TRACE(format.toStdString());
        RunRig rig;
        ASSERT_TRUE(makeTaggedMp3(rig.source(QStringLiteral("tagged.mp3")), rig.sources.path(), 1.0));
        ASSERT_TRUE(makeWav(rig.source(QStringLiteral("untagged.wav")), 1.0));
        rig.view.keys = {rig.source(QStringLiteral("tagged.mp3")), rig.source(QStringLiteral("untagged.wav"))};
        ASSERT_TRUE(rig.chooseFormat(format));
        rig.engine.runAll();
        rig.engine.runOne(2); // "Convert Now" of the untagged entry alone
        EXPECT_TRUE(rig.view.messages.isEmpty()) << rig.messageTexts().join(QLatin1Char('\n')).toStdString();

        const QJsonObject tagged = ffprobe(rig.out(QStringLiteral("tagged") + extension));
        EXPECT_EQ(probedTag(tagged, {"track"}), QStringLiteral("5"));
        EXPECT_EQ(probedTag(tagged, {"genre"}), QStringLiteral("Jazz"));
        EXPECT_EQ(probedTag(tagged, {"title"}), QStringLiteral("Morning Song"));
        const QString year = QString::number(QDate::currentDate().year());
        for (const QString& name : {QStringLiteral("untagged"), QStringLiteral("untagged(1)")}) {
            SCOPED_TRACE(name.toStdString());
            const QString path = rig.out(name + extension);
            const QJsonObject probe = ffprobe(path);
            ASSERT_FALSE(probe.isEmpty());
            EXPECT_EQ(probedTag(probe, {"track"}), QStringLiteral("1")); // no track: the first
            EXPECT_EQ(probedTag(probe, {"date"}), year);
            for (const char* absent : {"genre", "title", "artist", "album", "comment"})
                EXPECT_TRUE(probedTag(probe, {absent}).isEmpty()) << absent;
            if (format == formats::Mp3 && haveCheckingTool(QStringLiteral("id3v2"))) {
                const QString listing = id3v2Listing(path);
                EXPECT_TRUE(listing.contains(QStringLiteral("TRCK (Track number/Position in set): 1\n")))
                    << listing.toStdString();
                EXPECT_FALSE(listing.contains(QStringLiteral("TCON"))) << listing.toStdString();
                EXPECT_FALSE(listing.contains(QStringLiteral("Blues"))) << listing.toStdString();
            }
        }
        rig.checkIdle();
    }
}

TEST(ConversionRun, EveryListedFileIsConvertedOrReported)
{
    RunRig rig;
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral(".dotfile.wav")), 1.0));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("gone.wav")), 1.0));
    ASSERT_TRUE(makeWav(rig.source(QStringLiteral("last.wav")), 1.0));
    rig.view.keys = {rig.source(QStringLiteral(".dotfile.wav")), rig.source(QStringLiteral("gone.wav")),
                     rig.source(QStringLiteral("last.wav"))};
    ASSERT_TRUE(QFile::remove(rig.source(QStringLiteral("gone.wav")))); // vanished after it was listed
    ASSERT_TRUE(rig.chooseFormat(formats::Mp3));
    rig.engine.runAll();

    const QString goneMessage = entryFailureMessage(rig.source(QStringLiteral("gone.wav")), missingSourceReason());
    EXPECT_EQ(rig.messageTexts(), QStringList{goneMessage});
    EXPECT_TRUE(goneMessage.contains(QStringLiteral("gone.wav")));
    EXPECT_NEAR(decodedSeconds(rig.out(QStringLiteral(".dotfile.mp3"))), 1.0, 0.06);
    EXPECT_NEAR(decodedSeconds(rig.out(QStringLiteral("last.mp3"))), 1.0, 0.06);
    EXPECT_DOUBLE_EQ(rig.view.rows[1], 100.0);
    EXPECT_DOUBLE_EQ(rig.view.rows[3], 100.0);
    rig.checkIdle();

    // "Convert Now" of the vanished entry says so too.
    rig.view.messages.clear();
    rig.engine.runOne(2);
    EXPECT_EQ(rig.messageTexts(), QStringList{goneMessage});
    rig.checkIdle();
}

// A file made by ffmpeg from a tone, in the codec, rate and channel count given.
bool makeToneWithFfmpeg(const QString& path, double seconds, const QString& codec, int rate, int channels)
{
    const ToolResult r = runTool(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
         QStringLiteral("-i"), QStringLiteral("sine=frequency=330:sample_rate=%1:duration=%2").arg(rate).arg(seconds),
         QStringLiteral("-ac"), QString::number(channels), QStringLiteral("-c:a"), codec, path});
    return r.exitCode == 0;
}

// APE is lossless: whatever the source, the APE file keeps its sample rate
// and its mono or stereo layout; only the samples become 16-bit integers
// (more than two channels are mixed to stereo, as every source is read).
TEST(ConversionRun, ApeKeepsTheSourcesRateAndChannels)
{
    struct Case {
        const char* name;
        const char* codec;
        int rate;
        int channels;
        double seconds;
        int expectedChannels;
        int expectedBits;
    };
    // A WAV the APE encoder takes as it is (8 to 24-bit integers, one or two
    // channels) keeps its own sample size too.
    const Case cases[] = {
        {"hires.wav", "pcm_f32le", 96000, 2, 1.0, 2, 16},    {"voice.wav", "pcm_f32le", 22050, 1, 1.2, 1, 16},
        {"surround.wav", "pcm_s16le", 48000, 6, 1.1, 2, 16}, {"int32.wav", "pcm_s32le", 48000, 1, 0.9, 1, 16},
        {"hires24.wav", "pcm_s24le", 96000, 2, 0.8, 2, 24},  {"mono.mp3", "libmp3lame", 22050, 1, 1.3, 1, 16},
        {"wide.ogg", "libvorbis", 32000, 2, 1.0, 2, 16},     {"studio.wav", "pcm_f32le", 192000, 2, 0.5, 2, 16},
        {"airy.ogg", "libvorbis", 192000, 1, 0.7, 1, 16},
    };
    RunRig rig;
    for (const Case& c : cases) {
        ASSERT_TRUE(makeToneWithFfmpeg(rig.source(QLatin1String(c.name)), c.seconds, QLatin1String(c.codec), c.rate,
                                       c.channels))
            << c.name;
        rig.view.keys.push_back(rig.source(QLatin1String(c.name)));
    }
    ASSERT_TRUE(rig.chooseFormat(formats::Ape));
    rig.engine.runAll();

    EXPECT_TRUE(rig.view.messages.isEmpty()) << rig.messageTexts().join(QLatin1Char('\n')).toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString target = rig.out(QFileInfo(QLatin1String(c.name)).completeBaseName() + QStringLiteral(".ape"));
        const QJsonObject stream = firstAudioStream(ffprobe(target));
        EXPECT_EQ(stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("ape"));
        EXPECT_EQ(stream.value(QStringLiteral("sample_rate")).toString(), QString::number(c.rate));
        EXPECT_EQ(stream.value(QStringLiteral("channels")).toInt(), c.expectedChannels);
        EXPECT_EQ(stream.value(QStringLiteral("bits_per_raw_sample")).toString(), QString::number(c.expectedBits))
            << QJsonDocument(stream).toJson().toStdString();
        EXPECT_NEAR(decodedSeconds(target), c.seconds, 0.06);
        EXPECT_TRUE(QFileInfo::exists(rig.source(QLatin1String(c.name)))); // only the copies were temporary
    }
    rig.checkIdle();
}

} // namespace
