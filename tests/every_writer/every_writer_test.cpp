// Every writer of both programs under every fault a file write meets in the
// field: a size limit with SIGXFSZ at its default, a full disk, a kill in the
// middle, a link or a FIFO planted under the name, a file that appears under
// the name while the writer works, and two writers at once. Each case ends
// with nothing of the user's lost, a message (or an error result) naming the
// file and the reason, and nothing written outside the writer's folder.

#include "cdrip/cddb/cddb_cache.h"
#include "cdrip/cddb/cddb_download.h"
#include "cdrip/encode/lame_library.h"
#include "cdrip/encode/track_encoders.h"
#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/scsi/toc.h"
#include "cdrip/ui/brenlow_start.h"
#include "cdrip/ui/ripper_settings.h"
#include "converter/common/lang_loader.h"
#include "converter/main/audiotool.h"
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/audio_tag_info.h"
#include "platform/files/file_door.h"
#include "platform/mac/mac_library.h"
#include "platform/profile/profile_file.h"
#include "platform/shell/registry_store.h"
#include "platform/shell/services.h"
#include "tests/cdrip/scsi/image_test_support.h"
#include "tests/support/canned_http_server.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using quandor::test::readAll;
using quandor::test::writeAll;

enum class Fault { SizeLimit, DiskFull, KillMidWrite, LinkPlanted, FifoPlanted, AppearsMidWrite, TwoWriters };

const char* nameOf(Fault fault)
{
    switch (fault) {
    case Fault::SizeLimit:
        return "size limit";
    case Fault::DiskFull:
        return "full disk";
    case Fault::KillMidWrite:
        return "kill mid-write";
    case Fault::LinkPlanted:
        return "link planted";
    case Fault::FifoPlanted:
        return "FIFO planted";
    case Fault::AppearsMidWrite:
        return "file appears mid-write";
    case Fault::TwoWriters:
        return "two writers";
    }
    return "";
}

/// How a writer treats the name it writes.
enum class Kind {
    NewName,      ///< a Tavrel output: never replaces, takes the next free name
    Replaces,     ///< a name the program owns or the user agreed to replace: replaced whole
    SharedIni,    ///< an INI changed one value at a time by several programs
    EditsInPlace, ///< the tag save: the user's own file, changed or left as it was
};

struct Outcome {
    bool ok = false;
    QString message;
};
using Midway = std::function<void()>;

/// One writer: what it writes where, and how.
struct Writer {
    const char* what;
    QString name; ///< relative to the writer's folder
    Kind kind;
    /// Stores `entries` values (SharedIni; 1 otherwise) of round `round`;
    /// calls `midway` once while its file is open.
    std::function<Outcome(const QString& folder, int round, int entries, const Midway& midway)> write;
    /// Faults that mean nothing for this writer, and why.
    std::map<Fault, const char*> noMeaning;
    bool reportsMessage = true; ///< false: the writer's result is its only report
    /// A rip cut short by a failed write keeps what it wrote under its name,
    /// as a rip stopped by the user does (the name was the rip's to replace).
    bool keepsCutFile = false;
    /// Runs in the writer's process before any limit is set.
    std::function<void()> beforeLimit = [] {};
};

// ---- the writers --------------------------------------------------------------

constexpr double kSeconds = 2.0;

QByteArray pcm()
{
    static const QByteArray bytes = quandor::test::makeMusicPcm({44100, 2, 16}, qint64(44100 * kSeconds));
    return bytes;
}

QString sourceWav(const QString& folder)
{
    // The sources stay beside the writer's folder: the user's, never to change.
    return QFileInfo(folder).absolutePath() + QStringLiteral("/source.wav");
}

Outcome viaTavrelWriter(const QString& path, const std::function<bool(quandor::audio::AudioFileWriter&)>& select,
                        const Midway& midway)
{
    quandor::audio::AudioFileWriter writer;
    if (!select(writer) || !writer.Open(path) || !writer.SetSourceFormat(44100, 4))
        return {false, writer.LastError()};
    const QByteArray audio = pcm();
    const qsizetype half = audio.size() / 2 / 4 * 4;
    if (!writer.WriteChunk(audio.first(half)))
        return {false, writer.LastError()};
    midway();
    if (!writer.WriteChunk(audio.sliced(half)) || !writer.Close())
        return {false, writer.LastError()};
    return {true, {}};
}

Writer tavrelOutput(const char* what, const char* extension,
                    std::function<bool(quandor::audio::AudioFileWriter&)> select)
{
    return {what, QStringLiteral("song.") + QLatin1String(extension), Kind::NewName,
            [=](const QString& folder, int, int, const Midway& midway) {
                return viaTavrelWriter(folder + QStringLiteral("/song.") + QLatin1String(extension), select, midway);
            }};
}

