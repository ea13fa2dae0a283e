// The MP3 tag editor: browsing, showing a tag, writing it back.
#include "cdrip/encode/genre_names.h"
#include "cdrip/encode/id3v1_tag.h"
#include "cdrip/ui/tag_editor_dialog.h"
#include "cdrip/ui/tag_folder_browser.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brenlow;
using quandor::test::readAll;
using quandor::test::writeAll;

namespace {

class TagEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        music = dir.filePath(QStringLiteral("Music"));
        QDir().mkpath(music + QStringLiteral("/Rock"));
        QDir().mkpath(music + QStringLiteral("/MP3"));
        writeAll(music + QStringLiteral("/TRACK.Mp3"), QByteArray(400, 'a'));
        writeAll(music + QStringLiteral("/TRACK.mp3.bak"), QByteArray(10, 'b'));
        writeAll(music + QStringLiteral("/notes.txt"), QByteArray(10, 'c'));
    }
    QStringList listed(TagEditorDialog& editor) const
    {
        QStringList names;
        auto* list = editor.findChild<QListWidget*>(QStringLiteral("1036"));
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    /// Selects the tree node of `music` (root → first root → Music).
    void openMusic(TagEditorDialog& editor)
    {
        auto* tree = editor.findChild<QTreeWidget*>(QStringLiteral("1047"));
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        editor.browser().openListEntry(QStringLiteral("Music"));
    }
    QListWidgetItem* entry(TagEditorDialog& editor, const QString& name)
    {
        auto* list = editor.findChild<QListWidget*>(QStringLiteral("1036"));
        const auto found = list->findItems(name, Qt::MatchExactly);
        if (found.isEmpty())
            return nullptr;
        list->setCurrentItem(found.first());
        return found.first();
    }
    QString text(TagEditorDialog& editor, int id) { return editor.findChild<QLineEdit*>(QString::number(id))->text(); }
    QTemporaryDir dir;
    QString music;
    LanguageTable language; // no file loaded: the messages read in English
    quandor::test::RecordingServices services;
};

/// Runs `body` in a forked child as the user nobody; its exit status, or 99
/// when the child cannot become that user (the tests run as root, who may
/// read every file).
int asNobody(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(99);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

} // namespace

TEST_F(TagEditorTest, BrowsesFoldersFirstThenMp3Files)
{
    TagEditorDialog editor(language, {dir.path()});
    EXPECT_EQ(text(editor, 1056), QStringLiteral("My Computer"));
    EXPECT_EQ(listed(editor), QStringList{dir.path()});
    openMusic(editor);
    EXPECT_EQ(text(editor, 1056), music);
    EXPECT_EQ(listed(editor),
              (QStringList{QStringLiteral("MP3"), QStringLiteral("Rock"), QStringLiteral("TRACK.Mp3")}));
    editor.browser().openListEntry(QStringLiteral("Rock"));
    EXPECT_EQ(text(editor, 1056), music + QStringLiteral("/Rock"));
    EXPECT_TRUE(listed(editor).isEmpty());
    editor.browser().openListEntry(QStringLiteral("TRACK.Mp3")); // a file: nothing changes
    EXPECT_EQ(text(editor, 1056), music + QStringLiteral("/Rock"));
}

