#include "converter/options/tag_editor_window.h"

#include "tests/converter/options/option_test_support.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using quandor::test::runTool;

/// A half-second file made by ffmpeg with the given metadata.
QString makeTagged(const QTemporaryDir& dir, const QString& name, const QStringList& metadata)
{
    const QString path = dir.filePath(name);
    QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.5"};
    for (const QString& item : metadata)
        args << "-metadata" << item;
    args << path;
    const auto result = runTool(QStringLiteral("ffmpeg"), args);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return path;
}

/// ffprobe's format tags with lower-case keys.
QJsonObject probedTags(const QString& path)
{
    const QJsonObject format = quandor::test::ffprobe(path).value("format").toObject();
    QJsonObject tags = format.value("tags").toObject();
    // Ogg keeps its comments on the stream.
    if (tags.isEmpty())
        tags = quandor::test::firstAudioStream(quandor::test::ffprobe(path)).value("tags").toObject();
    QJsonObject lower;
    for (auto it = tags.begin(); it != tags.end(); ++it)
        lower.insert(it.key().toLower(), it.value());
    return lower;
}

TEST(TagEditor, LoadsAndSavesTheTagsOfEveryOutputFormat)
{
    quandor::test::RecordingServices services;
    QTemporaryDir dir;
    // WMA files are loaded only: what the tag object writes into an ASF file
    // does not reach ffprobe yet (kept as a known gap of the tag object).
    for (const char* name : {"a.mp3", "a.ogg", "a.m4a", "a.wma", "a.wav"}) {
        const bool roundTrip = QString::fromLatin1(name) != QLatin1String("a.wma");
        SCOPED_TRACE(name);
        const QString path = makeTagged(
            dir, QString::fromLatin1(name),
            {"title=First Title", "artist=Some Artist", "album=An Album", "comment=A comment", "date=1999", "track=7"});
        TagEditorial window;
        window.Form_Load();
        window.LoadTagFields(path);
        ASSERT_TRUE(window.Command1->isEnabled()) << window.AudioInformation->LastError().toStdString();
        const QJsonObject before = probedTags(path);
        EXPECT_EQ(window.infoTitle->text(), before.value("title").toString());
        EXPECT_EQ(window.infoArtist->text(), before.value("artist").toString());
        EXPECT_EQ(window.infoAlbum->text(), before.value("album").toString());
        EXPECT_EQ(window.infoTitle->text(), "First Title");
        if (!roundTrip)
            continue;
        EXPECT_EQ(window.infoYear->text(), "1999");
        EXPECT_EQ(window.infoTrack->text(), "7");

        window.infoTitle->setText(QString::fromUtf8("Caf\u00e9 Title"));
        window.infoArtist->setText("Other Artist");
        window.infoYear->setText("2004");
        window.infoTrack->setText("3");
        ASSERT_TRUE(window.SaveTagFields()) << services.messageTexts().join('\n').toStdString();
        const QJsonObject after = probedTags(path);
        EXPECT_EQ(after.value("title").toString(), QString::fromUtf8("Caf\u00e9 Title"));
        EXPECT_EQ(after.value("artist").toString(), "Other Artist");
        EXPECT_TRUE(after.value("date").toString().startsWith("2004")
                    || after.value("year").toString().startsWith("2004")
                    || after.value("wm/year").toString().startsWith("2004"))
            << QJsonDocument(after).toJson().toStdString();
        const QString track =
            after.contains("track") ? after.value("track").toString() : after.value("wm/tracknumber").toString();
        EXPECT_TRUE(track == "3" || track.startsWith("3/")) << track.toStdString();
    }
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST(TagEditor, ZeroYearAndTrackAreSubstitutedAndBadNumbersAreRefused)
{
    quandor::test::RecordingServices services;
    QTemporaryDir dir;
    const QString path = makeTagged(dir, "plain.mp3", {"title=Plain"});
    TagEditorial window;
    window.Form_Load();
    EXPECT_EQ(window.infoGenre->count(), 148);
    EXPECT_FALSE(window.Command1->isEnabled());
    window.LoadTagFields(path);
    EXPECT_EQ(window.infoYear->text(), "0");
    EXPECT_EQ(window.infoTrack->text(), "0");
    ASSERT_TRUE(window.SaveTagFields());
    const QString thisYear = QString::number(QDate::currentDate().year());
    EXPECT_EQ(window.infoYear->text(), thisYear);
    EXPECT_EQ(window.infoTrack->text(), "1");
    window.LoadTagFields(path);
    EXPECT_EQ(window.infoYear->text(), thisYear);
    EXPECT_EQ(window.infoTrack->text(), "1");

    // Not a number: refused with a message, the file stays as it was.
    const QByteArray before = quandor::test::readAll(path);
    for (const auto& [year, track] : {std::pair{"19x9", "2"}, std::pair{"2001", "two"}}) {
        window.infoTitle->setText("Changed");
        window.infoYear->setText(year);
        window.infoTrack->setText(track);
        EXPECT_FALSE(window.SaveTagFields());
        EXPECT_EQ(quandor::test::readAll(path), before);
    }
    EXPECT_EQ(services.messages.size(), 2);

    // A file that cannot be read empties the boxes, keeps the genre, disables Save.
    window.infoGenre->setCurrentIndex(17);
    const QString broken = dir.filePath("broken.mp3");
    quandor::test::writeAll(broken, QByteArray("not audio at all"));
    window.LoadTagFields(broken);
    EXPECT_FALSE(window.Command1->isEnabled());
    EXPECT_TRUE(window.infoTitle->text().isEmpty());
    EXPECT_TRUE(window.infoYear->text().isEmpty());
    EXPECT_EQ(window.infoGenre->currentIndex(), 17);
    window.LoadTagFields(path);
    EXPECT_TRUE(window.Command1->isEnabled());
    EXPECT_EQ(window.infoTitle->text(), "Plain");
    // So does a FIFO in the browsed folder, at once.
    {
        const quandor::test::FifoGuard guard({dir.filePath("fifo.mp3")});
        ASSERT_TRUE(guard.made());
        window.LoadTagFields(dir.filePath("fifo.mp3"));
        EXPECT_FALSE(guard.released()) << "the tag editor waited on the FIFO";
        EXPECT_FALSE(window.Command1->isEnabled());
        EXPECT_TRUE(window.infoTitle->text().isEmpty());
    }
    window.LoadTagFields(path);

    // A failed save is reported.
    services.messages.clear();
    QFile::remove(path);
    EXPECT_FALSE(window.SaveTagFields());
    EXPECT_EQ(services.messages.size(), 1);
}

} // namespace
} // namespace tavrel