Writer tavrelAac()
{
    return {"Tavrel AAC output", QStringLiteral("song.aac"), Kind::NewName,
            [](const QString& folder, int, int, const Midway& midway) {
                quandor::audio::AacEncoder encoder;
                encoder.InputFile = sourceWav(folder);
                encoder.OutputFile = folder + QStringLiteral("/song.aac");
                bool called = false;
                encoder.Progress = [&](qint64, qint64) {
                    if (!std::exchange(called, true))
                        midway();
                };
                const bool ok = encoder.SetInputFormat(44100, 2)
                    && encoder.SetEncoding(false, false, 0, 1, 1, 16000, 128, false, 0) && encoder.Encode();
                return Outcome{ok, encoder.LastError()};
            }};
}

Writer tavrelApe()
{
    return {"Tavrel APE output", QStringLiteral("song.ape"), Kind::NewName,
            [](const QString& folder, int, int, const Midway& midway) {
                std::atomic<int> stop{0};
                bool called = false;
                QString error;
                const auto result = quandor::mac::CompressFile(
                    sourceWav(folder), folder + QStringLiteral("/song.ape"), 2000, nullptr,
                    [&](int) {
                        if (!std::exchange(called, true))
                            midway();
                    },
                    &stop, &error);
                return Outcome{result == quandor::mac::Result::Success, error};
            }};
}

Writer tagSave()
{
    return {"Tavrel tag save",
            QStringLiteral("a.mp3"),
            Kind::EditsInPlace,
            [](const QString& folder, int round, int, const Midway&) {
                quandor::audio::AudioTagInfo tag;
                const QString path = folder + QStringLiteral("/a.mp3");
                tag.LoadTags(path);
                tag.Title = QStringLiteral("round %1 ").arg(round) + QString(3000, QLatin1Char('t'));
                return Outcome{tag.SaveTags(path), tag.LastError()};
            },
            {{Fault::LinkPlanted,
              "the tag save edits the file the user chose; a link chosen is that file "
              "(the tag save's own tests cover its links)"},
             {Fault::FifoPlanted,
              "the tag save is given a file the user listed; a FIFO is refused before it "
              "(the file list's own tests)"},
             {Fault::AppearsMidWrite, "the tag save changes a file that exists; nothing can appear under its name"}}};
}

/// A writer of `count` values of round `round` into one INI.
using IniStore =
    std::function<bool(const QString& folder, const QString& section, const QString& key, const QString& value)>;

Writer sharedIni(const char* what, const QString& name, IniStore store)
{
    return {what,
            name,
            Kind::SharedIni,
            [=](const QString& folder, int round, int entries, const Midway&) {
                for (int i = 0; i < entries; ++i)
                    if (!store(folder, QStringLiteral("Round%1").arg(round), QStringLiteral("k%1").arg(i),
                               QStringLiteral("v%1").arg(i)))
                        return Outcome{false, {}};
                return Outcome{true, {}};
            },
            {{Fault::AppearsMidWrite,
              "one read-change-write under the folder's lock: another writer's file "
              "cannot come between; another writer is the two-writers case"}},
            false};
}

QString cddbId(int round, int i)
{
    return QStringLiteral("%1").arg(round * 0x1000 + i, 8, 16, QLatin1Char('0'));
}

QByteArray cddbReply(const QString& id)
{
    QByteArray reply = "210 rock " + id.toLatin1() + " Artist / Album\r\nDISCID=" + id.toLatin1()
        + "\r\nDTITLE=Artist / Album\r\nDYEAR=2001\r\nDGENRE=Rock\r\n";
    for (int t = 0; t < 40; ++t)
        reply += "TTITLE" + QByteArray::number(t) + "=A title long enough to fill the reply a little more\r\n";
    return reply + ".\r\n";
}

Writer cddbIndex()
{
    return {"Brenlow CDDB index CDDB/CDDB.ini",
            QStringLiteral("CDDB/CDDB.ini"),
            Kind::SharedIni,
            [](const QString& folder, int round, int entries, const Midway&) {
                brenlow::CddbCache cache(folder);
                for (int i = 0; i < entries; ++i) {
                    const QString id = cddbId(round, i);
                    if (!cache.storeServerReply(QStringLiteral("cddb query %1 1 150 300 ").arg(id),
                                                QStringLiteral("rock"), id, cddbReply(id)))
                        return Outcome{false, {}};
                }
                return Outcome{true, {}};
            },
            {{Fault::AppearsMidWrite,
              "one read-change-write under the folder's lock: another writer's file "
              "cannot come between; another writer is the two-writers case"}},
            false};
}

