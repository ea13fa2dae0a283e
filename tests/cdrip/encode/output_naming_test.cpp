// Output names, WAV headers and time texts of ripped tracks.
#include "cdrip/encode/output_path.h"
#include "cdrip/encode/wav_header.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace brenlow;

namespace {

struct NamingCase {
    const char* what;
    QString pattern;
    bool folders;
    QString artist, album, year;
    int track;
    QString title;
    QString expected; ///< relative to the output folder
};

} // namespace

TEST(BuildOutputPath, NamesTracksByThePattern)
{
    const QString longTitle(300, QLatin1Char('t'));
    const QChar e(0x00E9); // two bytes in UTF-8
    const std::vector<NamingCase> cases = {
        {"default pattern", "%N - %T", false, "A", "B", "", 3, "Intro", "03 - Intro.mp3"},
        {"three-digit number", "%N", false, "", "", "", 100, "x", "100.mp3"},
        {"artist album number", "%C - %A - %N", false, "Art", "Alb", "", 7, "x", "Art - Alb - 07.mp3"},
        {"year", "%Y %T", false, "", "", "1999", 1, "Song", "1999 Song.mp3"},
        {"unknown code kept", "%X", false, "", "", "", 1, "x", "X.mp3"},
        {"lone percent dropped", "100%", false, "", "", "", 1, "x", "100.mp3"},
        {"one code per percent", "%NT", false, "", "", "", 4, "Title", "04T.mp3"},
        {"slash in the title", "%T", false, "", "", "", 1, "AC/DC", "AC_DC.mp3"},
        {"title climbing out", "%T", false, "", "", "", 1, "../../x", "______x.mp3"},
        {"artist in the name", "%C", false, "../evil", "", "", 1, "x", "___evil.mp3"},
        {"separator typed in the pattern", "a/%N", false, "", "", "", 2, "x", "a_02.mp3"},
        {"folders", "%N - %T", true, "AC/DC", "Live: 1992", "", 1, "Go", "AC_DC/Live_ 1992/01 - Go.mp3"},
        {"dot in the album", "%N", true, "X", "Vol. 2", "", 1, "", "X/Vol_ 2/01.mp3"},
        {"empty artist skips its folder", "%N", true, "", "Alb", "", 1, "", "Alb/01.mp3"},
        {"both empty", "%N", true, "  ", "", "", 1, "", "01.mp3"},
        {"folders off", "%N", false, "Art", "Alb", "", 1, "", "01.mp3"},
        {"long title cut, extension kept", "%T", false, "", "", "", 1, longTitle,
         QString(251, QLatin1Char('t')) + ".mp3"},
        {"cut at a character boundary", "%T", false, "", "", "", 1, QString(200, e), QString(125, e) + ".mp3"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const NamingCase& c : cases) {
        OutputNaming naming;
        naming.outputFolder = dir.path() + QStringLiteral("/out/");
        naming.pattern = c.pattern;
        naming.artistAlbumFolders = c.folders;
        naming.artist = c.artist;
        naming.album = c.album;
        naming.year = c.year;
        const OutputPath out = BuildOutputPath(naming, c.track, c.title, QStringLiteral("mp3"));
        ASSERT_TRUE(out.ok()) << c.what;
        EXPECT_EQ(out.path, dir.path() + QStringLiteral("/out/") + c.expected) << c.what;
        EXPECT_TRUE(QFileInfo(QFileInfo(out.path).path()).isDir()) << c.what << ": folders created";
        EXPECT_LE(QFile::encodeName(QFileInfo(out.path).fileName()).size(), 255) << c.what;
    }
}

TEST(BuildOutputPath, ReportsAFolderThatCannotBeCreated)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    OutputNaming naming;
    naming.outputFolder = dir.path();
    naming.artistAlbumFolders = true;
    naming.artist = QStringLiteral("file");
    naming.album = QStringLiteral("x");
    const OutputPath out = BuildOutputPath(naming, 1, QStringLiteral("t"), QStringLiteral("wav"));
    EXPECT_FALSE(out.ok());
    EXPECT_EQ(out.failedFolder, blocker);
}

TEST(CleanFileName, ReplacesTheNineCharacters)
{
    QString text = QStringLiteral("a/b\\c:d*e?f<g>h|i.j k");
    CleanFileName(text);
    EXPECT_EQ(text, QStringLiteral("a_b_c_d_e_f_g_h_i_j k"));
}

TEST(WavHeader, DescribesCdAudio)
{
    const auto h = makeWavHeader(1000 * 2352);
    const QByteArray bytes(reinterpret_cast<const char*>(h.data()), kWavHeaderBytes);
    EXPECT_EQ(bytes.toHex(' '),
              "52 49 46 46 a4 e3 23 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 02 00 44 ac 00 00 10 b1 02 00 04 "
              "00 10 00 64 61 74 61 80 e3 23 00");
}
