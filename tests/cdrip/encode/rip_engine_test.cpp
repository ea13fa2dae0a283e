// Whole rips from a disc image in memory: files, reads, tags, stop, failures.
#include "cdrip/encode/id3v1_tag.h"
#include "cdrip/encode/lame_library.h"
#include "cdrip/encode/rip_engine.h"
#include "tests/cdrip/encode/memory_disc.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tools.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>
#include <clocale>

using namespace brenlow;
using namespace brenlow::test;
using namespace quandor::test;

namespace {

class RecordingObserver final : public RipObserver {
public:
    void progress(int trackIndex, int percent) override
    {
        progressLog.push_back({trackIndex, percent});
        if (stopFlag && trackIndex == stopTrack && percent >= stopAtPercent) {
            stopFlag->store(true); // the stop command, pressed once while this run is encoded
            stopFlag = nullptr;
        }
    }
    void trackFinished(int trackIndex) override { finished.push_back(trackIndex); }
    void problem(const RipReport& report) override { problems.push_back(report); }
    bool confirmStop() override
    {
        ++questions;
        return stopAnswer;
    }
    std::vector<std::pair<int, int>> progressLog;
    std::vector<int> finished;
    std::vector<RipReport> problems;
    int questions = 0;
    bool stopAnswer = true;
    std::atomic<bool>* stopFlag = nullptr;
    int stopTrack = 0;
    int stopAtPercent = 0;
};

/// A disc of tracks laid end to end from LBA 0.
struct Disc {
    std::shared_ptr<MemoryDisc> image;
    QList<RipTrack> tracks;
};

Disc makeDisc(std::initializer_list<int64_t> lengths)
{
    int64_t total = 0;
    Disc disc;
    int index = 0;
    for (int64_t length : lengths) {
        RipTrack t;
        t.index = index;
        t.number = index + 1;
        t.title = QStringLiteral("Track %1").arg(index + 1, 2, 10, QLatin1Char('0'));
        t.start = Lba{static_cast<int32_t>(total)};
        t.lengthSectors = length;
        disc.tracks.append(t);
        total += length;
        ++index;
    }
    disc.image = std::make_shared<MemoryDisc>(total);
    return disc;
}

RipJob makeJob(const Disc& disc, RipFormat format, const QString& folder)
{
    RipJob job;
    job.format = format;
    job.drive = disc.image;
    job.tracks = disc.tracks;
    job.naming.outputFolder = folder;
    job.naming.artist = QStringLiteral("The Artist");
    job.naming.album = QStringLiteral("The Album");
    job.naming.year = QStringLiteral("2001");
    job.genre = QStringLiteral("Jazz");
    job.lameLibraryPath = lameLibraryPath(brenlowFolder());
    return job;
}

RipOutcome rip(const RipJob& job, RecordingObserver& observer, bool stopAtStart = false)
{
    std::atomic<bool> stop{stopAtStart};
    return RipEngine(job, stop, observer).run();
}

QString fileOf(const QString& folder, int number, const char* ext)
{
    return QDir(folder).filePath(
        QStringLiteral("%1 - Track %1.%2").arg(number, 2, 10, QLatin1Char('0')).arg(QLatin1String(ext)));
}

double trackSeconds(int64_t sectors)
{
    return sectors / 75.0;
}

} // namespace

TEST(RipEngine, WavFilesHoldTheSectorsReadInTensThenOnes)
{
    QTemporaryDir dir;
    const Disc disc = makeDisc({7, 1000, 23});
    RecordingObserver observer;
    ASSERT_EQ(rip(makeJob(disc, RipFormat::Wav, dir.path()), observer), RipOutcome::Completed);
    EXPECT_TRUE(observer.problems.empty());
    EXPECT_EQ(observer.finished, (std::vector<int>{0, 1, 2}));
    std::vector<ReadRequest> reads;
    for (const RipTrack& t : disc.tracks) {
        const QByteArray file = readAll(fileOf(dir.path(), t.number, "wav"));
        ASSERT_EQ(file.size(), 44 + t.lengthSectors * 2352) << t.number;
        EXPECT_EQ(file.mid(44), disc.image->slice(t.start.value, t.lengthSectors)) << t.number;
        const auto expected = expectedReads(t.start.value, t.lengthSectors);
        reads.insert(reads.end(), expected.begin(), expected.end());
    }
    EXPECT_EQ(readAll(fileOf(dir.path(), 2, "wav")).left(8).toHex(' '), "52 49 46 46 a4 e3 23 00");
    EXPECT_EQ(disc.image->log(), reads);
    const auto probe = ffprobe(fileOf(dir.path(), 2, "wav"));
    EXPECT_NEAR(probedDuration(probe), trackSeconds(1000), 0.001);
    // Progress climbs to 99 at most and is sent only when it changes.
    int last = -1;
    for (const auto& [track, percent] : observer.progressLog) {
        if (track != 1)
            continue;
        EXPECT_GT(percent, last);
        EXPECT_LE(percent, 99);
        last = percent;
    }
    EXPECT_EQ(last, 99);
}