Writer cddbEntry()
{
    return {"Brenlow CDDB cache entry",
            QStringLiteral("CDDB/rock/00001000.txt"),
            Kind::Replaces,
            [](const QString& folder, int, int, const Midway& midway) {
                midway();
                const QString id = cddbId(1, 0);
                const bool ok = brenlow::CddbCache(folder).storeServerReply(
                    QStringLiteral("cddb query %1 1 150 300 ").arg(id), QStringLiteral("rock"), id, cddbReply(id));
                return Outcome{ok, {}};
            },
            {},
            false};
}

Midway& serverMidway()
{
    static Midway midway;
    return midway;
}

quandor::test::CannedHttpServer& cddbServer()
{
    static quandor::test::CannedHttpServer server([](const QString&) {
        // The reply is on its way while the file is open: what appears now
        // appears mid-write.
        if (serverMidway())
            serverMidway()();
        return quandor::test::CannedReply{200, cddbReply(cddbId(1, 0)).repeated(8), 0};
    });
    return server;
}

Writer requestFile()
{
    return {"Brenlow request.txt", QStringLiteral("request.txt"), Kind::Replaces,
            [](const QString& folder, int, int, const Midway& midway) {
                serverMidway() = midway;
                const brenlow::DownloadResult result =
                    brenlow::downloadToFile(cddbServer().baseUrl(), folder + QStringLiteral("/request.txt"));
                serverMidway() = nullptr;
                return Outcome{result.ok, result.error};
            }};
}

Writer rip(const char* what, const char* extension, std::function<std::unique_ptr<brenlow::TrackEncoder>()> make)
{
    return {what, QStringLiteral("01 - Track.") + QLatin1String(extension), Kind::Replaces,
            [=](const QString& folder, int, int, const Midway& midway) {
                const QString path = folder + QStringLiteral("/01 - Track.") + QLatin1String(extension);
                std::unique_ptr<brenlow::TrackEncoder> encoder = make();
                brenlow::RipTrack track;
                track.title = QStringLiteral("Track");
                track.lengthSectors = qint64(kSeconds * 75);
                if (encoder->begin(path, track))
                    return Outcome{false, encoder->failure()};
                const QByteArray audio = pcm();
                const auto* bytes = reinterpret_cast<const uint8_t*>(audio.constData());
                const bool first = encoder->write(bytes, audio.size() / 2);
                midway();
                const bool second = first && encoder->write(bytes + audio.size() / 2, audio.size() - audio.size() / 2);
                const bool ended = !encoder->end(second).has_value();
                return Outcome{first && second && ended, encoder->failure()};
            }};
}

std::unique_ptr<brenlow::test::EmulatedDiscs>& discs()
{
    static std::unique_ptr<brenlow::test::EmulatedDiscs> made;
    return made;
}

Writer image(const char* what, const char* extension)
{
    Writer writer{
        what, QStringLiteral("image.") + QLatin1String(extension), Kind::Replaces,
        [](const QString& folder, int, int, const Midway& midway) {
            if (!discs())
                discs() = std::make_unique<brenlow::test::EmulatedDiscs>(brenlow::test::SourceTracks{{600}, {450}});
            const brenlow::test::EmulatedDiscs& discs = *::discs();
            brenlow::DiscImageSnapshot snapshot;
            snapshot.transport = discs.layer();
            snapshot.drive = brenlow::test::kReader;
            snapshot.tracks =
                brenlow::readTableOfContents(*discs.layer(), brenlow::test::kReader, QStringLiteral("Track")).table;
            snapshot.paths = brenlow::imagePathsFor(folder + QStringLiteral("/image.bin"));
            brenlow::DiscImageJob job(snapshot);
            bool called = false;
            QObject::connect(
                &job, &brenlow::DiscImageJob::progress, &job,
                [&](int done, int) {
                    if (done > 0 && !std::exchange(called, true))
                        midway();
                },
                Qt::DirectConnection);
            const std::atomic<bool> stop{false};
            const brenlow::DiscImageResult result = job.run(stop);
            return Outcome{result.outcome == brenlow::DiscImageOutcome::Completed,
                           result.path + QLatin1Char(' ') + result.reason};
        }};
    // The drives are made in the process that reads them (their threads do
    // not cross a fork), before any limit: the disc's own image is not the writer's.
    writer.beforeLimit = [] {
        discs() = std::make_unique<brenlow::test::EmulatedDiscs>(brenlow::test::SourceTracks{{600}, {450}});
    };
    return writer;
}