namespace tavrel {
namespace {

TEST(TagEditor, CaptionsComeFromTheLanguageFileAndAShortFileKeepsTheBuiltInOnes)
{
    test::ProgramFolder folder;
    folder.addNumberedLanguage("Full.lng", "tx", 56);
    folder.addNumberedLanguage("Short.lng", "sh", 31);
    auto main = folder.started();

    main->ApplyLanguage(QDir(folder.langFolder()).filePath("Full.lng"));
    TagEditorial full;
    full.Form_Load();
    EXPECT_EQ(full.windowTitle(), "Tag Editor");
    EXPECT_EQ(full.Frame2->title(), test::numbered("tx", 28));
    EXPECT_EQ(full.Frame1->title(), test::numbered("tx", 29));
    for (int i = 0; i < full.fieldLabels.size(); ++i)
        EXPECT_EQ(full.fieldLabels[i]->text(), test::numbered("tx", 30 + i));
    EXPECT_EQ(full.Command1->text(), test::numbered("tx", 43));

    main->ApplyLanguage(QDir(folder.langFolder()).filePath("Short.lng"));
    TagEditorial shortFile;
    shortFile.Form_Load();
    EXPECT_EQ(shortFile.fieldLabels[0]->text(), test::numbered("sh", 30));
    EXPECT_EQ(shortFile.fieldLabels[1]->text(), "Artists:");
    EXPECT_EQ(shortFile.Command1->text(), "Save");
}

} // namespace
} // namespace tavrel