TEST(RipEngine, Mp3WithDefaultSettings)
{
    QTemporaryDir dir;
    const Disc disc = makeDisc({450});
    RipJob job = makeJob(disc, RipFormat::Mp3, dir.path());
    RecordingObserver observer;
    ASSERT_EQ(rip(job, observer), RipOutcome::Completed);
    ASSERT_TRUE(observer.problems.empty());
    const QString path = fileOf(dir.path(), 1, "mp3");
    const QJsonObject probe = ffprobe(path);
    const QJsonObject audio = firstAudioStream(probe);
    EXPECT_EQ(audio.value(QStringLiteral("codec_name")).toString(), QStringLiteral("mp3"));
    EXPECT_EQ(audio.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("44100"));
    EXPECT_EQ(audio.value(QStringLiteral("channels")).toInt(), 2);
    EXPECT_NEAR(probedDuration(probe), trackSeconds(450), 0.05);

    const QByteArray file = readAll(path);
    // The default "Joint-Stereo" selects joint stereo: mode bits 01 in the
    // header of a frame after the Info frame.
    const qsizetype frame = file.indexOf(QByteArray("\xFF\xFB"), 1000);
    ASSERT_GT(frame, 0);
    EXPECT_EQ((static_cast<uint8_t>(file.at(frame + 3)) >> 6) & 3, 1);

    Id3v1Fields expected;
    expected.title = QStringLiteral("Track 01");
    expected.artist = QStringLiteral("The Artist");
    expected.album = QStringLiteral("The Album");
    expected.year = QStringLiteral("2001");
    expected.comment = QStringLiteral("Created by Brenlow !");
    expected.genre = 8; // Jazz
    EXPECT_EQ(file.right(128), encodeId3v1(expected));
}

TEST(RipEngine, Mp3MonoAndVbrHeader)
{
    QTemporaryDir dir;
    const Disc disc = makeDisc({300});
    RipJob mono = makeJob(disc, RipFormat::Mp3, dir.filePath(QStringLiteral("mono")));
    mono.encoder.mp3.channel = QStringLiteral("Mono");
    RecordingObserver observer;
    ASSERT_EQ(rip(mono, observer), RipOutcome::Completed);
    const QJsonObject monoProbe = ffprobe(fileOf(mono.naming.outputFolder, 1, "mp3"));
    EXPECT_EQ(firstAudioStream(monoProbe).value(QStringLiteral("channels")).toInt(), 1);
    EXPECT_NEAR(probedDuration(monoProbe), trackSeconds(300), 0.05) << "mono keeps the speed";

    RipJob vbr = makeJob(disc, RipFormat::Mp3, dir.filePath(QStringLiteral("vbr")));
    vbr.encoder.mp3.vbr = true;
    vbr.encoder.mp3.vbrHeader = true;
    vbr.encoder.mp3.vbrBitrate = QStringLiteral("320");
    vbr.encoder.mp3.bitrate = QStringLiteral("32");
    ASSERT_EQ(rip(vbr, observer), RipOutcome::Completed);
    const QJsonObject vbrProbe = ffprobe(fileOf(vbr.naming.outputFolder, 1, "mp3"));
    const double start = firstAudioStream(vbrProbe).value(QStringLiteral("start_time")).toString().toDouble();
    EXPECT_GT(start, 0.02) << "the completed LAME frame carries the encoder delay";
    EXPECT_NEAR(probedDuration(vbrProbe) - start, trackSeconds(300), 1152.0 / 44100);
    EXPECT_TRUE(observer.problems.empty());
}