std::vector<Writer> everyWriter()
{
    using quandor::audio::AudioFileWriter;
    static const QString lame = brenlow::lameLibraryPath(quandor::test::brenlowFolder());
    static std::unique_ptr<brenlow::LameLibrary> library = [] {
        brenlow::LameLibrary::LoadError error{};
        return brenlow::LameLibrary::load(lame, error);
    }();
    return {
        tavrelOutput("Tavrel WAV output", "wav", [](AudioFileWriter& w) { return w.SetFormatPCM(44100, 2, 16); }),
        tavrelOutput("Tavrel MP3 output", "mp3", [](AudioFileWriter& w) { return w.SetFormatMP3(44100, 128, 2); }),
        tavrelOutput("Tavrel Ogg output", "ogg",
                     [](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400); }),
        tavrelOutput("Tavrel WMA output", "wma", [](AudioFileWriter& w) { return w.SelectWmaProfile(9); }),
        tavrelAac(),
        tavrelApe(),
        tagSave(),
        sharedIni("Tavrel Config.ini", QStringLiteral("Config.ini"),
                  [](const QString& folder, const QString& section, const QString& key, const QString& value) {
                      return tavrel::Lang_Loader::WriteIni(folder + QStringLiteral("/Config.ini"), section, key, value);
                  }),
        sharedIni("Brenlow Ripper.ini", QStringLiteral("Ripper.ini"),
                  [](const QString& folder, const QString& section, const QString& key, const QString& value) {
                      const QByteArray s = section.toLatin1();
                      const QByteArray k = key.toLatin1();
                      return brenlow::RipperIni(folder).write({s.constData(), k.constData(), ""}, value);
                  }),
        sharedIni("registry.ini", QStringLiteral("registry.ini"),
                  [](const QString& folder, const QString& section, const QString& key, const QString& value) {
                      quandor::shell::RegistryStore::setFile(folder + QStringLiteral("/registry.ini"));
                      return quandor::shell::RegistryStore(section).setValue(key, value);
                  }),
        cddbIndex(),
        cddbEntry(),
        requestFile(),
        [] {
            Writer w = rip("Brenlow WAV rip", "wav", [] { return std::make_unique<brenlow::WavTrackEncoder>(); });
            w.keepsCutFile = true;
            return w;
        }(),
        rip("Brenlow MP3 rip", "mp3",
            [] {
                return std::make_unique<brenlow::Mp3TrackEncoder>(*library, brenlow::makeLameConfig({}),
                                                                  brenlow::Id3v1Fields{});
            }),
        rip("Brenlow Ogg rip", "ogg",
            [] {
                return std::make_unique<brenlow::OggTrackEncoder>(brenlow::OggSettings{},
                                                                  brenlow::OggTrackEncoder::DiscFields{});
            }),
        image("Brenlow image .bin", "bin"),
        image("Brenlow image .cue", "cue"),
    };
}

// ---- the checks -----------------------------------------------------------------

/// Every entry under `folder` with its bytes (a link as "->target", a FIFO as "fifo").
std::map<QString, QByteArray> contentsUnder(const QString& folder)
{
    std::map<QString, QByteArray> found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString key = QDir(folder).relativeFilePath(path);
        if (info.isSymLink())
            found[key] = "->" + QFile::encodeName(info.symLinkTarget());
        else if (!info.isFile())
            found[key] = info.isDir() ? "dir" : "fifo";
        else
            found[key] = readAll(path);
    }
    return found;
}

/// One case's place: the writer's folder `in` beside the user's files.
struct Place {
    QString root;   ///< the user's files: source.wav, victim.txt
    QString folder; ///< root/in
    QString target() const { return folder + QLatin1Char('/'); }
};

const QByteArray kVictim = "the user's file outside the writer's folder";

QByteArray keepLines()
{
    QByteArray ini = "[Keep]\r\n";
    for (int i = 0; i < 60; ++i)
        ini += "kept" + QByteArray::number(i) + "=a value the user set before, kept whatever happens\r\n";
    return ini;
}