TEST_F(TagEditorTest, ShowsTheTagAndWritesItBack)
{
    Id3v1Fields tag;
    tag.title = QString(30, QLatin1Char('T'));
    tag.artist = QStringLiteral("Artist");
    tag.comment = QStringLiteral("note");
    tag.track = 9;
    tag.genre = 147;
    const QString path = music + QStringLiteral("/TRACK.Mp3");
    ASSERT_TRUE(Id3v1Tag(path).write(tag));
    TagEditorDialog editor(language, {dir.path()});
    openMusic(editor);
    auto* apply = editor.findChild<QPushButton*>(QStringLiteral("1057"));
    auto* genre = editor.findChild<QComboBox*>(QStringLiteral("1055"));
    EXPECT_FALSE(apply->isEnabled());
    editor.showEntry(entry(editor, QStringLiteral("TRACK.Mp3")));
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_EQ(text(editor, 1058), path);
    EXPECT_EQ(editor.findChild<QLabel*>(QStringLiteral("1059"))->text(), QStringLiteral("TRACK.Mp3"));
    EXPECT_EQ(text(editor, 1049), tag.title) << "all 30 characters";
    EXPECT_EQ(genre->currentText(), QStringLiteral("Synth Pop"));

    editor.findChild<QLineEdit*>(QStringLiteral("1051"))->setText(QStringLiteral("Other Artist"));
    genre->setCurrentIndex(0); // no genre
    editor.apply();
    EXPECT_FALSE(apply->isEnabled());
    const auto written = Id3v1Tag(path).read();
    ASSERT_TRUE(written);
    EXPECT_EQ(written->title, tag.title) << "30 characters kept";
    EXPECT_EQ(written->artist, QStringLiteral("Other Artist"));
    EXPECT_EQ(written->track, 9) << "the track number is kept";
    EXPECT_EQ(written->genre, kNoGenre);
    EXPECT_EQ(readAll(path).size(), 400 + 128);
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(TagEditorTest, GenresShownByNumber)
{
    const QString path = music + QStringLiteral("/TRACK.Mp3");
    TagEditorDialog editor(language, {dir.path()});
    openMusic(editor);
    auto* genre = editor.findChild<QComboBox*>(QStringLiteral("1055"));
    for (const auto& [number, shown] :
         std::vector<std::pair<int, const char*>>{{17, "Rock"}, {13, "Pop"}, {130, "Terror"}, {255, ""}, {200, ""}}) {
        Id3v1Fields tag;
        tag.genre = number;
        ASSERT_TRUE(Id3v1Tag(path).write(tag));
        editor.showEntry(entry(editor, QStringLiteral("TRACK.Mp3")));
        EXPECT_EQ(genre->currentText(), QLatin1String(shown)) << number;
    }
}

TEST_F(TagEditorTest, AFailedWriteIsReported)
{
    const QString path = music + QStringLiteral("/TRACK.Mp3");
    TagEditorDialog editor(language, {dir.path()});
    openMusic(editor);
    editor.showEntry(entry(editor, QStringLiteral("TRACK.Mp3")));
    ASSERT_TRUE(QFile::remove(path));
    editor.apply();
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_TRUE(services.messages[0].text.contains(path));
    EXPECT_FALSE(QFile::exists(path)) << "no file is created";
}

// A FIFO named like an MP3 file in the browsed folder is not offered as a
// file, and browsing the folder does not wait on it.
TEST_F(TagEditorTest, AFifoIsNotOfferedAndNothingWaitsOnIt)
{
    const quandor::test::FifoGuard guard({music + QStringLiteral("/FIFO.mp3")});
    ASSERT_TRUE(guard.made());
    TagEditorDialog editor(language, {dir.path()});
    openMusic(editor);
    EXPECT_FALSE(listed(editor).contains(QStringLiteral("FIFO.mp3")));
    EXPECT_FALSE(guard.released()) << "the editor waited on the FIFO";
}

// A file or folder the user may not read is said to be so; the fields of the
// file shown before are cleared and Apply cannot write them into another file.
TEST_F(TagEditorTest, AFileOrFolderThatCannotBeReadIsSaidToBeSo)
{
    writeAll(music + QStringLiteral("/LOCKED.mp3"), QByteArray(400, 'l'));
    QDir().mkpath(music + QStringLiteral("/Locked"));
    for (const QString& open : {dir.path(), music, music + QStringLiteral("/TRACK.Mp3")})
        ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0755), 0);
    for (const QString& locked : {QStringLiteral("/LOCKED.mp3"), QStringLiteral("/Locked")})
        ASSERT_EQ(::chmod(QFile::encodeName(music + locked).constData(), 0), 0);

    const int status = asNobody([&] {
        TagEditorDialog editor(language, {dir.path()});
        openMusic(editor);
        editor.showEntry(entry(editor, QStringLiteral("TRACK.Mp3")));
        editor.findChild<QLineEdit*>(QStringLiteral("1049"))->setText(QStringLiteral("typed"));
        if (!editor.findChild<QPushButton*>(QStringLiteral("1057"))->isEnabled() || !services.messages.isEmpty())
            return 1;
        editor.showEntry(entry(editor, QStringLiteral("LOCKED.mp3")));
        if (services.messages.size() != 1
            || services.messages[0].text
                != QStringLiteral("This file cannot be read:\n%1/LOCKED.mp3\n(Permission denied)").arg(music))
            return 2;
        if (editor.findChild<QPushButton*>(QStringLiteral("1057"))->isEnabled() || !text(editor, 1049).isEmpty()
            || editor.findChild<QLineEdit*>(QStringLiteral("1049"))->isEnabled()
            || !editor.findChild<QLabel*>(QStringLiteral("1059"))->text().isEmpty())
            return 3;
        editor.browser().openListEntry(QStringLiteral("Locked"));
        if (services.messages.size() != 2
            || services.messages[1].text
                != QStringLiteral("This folder cannot be read:\n%1/Locked\n(Permission denied)").arg(music))
            return 4;
        return 0;
    });
    if (status == 99)
        GTEST_SKIP() << "the test cannot become a second user here";
    EXPECT_EQ(status, 0) << "1: first file not shown, 2: no message for the file, 3: fields kept, "
                            "4: no message for the folder";
}
