// Reading cue sheets for the burner, and the session-at-once cue sheet bytes.

#include "cdrip/scsi/burn_speed.h"
#include "cdrip/scsi/cue_sheet.h"
#include "cdrip/scsi/sao_cue_sheet.h"
#include "platform/aspi/disc_image.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/tools.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brenlow;

namespace {

/// A sparse image of `sectors` sectors named `name` in `folder`.
void makeImage(const QTemporaryDir& folder, const QString& name, qint64 sectors, qint64 extraBytes = 0)
{
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(sectors * kSectorBytes + extraBytes));
}

QByteArray manyTracks(int count)
{
    QByteArray text = "FILE \"img.bin\" BINARY\n";
    for (int n = 1; n <= count; ++n)
        text +=
            "  TRACK " + QByteArray::number(n) + " AUDIO\n    INDEX 01 " + cueTimeText((n - 1) * 200).toLatin1() + "\n";
    return text;
}

std::vector<std::pair<QString, QString>> times(const CueSheetLoad& load)
{
    std::vector<std::pair<QString, QString>> out;
    for (const BurnTrack& track : load.tracks)
        out.emplace_back(cueTimeText(track.pregap.frames()), cueTimeText(track.start.frames()));
    return out;
}

} // namespace

TEST(CueSheetReader, AcceptsAndRefuses)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    makeImage(folder, QStringLiteral("img.bin"), 25000, 1);
    makeImage(folder, QStringLiteral("MY TRACK 01 AUDIO.bin"), 400);
    makeImage(folder, QStringLiteral("tiny.bin"), 0, 2000);
    const QString absolute = folder.filePath(QStringLiteral("img.bin"));

    const struct {
        const char* name;
        QByteArray text;
        CueLoadError error;
        int tracks;
    } cases[] = {
        {"own output, CR LF",
         "FILE \"img.bin\" BINARY\r\n  TRACK 1 AUDIO\r\n    INDEX 01 00:00:00\r\n  TRACK 2 AUDIO\r\n    FLAGS PRE\r\n"
         "    INDEX 00 04:22:50\r\n    INDEX 01 04:24:50\r\n  TRACK 3 AUDIO\r\n    INDEX 00 04:56:10\r\n"
         "    INDEX 01 04:58:10\r\n",
         CueLoadError::None, 3},
        {"LF, tabs, no final newline, INDEX 01 at the end",
         "FILE img.bin BINARY\n\tTRACK 01 AUDIO\n\t\tINDEX 01 00:00:00\n\tTRACK 02 AUDIO\n\t\tINDEX 01 00:10:00",
         CueLoadError::None, 2},
        {"TRACK inside a quoted file name",
         "FILE \"MY TRACK 01 AUDIO.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n", CueLoadError::None, 1},
        {"absolute FILE path", "FILE \"" + absolute.toUtf8() + "\" BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\n",
         CueLoadError::None, 1},
        {"REM and titles ignored",
         "REM GENRE Rock\nTITLE \"INDEX 01 99:99:99\"\nFILE \"img.bin\" BINARY\n  TRACK 1 AUDIO\n    TITLE \"TRACK 2\"\n"
         "    INDEX 01 00:00:00\n",
         CueLoadError::None, 1},
        {"MODE1/2352", "FILE \"img.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n",
         CueLoadError::NotAudio, 0},
        {"missing INDEX 01",
         "FILE \"img.bin\" BINARY\n  TRACK 1 AUDIO\n    INDEX 01 00:00:00\n  TRACK 2 AUDIO\n    INDEX 00 00:10:00\n"
         "  TRACK 3 AUDIO\n    INDEX 01 00:20:00\n",
         CueLoadError::Unreadable, 0},
        {"99 tracks", manyTracks(99), CueLoadError::None, 99},
        {"100 tracks", manyTracks(100), CueLoadError::Unreadable, 0},
        {"seconds 60", "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:60:00\n", CueLoadError::Unreadable, 0},
        {"frames 75", "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:75\n", CueLoadError::Unreadable, 0},
        {"not a time", "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 0:0\n", CueLoadError::Unreadable, 0},
        {"times falling",
         "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\nTRACK 2 AUDIO\nINDEX 01 00:30:00\nTRACK 3 AUDIO\n"
         "INDEX 01 00:20:00\n",
         CueLoadError::Unreadable, 0},
        {"track inside its predecessor's pregap",
         "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\nTRACK 2 AUDIO\nINDEX 01 00:01:74\n",
         CueLoadError::Unreadable, 0},
        {"pregap exactly at its predecessor's start",
         "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\nTRACK 2 AUDIO\nINDEX 01 00:02:00\n",
         CueLoadError::Unreadable, 0},
        {"pregap one frame after its predecessor's start",
         "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\nTRACK 2 AUDIO\nINDEX 01 00:02:01\n",
         CueLoadError::None, 2},
        {"pregap exactly at a late track 1's start",
         "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:02:00\nTRACK 2 AUDIO\nINDEX 01 00:04:00\n",
         CueLoadError::Unreadable, 0},
        {"track 1 past the image", "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 06:00:00\n", CueLoadError::Unreadable,
         0},
        {"past the image", "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\nTRACK 2 AUDIO\nINDEX 01 06:00:00\n",
         CueLoadError::Unreadable, 0},
        // img.bin holds 25000 sectors, 05:33:25: its last sector is 05:33:24.
        {"INDEX 01 on the image's last sector",
         "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\nTRACK 2 AUDIO\nINDEX 01 05:33:24\n",
         CueLoadError::None, 2},
        {"INDEX 01 exactly at the image's end",
         "FILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\nTRACK 2 AUDIO\nINDEX 01 05:33:25\n",
         CueLoadError::Unreadable, 0},
        {"two FILE lines", "FILE img.bin BINARY\nFILE img.bin BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\n",
         CueLoadError::Unreadable, 0},
        {"WAVE file", "FILE img.wav WAVE\nTRACK 1 AUDIO\nINDEX 01 00:00:00\n", CueLoadError::Unreadable, 0},
        {"no FILE", "TRACK 1 AUDIO\nINDEX 01 00:00:00\n", CueLoadError::Unreadable, 0},
        {"no TRACK", "FILE img.bin BINARY\n", CueLoadError::Unreadable, 0},
        {"PREGAP not in the image", "FILE img.bin BINARY\nTRACK 1 AUDIO\nPREGAP 00:02:00\nINDEX 01 00:00:00\n",
         CueLoadError::Unreadable, 0},
        {"image missing", "FILE \"gone.bin\" BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\n", CueLoadError::ImageMissing,
         0},
        {"image without a whole sector", "FILE \"tiny.bin\" BINARY\nTRACK 1 AUDIO\nINDEX 01 00:00:00\n",
         CueLoadError::ImageEmpty, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CueSheetLoad load = parseCueSheet(c.text, folder.path());
        EXPECT_EQ(load.error, c.error) << load.reason.toStdString();
        EXPECT_EQ(int(load.tracks.size()), c.tracks);
    }

    // The burner's times: absolute disc times, INDEX 01 as pregap, two seconds later as start.
    const CueSheetLoad own = parseCueSheet(cases[0].text, folder.path());
    EXPECT_EQ(times(own),
              (std::vector<std::pair<QString, QString>>{
                  {"00:00:00", "00:02:00"}, {"04:24:50", "04:26:50"}, {"04:58:10", "05:00:10"}}));
    EXPECT_EQ(own.imagePath, absolute);

    // Track 1 starts where its INDEX 01 puts it; the image before it is its
    // pregap, from the disc's start on (a disc whose track 1 was at LBA 150).
    const CueSheetLoad late = parseCueSheet("FILE \"img.bin\" BINARY\r\n  TRACK 1 AUDIO\r\n    INDEX 00 00:00:00\r\n"
                                            "    INDEX 01 00:02:00\r\n  TRACK 2 AUDIO\r\n    INDEX 00 04:22:50\r\n"
                                            "    INDEX 01 04:24:50\r\n",
                                            folder.path());
    ASSERT_TRUE(late.ok()) << late.reason.toStdString();
    EXPECT_EQ(times(late),
              (std::vector<std::pair<QString, QString>>{{"00:00:00", "00:04:00"}, {"04:24:50", "04:26:50"}}));
    EXPECT_EQ(own.sectorCount(), 25000); // the remaining byte is ignored
    EXPECT_EQ(parseCueSheet(cases[3].text, QStringLiteral("/elsewhere")).imagePath, absolute);
}