/// The user's files before the writer runs.
void prepare(const Writer& writer, const Place& place)
{
    ASSERT_TRUE(writeAll(place.root + QStringLiteral("/victim.txt"), kVictim));
    ASSERT_TRUE(quandor::test::writeMusicWavFile(place.root + QStringLiteral("/source.wav"), {44100, 2, 16}, kSeconds));
    const QString path = place.target() + writer.name;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    switch (writer.kind) {
    case Kind::NewName:
        break;
    case Kind::Replaces:
        ASSERT_TRUE(writeAll(path, "the user's earlier file of that name"));
        break;
    case Kind::SharedIni:
        ASSERT_TRUE(writeAll(path, keepLines()));
        break;
    case Kind::EditsInPlace: {
        const Outcome made = viaTavrelWriter(
            path, [](quandor::audio::AudioFileWriter& w) { return w.SetFormatMP3(44100, 128, 2); }, [] {});
        ASSERT_TRUE(made.ok) << made.message.toStdString();
        break;
    }
    }
}

/// Runs `body` in a child process; its outcome comes back through a pipe.
/// `status` is the child's wait status.
Outcome inChild(
    const std::function<Outcome()>& body, int& status, rlim_t sizeLimit = RLIM_INFINITY, bool signalAtDefault = false,
    const std::function<void()>& beforeLimit = [] {})
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {false, QStringLiteral("no pipe")};
    // The child's own temporary files (its emulated discs among them) go here:
    // a child killed or ended by _exit never removes what it made.
    const QTemporaryDir childTemp;
    const QByteArray childTempPath = QFile::encodeName(childTemp.path());
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        ::setenv("TMPDIR", childTempPath.constData(), 1);
        ::alarm(60); // a writer waiting on a FIFO would wait for good
        std::signal(SIGXFSZ, SIG_DFL);
        if (!signalAtDefault)
            quandor::files::ignoreFileSizeSignal(); // what both programs' start-ups do
        beforeLimit();
        const rlimit limit{sizeLimit, sizeLimit};
        if (sizeLimit != RLIM_INFINITY)
            ::setrlimit(RLIMIT_FSIZE, &limit);
        const Outcome outcome = body();
        const QByteArray report = (outcome.ok ? "1" : "0") + outcome.message.toUtf8();
        [[maybe_unused]] const ssize_t sent = ::write(pipeEnds[1], report.constData(), size_t(report.size()));
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    QByteArray report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, got);
    ::close(pipeEnds[0]);
    ::waitpid(child, &status, 0);
    if (report.isEmpty())
        return {false, {}};
    return {report.startsWith('1'), QString::fromUtf8(report.mid(1))};
}

/// Fills the file system of `folder` to its last byte.
void fillUp(const QString& folder)
{
    const QByteArray filler(4096, 'f');
    QFile fill(folder + QStringLiteral("/.filler"));
    if (fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        while (fill.write(filler) > 0) {}
    for (int i = 0; fill.write(filler.first(1)) > 0 && i < 4096; ++i) {}
}

class EveryWriter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(top_.isValid()); }

    Place placeFor(const Writer& writer, Fault fault)
    {
        Place place;
        place.root = top_.filePath(QString::fromLatin1(writer.what).replace(QLatin1Char(' '), QLatin1Char('_'))
                                   + QLatin1Char('_') + QString::number(int(fault)));
        place.folder = place.root + QStringLiteral("/in");
        EXPECT_TRUE(QDir().mkpath(place.folder));
        return place;
    }

    QTemporaryDir top_;
};