TEST(RipEngine, OggCommentsRateAndLength)
{
    if (!haveCheckingTool(QStringLiteral("ogginfo")) || !haveCheckingTool(QStringLiteral("vorbiscomment")))
        GTEST_SKIP() << "vorbis-tools missing";
    QTemporaryDir dir;
    const Disc disc = makeDisc({20, 375});
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        const bool haveLocale = std::setlocale(LC_ALL, locale) != nullptr;
        for (const char* rate : {"44100", "8000"}) {
            const QString folder =
                dir.filePath(QStringLiteral("%1-%2").arg(QLatin1String(locale), QLatin1String(rate)));
            RipJob job = makeJob(disc, RipFormat::Ogg, folder);
            job.encoder.ogg.frequency = QLatin1String(rate);
            job.encoder.ogg.qualityRate = QStringLiteral("0.50");
            job.genre.clear();
            job.tracks[1].number = 7;
            RecordingObserver observer;
            ASSERT_EQ(rip(job, observer), RipOutcome::Completed) << locale << rate;
            ASSERT_TRUE(observer.problems.empty());
            const QString path = QDir(folder).filePath(QStringLiteral("07 - Track 02.ogg"));
            const ToolResult info = runTool(QStringLiteral("ogginfo"), {path});
            EXPECT_EQ(info.exitCode, 0) << info.out.constData();
            EXPECT_FALSE(info.out.contains("WARNING")) << info.out.constData();
            const ToolResult comments = runTool(QStringLiteral("vorbiscomment"), {QStringLiteral("-l"), path});
            EXPECT_EQ(comments.out,
                      "ENCODER=Brenlow V 1.4\ncomment=Created by Brenlow\nyear=2001\ntitle=Track 02\n"
                      "artist=The Artist\nalbum=The Album\ngenre=Rock\ntracknumber=7\n");
            const QJsonObject probe = ffprobe(path);
            const QJsonObject audio = firstAudioStream(probe);
            EXPECT_EQ(audio.value(QStringLiteral("codec_name")).toString(), QStringLiteral("vorbis"));
            EXPECT_EQ(audio.value(QStringLiteral("sample_rate")).toString(), QLatin1String(rate));
            EXPECT_NEAR(probedDuration(probe), trackSeconds(375), 0.02) << locale << " " << rate;
            EXPECT_EQ(runTool(QStringLiteral("ogginfo"), {QDir(folder).filePath(QStringLiteral("01 - Track 01.ogg"))})
                          .exitCode,
                      0)
                << "a track shorter than one read";
        }
        if (!haveLocale)
            break;
    }
    std::setlocale(LC_ALL, "C");
}

TEST(RipEngine, StopAnsweredCancelChangesNothing)
{
    QTemporaryDir dir;
    const Disc disc = makeDisc({95});
    RipJob job = makeJob(disc, RipFormat::Wav, dir.filePath(QStringLiteral("a")));
    std::atomic<bool> stop{false};
    RecordingObserver observer;
    observer.stopAnswer = false;
    observer.stopFlag = &stop;
    observer.stopAtPercent = 40; // after 40 of 95 sectors; the next check asks
    ASSERT_EQ(RipEngine(job, stop, observer).run(), RipOutcome::Completed);
    EXPECT_EQ(observer.questions, 1);
    const QByteArray file = readAll(fileOf(job.naming.outputFolder, 1, "wav"));
    EXPECT_EQ(file.mid(44), disc.image->slice(0, 95)) << "resumed at the same block";
    EXPECT_EQ(disc.image->log(), expectedReads(0, 95));
    RecordingObserver plain;
    const RipJob uninterrupted = makeJob(disc, RipFormat::Wav, dir.filePath(QStringLiteral("b")));
    ASSERT_EQ(rip(uninterrupted, plain), RipOutcome::Completed);
    EXPECT_EQ(file, readAll(fileOf(uninterrupted.naming.outputFolder, 1, "wav")));
}