TEST(CueSheetReader, TheEmulatedDriveTakesTheTimesTheBurnerTakes)
{
    // A sheet the burner accepts must load in the emulated drives, and one it
    // refuses must not, or the tests would burn what no drive would read.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    makeImage(folder, QStringLiteral("img.bin"), 600);
    const struct {
        const char* time;
        bool taken;
    } cases
        [] =
            {
                {"00:00:00", true},   {"0:0:5", true},     {"00:07:74", true},   {"00:00:005", true},
                {"+0:00:00", false},  {"-0:00:00", false}, {"00:00:05x", false}, {"00:00:0x5", false},
                {"00:60:00", false},  {"00:00:75", false}, {"0:0", false},       {"00:00:00:00", false},
                {"100:00:00", false}, {"00:08:00", false}, // the image ends at 00:08:00
            };
    const QString cue = folder.filePath(QStringLiteral("times.cue"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        const QByteArray text =
            "FILE \"img.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 " + QByteArray(c.time) + "\r\n";
        ASSERT_TRUE(quandor::test::writeAll(cue, text));
        EXPECT_EQ(readCueSheet(cue).ok(), c.taken);
        std::string error;
        EXPECT_EQ(quandor::aspi::loadCueImage(cue.toStdString(), &error).has_value(), c.taken) << error;
    }
}

TEST(CueSheetReader, FileLevelRefusals)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_EQ(readCueSheet(QString()).error, CueLoadError::NoPath);
    EXPECT_EQ(readCueSheet(folder.filePath(QStringLiteral("none.cue"))).error, CueLoadError::Unreadable);
    ASSERT_TRUE(quandor::test::writeAll(folder.filePath(QStringLiteral("empty.cue")), {}));
    EXPECT_EQ(readCueSheet(folder.filePath(QStringLiteral("empty.cue"))).error, CueLoadError::Unreadable);
    // A .bin picked by mistake is refused without being loaded whole.
    makeImage(folder, QStringLiteral("picked.bin"), 2000);
    EXPECT_EQ(readCueSheet(folder.filePath(QStringLiteral("picked.bin"))).error, CueLoadError::Unreadable);

    // A FIFO named as the sheet or as its image is no file: refused, without waiting on it.
    const quandor::test::FifoGuard guard(
        {folder.filePath(QStringLiteral("fifo.cue")), folder.filePath(QStringLiteral("fifo.bin"))});
    ASSERT_TRUE(guard.made());
    EXPECT_EQ(readCueSheet(folder.filePath(QStringLiteral("fifo.cue"))).error, CueLoadError::Unreadable);
    ASSERT_TRUE(quandor::test::writeAll(folder.filePath(QStringLiteral("to-fifo.cue")),
                                        "FILE \"fifo.bin\" BINARY\r\n  TRACK 1 AUDIO\r\n    INDEX 01 00:00:00\r\n"));
    EXPECT_EQ(readCueSheet(folder.filePath(QStringLiteral("to-fifo.cue"))).error, CueLoadError::ImageMissing);
    EXPECT_FALSE(guard.released());

    makeImage(folder, QStringLiteral("ok.bin"), 10);
    ASSERT_TRUE(quandor::test::writeAll(folder.filePath(QStringLiteral("ok.cue")),
                                        "FILE \"ok.bin\" BINARY\r\n  TRACK 1 AUDIO\r\n    INDEX 01 00:00:00\r\n"));
    const CueSheetLoad load = readCueSheet(folder.filePath(QStringLiteral("ok.cue")));
    EXPECT_TRUE(load.ok()) << load.reason.toStdString();
    EXPECT_EQ(load.imagePath, folder.filePath(QStringLiteral("ok.bin")));
}