/// Nothing outside the folder changed, nothing of the user's in it was lost.
void expectUserFilesKept(const Writer& writer, const Place& place, const std::map<QString, QByteArray>& before,
                         bool writerSucceeded, const std::string& trace)
{
    SCOPED_TRACE(trace);
    EXPECT_EQ(readAll(place.root + QStringLiteral("/victim.txt")), kVictim) << "written outside its folder";
    const QStringList outside = QDir(place.root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(outside, (QStringList{QStringLiteral("in"), QStringLiteral("source.wav"), QStringLiteral("victim.txt")}));
    const auto after = contentsUnder(place.folder);
    const QString path = place.target() + writer.name;
    for (const auto& [name, bytes] : before) {
        if (name == QStringLiteral(".filler"))
            continue;
        if (name != writer.name || (!writerSucceeded && !writer.keepsCutFile) || writer.kind == Kind::NewName) {
            if (writer.kind == Kind::SharedIni && name == writer.name && bytes.contains(keepLines())) {
                EXPECT_TRUE(readAll(path).contains(keepLines())) << "the user's values were lost";
            } else if (writer.kind == Kind::SharedIni && name == writer.name) {
                continue; // a planted link or FIFO, not the user's values
            } else if (bytes != "dir") {
                EXPECT_EQ(after.count(name) ? after.at(name) : QByteArray("(gone)"), bytes) << name.toStdString();
            }
        }
    }
    for (const auto& [name, bytes] : after) {
        EXPECT_FALSE(QFileInfo(name).fileName().startsWith(QLatin1Char('.')) && name != QStringLiteral(".filler"))
            << "a working copy was left: " << name.toStdString();
    }
    if (writer.kind == Kind::SharedIni && before.count(writer.name) && before.at(writer.name).contains(keepLines())) {
        EXPECT_TRUE(readAll(path).contains(keepLines())) << "the user's values were lost";
    }
}

/// A failure names the file and says why.
void expectReported(const Writer& writer, const Outcome& outcome, const QString& reason, const std::string& trace)
{
    SCOPED_TRACE(trace);
    EXPECT_FALSE(outcome.ok) << "a failed write reported as success";
    if (writer.reportsMessage) {
        EXPECT_TRUE(outcome.message.contains(QFileInfo(writer.name).completeBaseName()))
            << outcome.message.toStdString();
        EXPECT_TRUE(outcome.message.contains(reason)) << outcome.message.toStdString();
    }
}

/// A new output's failure names the very file it was writing, whatever its format.
void expectNamesTheOutput(const Writer& writer, const Outcome& outcome, const Place& place, const std::string& trace)
{
    SCOPED_TRACE(trace);
    if (writer.kind == Kind::NewName) {
        EXPECT_TRUE(outcome.message.contains(place.target() + writer.name)) << outcome.message.toStdString();
    }
}

TEST_F(EveryWriter, EveryFaultEndsWithNothingLostAndAReportNamingTheFile)
{
    const bool haveMount = [&] {
        const QString probe = top_.filePath(QStringLiteral("mount-probe"));
        QDir().mkpath(probe);
        const bool mounted = ::mount("tmpfs", QFile::encodeName(probe).constData(), "tmpfs", 0, "size=64k") == 0;
        if (mounted)
            ::umount2(QFile::encodeName(probe).constData(), MNT_DETACH);
        return mounted;
    }();
    cddbServer(); // answers from this process, whichever process asks
    const QString only = qEnvironmentVariable("QUANDOR_WRITER_ROW"); // to look at one row alone
    for (const Writer& writer : everyWriter()) {
        if (!only.isEmpty() && !QString::fromLatin1(writer.what).contains(only))
            continue;
        for (Fault fault : {Fault::SizeLimit, Fault::DiskFull, Fault::KillMidWrite, Fault::LinkPlanted,
                            Fault::FifoPlanted, Fault::AppearsMidWrite, Fault::TwoWriters}) {
            const std::string trace = std::string(writer.what) + " / " + nameOf(fault);
            if (const auto why = writer.noMeaning.find(fault); why != writer.noMeaning.end()) {
                RecordProperty(trace, why->second);
                continue;
            }
            SCOPED_TRACE(trace);
            const Place place = placeFor(writer, fault);
            const QString path = place.target() + writer.name;
            const bool fullDisk = fault == Fault::DiskFull && haveMount;
            if (fullDisk) {
                ASSERT_EQ(::mount("tmpfs", QFile::encodeName(place.folder).constData(), "tmpfs", 0, "size=1m"), 0);
            }
            prepare(writer, place);
            if (HasFatalFailure())
                return;
            if (fullDisk)
                fillUp(place.folder);
            const int entries = writer.kind == Kind::SharedIni && fault == Fault::TwoWriters ? 150 : 1;
            const auto write = [&](int round, const Midway& midway) {
                return [&, round, midway] { return writer.write(place.folder, round, entries, midway); };
            };
            int status = 0;
            switch (fault) {
            case Fault::SizeLimit: {
                const auto before = contentsUnder(place.folder);
                const Outcome outcome = inChild(write(1, [] {}), status, 1024, false, writer.beforeLimit);
                ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
                expectReported(writer, outcome, QStringLiteral("File too large"), trace);
                expectNamesTheOutput(writer, outcome, place, trace);
                expectUserFilesKept(writer, place, before, false, trace);
                break;
            }
            case Fault::DiskFull: {
                if (!haveMount)
                    RecordProperty(trace, "no tmpfs could be mounted: a size limit stands for the full disk");
                const auto before = contentsUnder(place.folder);
                const Outcome outcome = haveMount
                    ? inChild(write(1, [] {}), status, RLIM_INFINITY, false, writer.beforeLimit)
                    : inChild(write(1, [] {}), status, 1024, false, writer.beforeLimit);
                ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
                expectReported(writer, outcome,
                               haveMount ? QStringLiteral("No space left on device") : QStringLiteral("File too large"),
                               trace);
                expectNamesTheOutput(writer, outcome, place, trace);
                expectUserFilesKept(writer, place, before, false, trace);
                ::umount2(QFile::encodeName(place.folder).constData(), MNT_DETACH);
                break;
            }
            case Fault::KillMidWrite: {
                // The size signal at its default kills the writer inside its first write past the limit.
                const auto before = contentsUnder(place.folder);
                inChild(write(1, [] {}), status, 1024, true, writer.beforeLimit);
                ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was not killed mid-write";
                expectUserFilesKept(writer, place, before, false, trace);
                auto after = contentsUnder(place.folder);
                std::erase_if(after, [](const auto& entry) { return entry.second == "dir"; });
                auto files = before;
                std::erase_if(files, [](const auto& entry) { return entry.second == "dir"; });
                EXPECT_EQ(after, files) << "a kill left something behind";
                break;
            }
            case Fault::LinkPlanted: {
                QFile::remove(path);
                ASSERT_TRUE(QFile::link(place.root + QStringLiteral("/victim.txt"), path));
                const auto before = contentsUnder(place.folder);
                const Outcome outcome = inChild(write(1, [] {}), status, RLIM_INFINITY, false, writer.beforeLimit);
                ASSERT_TRUE(WIFEXITED(status));
                EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
                if (writer.kind == Kind::NewName) {
                    EXPECT_TRUE(QFileInfo(path).isSymLink()) << "a name the program did not choose was replaced";
                    EXPECT_TRUE(QFileInfo(quandor::files::numberedName(path, 1)).isFile());
                } else {
                    EXPECT_FALSE(QFileInfo(path).isSymLink());
                    EXPECT_TRUE(QFileInfo(path).isFile());
                }
                expectUserFilesKept(writer, place, before, true, trace);
                break;
            }
            case Fault::FifoPlanted: {
                QFile::remove(path);
                ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                const auto before = contentsUnder(place.folder);
                const Outcome outcome = inChild(write(1, [] {}), status, RLIM_INFINITY, false, writer.beforeLimit);
                ASSERT_TRUE(WIFEXITED(status)) << "the writer waited on the FIFO";
                if (writer.kind == Kind::SharedIni) {
                    // What cannot be read is never replaced (the settings), or
                    // a file of the program's own takes its place (the CDDB/ rule).
                    EXPECT_TRUE(!outcome.ok || QFileInfo(path).isFile());
                } else {
                    EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
                    EXPECT_TRUE(QFileInfo(writer.kind == Kind::NewName ? quandor::files::numberedName(path, 1) : path)
                                    .isFile());
                }
                expectUserFilesKept(writer, place, before, outcome.ok, trace);
                break;
            }
            case Fault::AppearsMidWrite: {
                const auto before = contentsUnder(place.folder);
                const Outcome outcome = inChild(write(1, [&] { writeAll(path, "appeared meanwhile"); }), status,
                                                RLIM_INFINITY, false, writer.beforeLimit);
                ASSERT_TRUE(WIFEXITED(status));
                EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
                if (writer.kind == Kind::NewName) {
                    EXPECT_EQ(readAll(path), QByteArray("appeared meanwhile"));
                    EXPECT_GT(QFileInfo(quandor::files::numberedName(path, 1)).size(), 1000);
                } else {
                    // The program's own name (or one the user agreed to
                    // replace): the complete file takes it, whole.
                    EXPECT_NE(readAll(path), QByteArray("appeared meanwhile"));
                }
                expectUserFilesKept(writer, place, before, true, trace);
                break;
            }
            case Fault::TwoWriters: {
                const auto before = contentsUnder(place.folder);
                int second = 0;
                const pid_t other = ::fork();
                if (other == 0) {
                    int inner = 0;
                    const Outcome o = inChild(write(2, [] {}), inner, RLIM_INFINITY, false, writer.beforeLimit);
                    ::_exit(WIFEXITED(inner) && o.ok ? 0 : 1);
                }
                const Outcome outcome = inChild(write(1, [] {}), status, RLIM_INFINITY, false, writer.beforeLimit);
                ::waitpid(other, &second, 0);
                ASSERT_TRUE(WIFEXITED(status));
                const bool secondOk = WIFEXITED(second) && WEXITSTATUS(second) == 0;
                if (writer.kind == Kind::EditsInPlace) {
                    // A second save of the same file while one runs may be refused; one goes through.
                    EXPECT_TRUE(outcome.ok || secondOk);
                } else {
                    EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
                    EXPECT_TRUE(secondOk) << "the second writer failed";
                }
                if (writer.kind == Kind::SharedIni) {
                    const QByteArray ini = readAll(path);
                    int kept = 0;
                    for (int round : {1, 2})
                        for (int i = 0; i < entries; ++i)
                            kept += writer.name == QStringLiteral("CDDB/CDDB.ini")
                                ? ini.contains(cddbId(round, i).toLatin1())
                                : quandor::profile::readString(path,
                                                               writer.name == QStringLiteral("registry.ini")
                                                                   ? QStringLiteral("SOFTWARE")
                                                                   : QStringLiteral("Round%1").arg(round),
                                                               writer.name == QStringLiteral("registry.ini")
                                                                   ? QStringLiteral("Round%1\\k%2").arg(round).arg(i)
                                                                   : QStringLiteral("k%1").arg(i))
                                    == QStringLiteral("v%1").arg(i);
                    EXPECT_EQ(kept, 2 * entries) << "entries of one writer were lost";
                } else if (writer.kind == Kind::NewName) {
                    EXPECT_GT(QFileInfo(path).size(), 1000);
                    EXPECT_GT(QFileInfo(quandor::files::numberedName(path, 1)).size(), 1000);
                } else {
                    EXPECT_GT(QFileInfo(path).size(), 0);
                }
                expectUserFilesKept(writer, place, before, true, trace);
                break;
            }
            }
        }
    }
}

/// Runs `start` in a child whose file-size limit is low and whose SIGXFSZ is
/// at its default, then writes past the limit: true when the write failed
/// with EFBIG and the child lived on.
bool startUpSurvivesASizeLimit(const std::function<void(const std::function<void()>& writePastLimit)>& start)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("big.bin"));
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(30);
        std::signal(SIGXFSZ, SIG_DFL);
        bool failedAsExpected = false;
        start([&] {
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            QString error;
            failedAsExpected = !quandor::files::replaceFile(out, QByteArray(65536, 'x'), &error)
                && error.contains(QStringLiteral("File too large"));
        });
        ::_exit(failedAsExpected ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(StartUps, TavrelIgnoresTheSizeSignalFromItsStart)
{
    QTemporaryDir dir;
    EXPECT_TRUE(startUpSurvivesASizeLimit([&](const std::function<void()>& writePastLimit) {
        tavrel::Audiotool window({quandor::test::tavrelFolder(), dir.path()});
        window.Form_Initialize();
        writePastLimit();
    }));
}

TEST(StartUps, BrenlowIgnoresTheSizeSignalFromItsStart)
{
    QTemporaryDir dir;
    EXPECT_TRUE(startUpSurvivesASizeLimit([&](const std::function<void()>& writePastLimit) {
        // The system check is the first thing the start asks after setting
        // up; the write is made there, and the start then ends with its
        // message (recorded, not shown).
        quandor::test::RecordingServices services;
        quandor::shell::setServices(&services);
        brenlow::StartEnvironment environment;
        environment.startFolder = dir.path();
        environment.programFolder = quandor::test::brenlowFolder();
        environment.systemVersion = [&]() -> std::optional<brenlow::SystemVersion> {
            writePastLimit();
            return std::nullopt;
        };
        brenlow::runBrenlow(environment);
    }));
}

TEST(EveryWriterRows, AnIniValueOfTwoQuotesReadsAsEmpty)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Config.ini"));
    ASSERT_TRUE(writeAll(ini, "[Tavrel]\r\nOutputPath=\"\"\r\nFormat=''\r\n"));
    EXPECT_EQ(quandor::profile::readString(ini, QStringLiteral("Tavrel"), QStringLiteral("OutputPath"),
                                           QStringLiteral("absent")),
              QString());
    EXPECT_EQ(
        quandor::profile::readString(ini, QStringLiteral("Tavrel"), QStringLiteral("Format"), QStringLiteral("absent")),
        QString());
}

TEST(EveryWriterRows, EveryNewFileGetsThePlainModeTheUmaskLeaves)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("in"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(quandor::test::writeMusicWavFile(dir.filePath(QStringLiteral("source.wav")), {44100, 2, 16}, kSeconds));
    const mode_t saved = ::umask(027);
    for (const Writer& writer : everyWriter()) {
        if (writer.kind == Kind::EditsInPlace)
            continue; // the tag save keeps the mode of the file it edits
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const Outcome outcome = writer.write(folder, 1, 1, [] {});
        EXPECT_TRUE(outcome.ok) << writer.what << ": " << outcome.message.toStdString();
        struct stat status {};
        ASSERT_EQ(::stat(QFile::encodeName(folder + QLatin1Char('/') + writer.name).constData(), &status), 0)
            << writer.what;
        EXPECT_EQ(status.st_mode & 07777, 0640u) << writer.what;
    }
    ::umask(saved);
}

} // namespace