TEST(RipEngine, StopAnsweredOkLeavesValidShorterFiles)
{
    for (RipFormat format : {RipFormat::Wav, RipFormat::Mp3, RipFormat::Ogg}) {
        QTemporaryDir dir;
        const Disc disc = makeDisc({400, 50});
        RipJob job = makeJob(disc, format, dir.path());
        std::atomic<bool> stop{false};
        RecordingObserver observer;
        observer.stopFlag = &stop;
        observer.stopAtPercent = 50; // after 200 of 400 sectors
        ASSERT_EQ(RipEngine(job, stop, observer).run(), RipOutcome::Stopped);
        const char* ext = format == RipFormat::Wav ? "wav" : format == RipFormat::Mp3 ? "mp3" : "ogg";
        const QString path = fileOf(dir.path(), 1, ext);
        EXPECT_NEAR(probedDuration(ffprobe(path)), trackSeconds(200), 0.06) << ext;
        EXPECT_FALSE(QFile::exists(fileOf(dir.path(), 2, ext))) << "later tracks are not started";
        if (format == RipFormat::Wav) {
            const QByteArray file = readAll(path);
            EXPECT_EQ(file.size(), 44 + 200 * 2352);
            EXPECT_EQ(qFromLittleEndian<uint32_t>(file.constData() + 40), 200u * 2352) << "sizes patched";
            EXPECT_EQ(qFromLittleEndian<uint32_t>(file.constData() + 4), 200u * 2352 + 36);
        }
        if (format == RipFormat::Ogg) {
            EXPECT_EQ(runTool(QStringLiteral("ogginfo"), {path}).exitCode, 0) << "ends with its last page";
            EXPECT_EQ(observer.finished, std::vector<int>{0}) << "the stopped Ogg track is unselected";
        } else {
            EXPECT_TRUE(observer.finished.empty());
        }
        if (format == RipFormat::Mp3) {
            EXPECT_FALSE(readAll(path).right(128).startsWith("TAG")) << "a cut MP3 stays untagged";
        }
    }
}

TEST(RipEngine, ReadErrorEndsTheRunWithAValidFile)
{
    QTemporaryDir dir;
    const Disc disc = makeDisc({100, 100, 100});
    disc.image->unreadable = {125};
    RipJob job = makeJob(disc, RipFormat::Wav, dir.path());
    RecordingObserver observer;
    ASSERT_EQ(rip(job, observer), RipOutcome::Failed);
    ASSERT_EQ(observer.problems.size(), 1u);
    EXPECT_EQ(observer.problems[0].problem, RipProblem::ReadFailed);
    EXPECT_EQ(observer.finished, std::vector<int>{0});
    const QByteArray second = readAll(fileOf(dir.path(), 2, "wav"));
    EXPECT_EQ(second.size(), 44 + 20 * 2352);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(second.constData() + 40), 20u * 2352);
    EXPECT_FALSE(QFile::exists(fileOf(dir.path(), 3, "wav")));

    // Far into a long track, after several batches read ahead: everything
    // before the bad run is kept, nothing after it.
    QTemporaryDir longDir;
    const Disc longDisc = makeDisc({900});
    longDisc.image->unreadable = {805};
    RecordingObserver longObserver;
    ASSERT_EQ(rip(makeJob(longDisc, RipFormat::Wav, longDir.path()), longObserver), RipOutcome::Failed);
    ASSERT_EQ(longObserver.problems.size(), 1u);
    const QByteArray cut = readAll(fileOf(longDir.path(), 1, "wav"));
    EXPECT_EQ(cut.mid(44), longDisc.image->slice(0, 800));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(cut.constData() + 40), 800u * 2352);
}