TEST(SaoCueSheet, TwoTrackSheetBytes)
{
    const std::vector<BurnTrack> tracks{{1, Msf{0, 0, 0}, Msf{0, 2, 0}}, {2, Msf{4, 24, 50}, Msf{4, 26, 50}}};
    const std::vector<std::uint8_t> expected{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                             0x80, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x80, 0x00, 0x02, 0x00,
                                             0x01, 0x02, 0x00, 0x00, 0x80, 0x04, 0x18, 0x32, 0x01, 0x02, 0x01, 0x00,
                                             0x80, 0x04, 0x1A, 0x32, 0x01, 0xAA, 0x01, 0x00, 0x00, 0x08, 0x37, 0x19};
    EXPECT_EQ(buildSaoCueSheet(tracks, 40000LL * kSectorBytes), expected);
}

TEST(CueSheetReader, FlagsGiveTheTrackItsControlBits)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    makeImage(folder, QStringLiteral("img.bin"), 2000);
    const QByteArray text = "FILE \"img.bin\" BINARY\n"
                            "  TRACK 1 AUDIO\n    FLAGS PRE\n    INDEX 01 00:00:00\n"
                            "  TRACK 2 AUDIO\n    INDEX 01 00:05:00\n"
                            "  TRACK 3 AUDIO\n    FLAGS DCP 4CH SCMS\n    INDEX 01 00:10:00\n"
                            "  TRACK 4 AUDIO\n    INDEX 01 00:15:00\n    flags pre dcp\n";
    const CueSheetLoad load = parseCueSheet(text, folder.path());
    ASSERT_TRUE(load.ok()) << load.reason.toStdString();
    std::vector<int> controls;
    for (const BurnTrack& track : load.tracks)
        controls.push_back(track.control);
    EXPECT_EQ(controls, (std::vector<int>{0x1, 0x0, 0xA, 0x3}));
}

TEST(CueSheetReader, AcceptedFileNamesInWindows1252AndUtf8)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    makeImage(folder, QStringLiteral("caf\u00e9 \u20ac.bin"), 10);
    const struct {
        const char* name;
        QByteArray fileLine;
    } cases[] = {{"Windows-1252", "FILE \"caf\xE9 \x80.bin\" BINARY\r\n"},
                 {"UTF-8", "FILE \"caf\xC3\xA9 \xE2\x82\xAC.bin\" BINARY\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString cue = folder.filePath(QString::fromLatin1(c.name) + QStringLiteral(".cue"));
        ASSERT_TRUE(quandor::test::writeAll(cue, c.fileLine + "  TRACK 1 AUDIO\r\n    INDEX 01 00:00:00\r\n"));
        const CueSheetLoad load = readCueSheet(cue);
        EXPECT_TRUE(load.ok()) << load.reason.toStdString() << " " << load.imagePath.toStdString();
        EXPECT_EQ(load.imagePath, folder.filePath(QStringLiteral("caf\u00e9 \u20ac.bin")));
    }
}

TEST(SaoCueSheet, TrackEntriesCarryTheirFlags)
{
    // PRE, DCP and 4CH set CTL bits 0x1, 0x2 and 0x8 of the track's own
    // entries; lead-in and lead-out stay 0x01.
    const struct {
        std::uint8_t control;
        std::uint8_t ctlAdr;
    } cases[] = {{0x0, 0x01}, {0x1, 0x11}, {0x2, 0x21}, {0x8, 0x81}, {0x9, 0x91}, {0xB, 0xB1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.control));
        const std::vector<BurnTrack> tracks{{1, Msf{0, 0, 0}, Msf{0, 2, 0}, 0},
                                            {2, Msf{0, 10, 0}, Msf{0, 12, 0}, c.control}};
        const std::vector<std::uint8_t> sheet = buildSaoCueSheet(tracks, 2000LL * kSectorBytes);
        ASSERT_EQ(sheet.size(), 48u);
        const std::vector<std::uint8_t> ctlAdr{sheet[0], sheet[8], sheet[16], sheet[24], sheet[32], sheet[40]};
        EXPECT_EQ(ctlAdr, (std::vector<std::uint8_t>{0x01, 0x01, 0x01, c.ctlAdr, c.ctlAdr, 0x01}));
    }
}

TEST(BurnSpeed, ChoicesAndRates)
{
    EXPECT_EQ(burnSpeedChoices(1411), (QStringList{"1", "2", "4", "8", "Maximum"}));
    EXPECT_EQ(burnSpeedChoices(175), QStringList{"Maximum"});
    EXPECT_EQ(burnSpeedChoices(kUnknownWriteSpeed), QStringList{"Maximum"});
    EXPECT_EQ(burnSpeedChoices(9171).size(), 12);
    const struct {
        const char* choice;
        std::uint16_t kbs;
    } rates[] = {{"1", 176}, {"12", 2112}, {"32", 5644}, {"48", 8466}, {"52", 9171}, {"Maximum", 7056}};
    for (const auto& r : rates)
        EXPECT_EQ(burnSpeedKbs(QString::fromLatin1(r.choice), 7056), r.kbs) << r.choice;
}