TEST(RipEngine, SetUpFailuresAreReported)
{
    QTemporaryDir dir;
    const Disc disc = makeDisc({30, 30});
    struct Case {
        const char* what;
        std::function<void(RipJob&)> change;
        RipProblem problem;
        bool fileLeft;
    };
    const std::vector<Case> cases = {
        {"library missing",
         [](RipJob& j) {
             j.format = RipFormat::Mp3;
             j.lameLibraryPath = "/nonexistent/liblame_enc.so";
         },
         RipProblem::LameNotLoaded, false},
        {"library without the entry points",
         [](RipJob& j) {
             j.format = RipFormat::Mp3;
             j.lameLibraryPath = QStringLiteral("libm.so.6");
         },
         RipProblem::LameEntryMissing, false},
        {"MP3 settings refused",
         [](RipJob& j) {
             j.format = RipFormat::Mp3;
             j.encoder.mp3.bitrate = "0";
         },
         RipProblem::LameRefused, false},
        {"Ogg settings refused",
         [](RipJob& j) {
             j.format = RipFormat::Ogg;
             j.encoder.ogg.quality = false;
             j.encoder.ogg.bitrate = "8";
         },
         RipProblem::VorbisRefused, false},
        {"file cannot be created",
         [&](RipJob& j) {
             j.naming.pattern = QStringLiteral("%N");
             QDir(j.naming.outputFolder).mkpath(QStringLiteral("01.wav"));
         },
         RipProblem::CreateFailed, false},
    };
    for (const Case& c : cases) {
        const QString folder = dir.filePath(QLatin1String(c.what));
        RipJob job = makeJob(disc, RipFormat::Wav, folder);
        QDir().mkpath(folder);
        c.change(job);
        RecordingObserver observer;
        EXPECT_EQ(rip(job, observer), RipOutcome::Failed) << c.what;
        ASSERT_EQ(observer.problems.size(), 1u) << c.what;
        EXPECT_EQ(observer.problems[0].problem, c.problem) << c.what;
        EXPECT_TRUE(observer.finished.empty()) << c.what;
        const QStringList left = QDir(folder).entryList(QDir::Files);
        EXPECT_TRUE(left.isEmpty()) << c.what << ": " << left.join(QLatin1Char(',')).toStdString();
    }
}

TEST(RipEngine, DiskFullIsReported)
{
    QTemporaryDir dir;
    const Disc disc = makeDisc({30});
    RipJob job = makeJob(disc, RipFormat::Wav, dir.path());
    job.naming.pattern = QStringLiteral("full");
    RecordingObserver observer;
    {
        const quandor::test::FileSizeLimit limit(16 * 1024);
        EXPECT_EQ(rip(job, observer), RipOutcome::Failed);
    }
    ASSERT_FALSE(observer.problems.empty());
    EXPECT_EQ(observer.problems[0].problem, RipProblem::WriteFailed);
    EXPECT_TRUE(observer.problems[0].reason.contains(QStringLiteral("File too large")))
        << observer.problems[0].reason.toStdString();
}

TEST(RipEngine, DiskFullPartWayIntoATrackLeavesAHeaderForTheAudioKept)
{
    const Disc disc = makeDisc({1000});
    struct Case {
        const char* name;
        rlim_t limit;     // the file may grow to this many bytes
        qint64 audioKept; // whole sample frames below the limit
    } cases[] = {
        {"mid-write, mid-frame", 1000003, 999956},
        {"on a write boundary", 44 + 2 * 376320, 2 * 376320},
        {"two bytes after the header", 46, 0},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        RipJob job = makeJob(disc, RipFormat::Wav, dir.path());
        RecordingObserver observer;
        {
            FileSizeLimit limit(c.limit);
            EXPECT_EQ(rip(job, observer), RipOutcome::Failed) << c.name;
        }
        ASSERT_EQ(observer.problems.size(), 1u) << c.name;
        EXPECT_EQ(observer.problems[0].problem, RipProblem::WriteFailed) << c.name;
        const QString path = fileOf(dir.path(), 1, "wav");
        const QByteArray file = readAll(path);
        ASSERT_EQ(file.size(), 44 + c.audioKept) << c.name;
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 40), quint32(c.audioKept)) << c.name;
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 4), quint32(c.audioKept + 36)) << c.name;
        EXPECT_EQ(file.mid(44), disc.image->slice(0, 1000).left(c.audioKept)) << c.name;
        if (c.audioKept > 0 && haveTool(QStringLiteral("ffprobe"))) {
            EXPECT_NEAR(probedDuration(ffprobe(path)), c.audioKept / 176400.0, 0.001) << c.name;
        }
    }
}

TEST(RipEngine, DataTracksAreSkipped)
{
    QTemporaryDir dir;
    Disc disc = makeDisc({20, 20});
    disc.tracks[0].audio = false;
    RecordingObserver observer;
    ASSERT_EQ(rip(makeJob(disc, RipFormat::Wav, dir.path()), observer), RipOutcome::Completed);
    EXPECT_FALSE(QFile::exists(fileOf(dir.path(), 1, "wav")));
    EXPECT_TRUE(QFile::exists(fileOf(dir.path(), 2, "wav")));
    EXPECT_EQ(disc.image->log(), expectedReads(20, 20));
}
