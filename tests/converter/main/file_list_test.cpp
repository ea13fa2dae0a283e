#include "converter/main/audiotool.h"
#include "converter/main/file_list_view.h"

#include "tests/converter/main/window_fixture.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <QUrl>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using quandor::shell::MessageIcon;
using quandor::shell::MessageResult;
using test::duringARun;
using test::numbered;
using test::ProgramFolder;

constexpr quandor::test::PcmFormat smallFormat{8000, 1, 16};

class FileList : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Captions are program-wide: give this window its own language file.
        folder_.addNumberedLanguage(QStringLiteral("English.lng"), QStringLiteral("en"));
        folder_.setValue("LANGUE", "VALUE", "0");
        window_ = folder_.started();
        window_->show();
    }

    /// A short WAV in the music folder.
    QString wav(const QString& name, double seconds = 1.5)
    {
        QDir().mkpath(music());
        const QString path = QDir(music()).filePath(name);
        EXPECT_TRUE(quandor::test::writeWavFile(path, smallFormat, seconds));
        return path;
    }

    /// A file made by ffmpeg from a short WAV; empty when ffmpeg is missing.
    QString encoded(const QString& name, const QStringList& codec, double seconds = 3.0)
    {
        if (!quandor::test::haveCheckingTool(QStringLiteral("ffmpeg")))
            return QString();
        const QString source = wav(QStringLiteral("source-for-") + name + QStringLiteral(".wav"), seconds);
        const QString path = QDir(music()).filePath(name);
        QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"),
                              source};
        arguments += codec;
        arguments.append(path);
        const auto result = quandor::test::runTool(QStringLiteral("ffmpeg"), arguments);
        return result.exitCode == 0 ? path : QString();
    }

    bool readerWorks()
    {
        quandor::audio::AudioFileReader reader;
        const bool ok = reader.Open(wav(QStringLiteral("probe-check.wav")));
        reader.Close();
        return ok;
    }

    QString music() const { return folder_.file(QStringLiteral("music")); }

    ProgramFolder folder_;
    quandor::test::RecordingServices services_;
    std::unique_ptr<Audiotool> window_;
};

void pressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(widget, &release);
}

// The tests list WAV files: a reader that cannot open one is a fault to
// report, never a reason to skip them.
#define REQUIRE_READER() ASSERT_TRUE(readerWorks()) << "the audio reader cannot open a WAV file"

TEST_F(FileList, EntriesShowNumberNameDurationAndColour)
{
    REQUIRE_READER();
    const QString first = wav(QStringLiteral("first.wav"), 59.7);
    const QString second = wav(QStringLiteral("second.wav"), 61.4);
    window_->AddFileToList(first);
    window_->TrackColor = 255; // red, for entries added from now on
    window_->AddFileToList(second);

    ASSERT_EQ(window_->ListView1->entryCount(), 2);
    EXPECT_EQ(test::shownText(*window_, 1, 0), QStringLiteral("001."));
    EXPECT_EQ(test::shownText(*window_, 2, 0), QStringLiteral("002."));
    EXPECT_EQ(window_->ListView1->entryKey(1), first);
    EXPECT_EQ(window_->ListView1->entryName(2), QStringLiteral("second.wav"));
    EXPECT_EQ(test::shownText(*window_, 1, 2), QStringLiteral("01:00:00"));
    EXPECT_EQ(test::shownText(*window_, 2, 2), QStringLiteral("01:01:00"));
    EXPECT_EQ(window_->ListView1->entryItem(1)->foreground(1).color(), QColor(192, 64, 0));
    EXPECT_EQ(window_->ListView1->entryItem(2)->foreground(1).color(), QColor(255, 0, 0));
    EXPECT_EQ(window_->Label10->text(), QStringLiteral("2 ") + numbered("en", 11));
    EXPECT_TRUE(services_.messages.isEmpty());
}

TEST_F(FileList, SamePathTwiceGivesOneEntryAndTheMessage)
{
    REQUIRE_READER();
    const QString path = wav(QStringLiteral("twice.wav"));
    window_->AddFileToList(path);
    window_->AddFileToList(path);
    EXPECT_EQ(window_->ListView1->entryCount(), 1);
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, numbered("en", 45) + QStringLiteral("\r\n\r\n") + path);
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Dranvel"));
    EXPECT_EQ(services_.messages[0].icon, MessageIcon::Warning);
}

TEST_F(FileList, UnreadableFilesAreRefusedWithTheirMessage)
{
    QDir().mkpath(music());
    const QString text = QDir(music()).filePath(QStringLiteral("notes.mp3"));
    ASSERT_TRUE(quandor::test::writeAll(text, "these are not audio frames\n"));
    window_->AddFileToList(text);
    window_->AddFileToList(QDir(music()).filePath(QStringLiteral("missing.ogg")));

    const QString wma = encoded(QStringLiteral("cut.wma"), {QStringLiteral("-c:a"), QStringLiteral("wmav2")});
    if (!wma.isEmpty()) {
        // A truncated WMA: the header is cut off in the middle.
        QFile file(wma);
        ASSERT_TRUE(file.resize(300));
        window_->AddFileToList(wma);
    }

    EXPECT_EQ(window_->ListView1->entryCount(), 0);
    ASSERT_GE(services_.messages.size(), 2);
    EXPECT_EQ(services_.messages[0].text, QStringLiteral("Can't add : \r\n") + text);
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Tavrel"));
    EXPECT_EQ(services_.messages[0].icon, MessageIcon::Warning);
    if (!wma.isEmpty()) {
        ASSERT_EQ(services_.messages.size(), 3);
        EXPECT_EQ(services_.messages[2].text,
                  QStringLiteral("Can't add : \r\n") + wma
                      + QStringLiteral("\r\n\r\nYou wma file is it DRM protected ?"));
    }
    EXPECT_EQ(window_->Label10->text(), QStringLiteral("0 ") + numbered("en", 11));
}

// A FIFO or a folder with an audio name is refused like an unreadable file,
// at once: opening a FIFO would hold the window for good.
TEST_F(FileList, FilesThatAreNotRegularFilesAreRefusedWithoutWaiting)
{
    QDir().mkpath(music());
    QStringList fifos;
    for (const char* name : {"x.wav", "x.mp3", "x.ogg", "x.wma", "x.ape", "x.m4a", "x.aac"})
        fifos.append(QDir(music()).filePath(QString::fromLatin1(name)));
    const quandor::test::FifoGuard guard(fifos);
    ASSERT_TRUE(guard.made());
    const QString folder = QDir(music()).filePath(QStringLiteral("folder.wav"));
    ASSERT_TRUE(QDir().mkpath(folder));

    for (const QString& path : fifos + QStringList{folder})
        window_->AddFileToList(path);

    EXPECT_FALSE(guard.released()) << "adding waited on a FIFO";
    EXPECT_EQ(window_->ListView1->entryCount(), 0);
    ASSERT_EQ(services_.messages.size(), fifos.size() + 1);
    for (qsizetype i = 0; i < services_.messages.size(); ++i)
        EXPECT_TRUE(services_.messages[i].text.startsWith(QStringLiteral("Can't add : \r\n")
                                                          + (i < fifos.size() ? fifos[i] : folder)))
            << services_.messages[i].text.toStdString();
}

TEST_F(FileList, AacAndM4aDurationsComeFromTheirDecoders)
{
    const QStringList aac{QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-f"), QStringLiteral("adts")};
    const QStringList m4a{QStringLiteral("-c:a"), QStringLiteral("aac")};
    const QString longAac = encoded(QStringLiteral("long.aac"), aac, 3.0);
    const QString longM4a = encoded(QStringLiteral("long.m4a"), m4a, 3.0);
    const QString shortAac = encoded(QStringLiteral("short.aac"), aac, 0.5);
    if (longAac.isEmpty() || longM4a.isEmpty() || shortAac.isEmpty())
        GTEST_SKIP() << "ffmpeg cannot make AAC files here";

    window_->AddFileToList(longAac);
    window_->AddFileToList(longM4a);
    window_->AddFileToList(shortAac); // one second or less: refused
    ASSERT_EQ(window_->ListView1->entryCount(), 2);
    EXPECT_EQ(test::shownText(*window_, 1, 2), QStringLiteral("00:03:00"));
    EXPECT_EQ(test::shownText(*window_, 2, 2), QStringLiteral("00:03:00"));
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text,
              QStringLiteral("Can't add : \r\n") + shortAac
                  + QStringLiteral("\r\n\r\nThe file is not in a known AAC format for Tavrel. "
                                   "Maybe Invalid Channel number or protected file."));
}

TEST_F(FileList, CurrentFileLabelNamesTheSelectedEntryDuringAConversion)
{
    REQUIRE_READER();
    window_->AddFileToList(wav(QStringLiteral("a.wav")));
    window_->AddFileToList(wav(QStringLiteral("b.wav")));
    EXPECT_TRUE(duringARun(*window_, [&] {
        window_->ListView1->setCurrentItem(window_->ListView1->entryItem(2)); // the user selects the next entry
        window_->ApplyLanguage(folder_.file(QStringLiteral("Lang/English.lng")));
        EXPECT_EQ(window_->Label4->text(), numbered("en", 20) + QStringLiteral("b.wav"));
        EXPECT_EQ(window_->Label10->text(), QStringLiteral("2 ") + numbered("en", 11));
    }));
    window_->ApplyLanguage(folder_.file(QStringLiteral("Lang/English.lng")));
    EXPECT_EQ(window_->Label4->text(), numbered("en", 20));
}

TEST_F(FileList, DropAddsOnlyAudioFilesSilently)
{
    REQUIRE_READER();
    const QString ogg = encoded(QStringLiteral("y.ogg"), {QStringLiteral("-c:a"), QStringLiteral("libvorbis")});
    if (ogg.isEmpty())
        GTEST_SKIP() << "ffmpeg cannot make an Ogg file here";
    const QString subfolder = QDir(music()).filePath(QStringLiteral("folder.wav"));
    QDir().mkpath(subfolder);
    const QString text = QDir(music()).filePath(QStringLiteral("x.txt"));
    ASSERT_TRUE(quandor::test::writeAll(text, "text"));

    window_->ListView1_OLEDragDrop({subfolder, text, ogg});
    ASSERT_EQ(window_->ListView1->entryCount(), 1);
    EXPECT_EQ(window_->ListView1->entryKey(1), ogg);
    EXPECT_EQ(test::shownText(*window_, 1, 2), QStringLiteral("00:03:00"));
    EXPECT_TRUE(services_.messages.isEmpty());
    EXPECT_TRUE(window_->Image1->isEnabled());
    EXPECT_TRUE(window_->addfile->isEnabled());
}

TEST_F(FileList, DroppedFileListReachesTheList)
{
    REQUIRE_READER();
    const QString audio = wav(QStringLiteral("dropped.wav"));
    const QString text = QDir(music()).filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(quandor::test::writeAll(text, "text"));
    QWidget* target = window_->ListView1->viewport();
    const QPointF where(20, 20);

    // As the system delivers a drag: entering first, then the drop.
    auto drop = [&](const QMimeData& data) {
        QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return;
        QDropEvent dropped(where, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
    };

    QMimeData textOnly;
    textOnly.setText(audio); // not a file list: ignored
    drop(textOnly);
    EXPECT_EQ(window_->ListView1->entryCount(), 0);

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(text), QUrl::fromLocalFile(audio)});
    drop(files);
    ASSERT_EQ(window_->ListView1->entryCount(), 1);
    EXPECT_EQ(window_->ListView1->entryKey(1), audio);
    EXPECT_TRUE(services_.messages.isEmpty());
}

TEST_F(FileList, DeletingSelectedEntriesRenumbersTheRest)
{
    REQUIRE_READER();
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        window_->AddFileToList(wav(QLatin1String(name)));
    ASSERT_EQ(window_->ListView1->entryCount(), 3);
    window_->ListView1->setRowProgress(3, 40.0);
    window_->ListView1->entryItem(1)->setSelected(true);
    window_->ListView1->entryItem(3)->setSelected(true);

    pressKey(window_->ListView1, Qt::Key_Delete);
    ASSERT_EQ(window_->ListView1->entryCount(), 1);
    EXPECT_EQ(test::shownText(*window_, 1, 0), QStringLiteral("001."));
    EXPECT_EQ(window_->ListView1->entryName(1), QStringLiteral("b.wav"));
    EXPECT_EQ(test::shownRowProgress(*window_, 1), 0.0);
    EXPECT_EQ(window_->Label10->text(), QStringLiteral("1 ") + numbered("en", 11));

    // The pop-up menu's Delete does the same.
    window_->AddFileToList(wav(QStringLiteral("d.wav")));
    window_->ListView1->clearSelection();
    window_->ListView1->entryItem(1)->setSelected(true);
    window_->Deletefromlist->trigger();
    ASSERT_EQ(window_->ListView1->entryCount(), 1);
    EXPECT_EQ(window_->ListView1->entryName(1), QStringLiteral("d.wav"));
    EXPECT_EQ(test::shownText(*window_, 1, 0), QStringLiteral("001."));
}

TEST_F(FileList, ListIsLockedWhileConverting)
{
    REQUIRE_READER();
    window_->AddFileToList(wav(QStringLiteral("a.wav")));
    window_->AddFileToList(wav(QStringLiteral("b.wav")));
    window_->ListView1->clearSelection();
    const QString c = wav(QStringLiteral("c.wav"));
    const QString d = wav(QStringLiteral("d.wav"));
    services_.openAnswers.push_back({d});

    EXPECT_TRUE(duringARun(*window_, [&] {
        window_->ListView1->clearSelection();
        window_->ListView1->entryItem(1)->setSelected(true);
        pressKey(window_->ListView1, Qt::Key_A, Qt::ControlModifier);
        EXPECT_FALSE(window_->ListView1->entryItem(2)->isSelected());
        pressKey(window_->ListView1, Qt::Key_Delete);
        window_->Deletefromlist_Click();
        window_->ListView1_OLEDragDrop({c});
        window_->addfile->trigger();

        EXPECT_EQ(window_->ListView1->entryCount(), 2);
        EXPECT_TRUE(services_.fileDialogs.isEmpty());
    }));
    window_->ListView1->clearSelection();
    window_->ListView1->entryItem(1)->setSelected(true);

    pressKey(window_->ListView1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(window_->ListView1->entryItem(1)->isSelected());
    EXPECT_TRUE(window_->ListView1->entryItem(2)->isSelected());
}

TEST_F(FileList, RightButtonOnASelectedEntryOpensThePopupMenu)
{
    REQUIRE_READER();
    window_->AddFileToList(wav(QStringLiteral("a.wav")));
    struct Case {
        const char* name;
        Qt::MouseButton button;
        bool selected;
        bool duringARun;
        bool opens;
    };
    const Case cases[] = {
        {"right button on a selected entry", Qt::RightButton, true, false, true},
        {"left button", Qt::LeftButton, true, false, false},
        {"nothing selected", Qt::RightButton, false, false, false},
        {"during a run", Qt::RightButton, true, true, false},
    };
    for (const Case& c : cases) {
        const auto press = [&] {
            window_->ListView1->clearSelection();
            window_->ListView1->entryItem(1)->setSelected(c.selected);
            window_->ListView1_MouseDown(c.button);
            window_->ListView1_MouseUp(c.button, window_->mapToGlobal(QPoint(40, 80)));
            EXPECT_EQ(window_->Popup->isVisible(), c.opens) << c.name;
            window_->Popup->hide();
        };
        if (c.duringARun)
            EXPECT_TRUE(duringARun(*window_, press)) << c.name;
        else
            press();
    }
}

TEST_F(FileList, AddFileDialogRemembersTheFolder)
{
    REQUIRE_READER();
    const QString one = wav(QStringLiteral("one.wav"));
    services_.openAnswers.push_back({one});
    window_->Image1_Click();
    ASSERT_EQ(services_.fileDialogs.size(), 1);
    EXPECT_EQ(services_.fileDialogs[0].title, numbered("en", 1));
    EXPECT_EQ(window_->AddFileFolder, music() + QLatin1Char('/'));
    EXPECT_EQ(folder_.value("OpenFile", "INITDIR"), music() + QLatin1Char('/'));

    const QStringList three{wav(QStringLiteral("t1.wav")), wav(QStringLiteral("t2.wav")),
                            wav(QStringLiteral("t3.wav"))};
    services_.openAnswers.push_back(three);
    window_->addfile->trigger();
    ASSERT_EQ(services_.fileDialogs.size(), 2);
    EXPECT_EQ(services_.fileDialogs[1].folder, music() + QLatin1Char('/'));
    EXPECT_EQ(window_->ListView1->entryCount(), 4);
    EXPECT_EQ(window_->ListView1->entryKey(4), three[2]);
    EXPECT_EQ(folder_.value("OpenFile", "INITDIR"), music());

    // A cancelled dialog changes nothing.
    const QByteArray before = folder_.configBytes();
    window_->Image1_Click();
    EXPECT_EQ(window_->ListView1->entryCount(), 4);
    EXPECT_EQ(folder_.configBytes(), before);
}

TEST_F(FileList, DeleteAllAsksFirst)
{
    REQUIRE_READER();
    window_->Image5_Click(); // empty list: no question
    EXPECT_TRUE(services_.messages.isEmpty());

    window_->AddFileToList(wav(QStringLiteral("a.wav")));
    window_->AddFileToList(wav(QStringLiteral("b.wav")));
    window_->ListView1->setCurrentItem(window_->ListView1->entryItem(2));

    services_.messageAnswers.push_back(MessageResult::No);
    window_->Image5_Click();
    EXPECT_EQ(window_->ListView1->entryCount(), 2);
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].buttons, quandor::shell::MessageButtons::YesNo);
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Tavrel"));

    window_->ListView1->clearSelection();
    services_.messageAnswers.push_back(MessageResult::Yes);
    window_->Image5_Click();
    EXPECT_EQ(window_->ListView1->entryCount(), 2); // no current entry: nothing removed

    window_->ListView1->entryItem(1)->setSelected(true);
    services_.messageAnswers.push_back(MessageResult::Yes);
    window_->Image5_Click();
    EXPECT_EQ(window_->ListView1->entryCount(), 0);
    EXPECT_EQ(window_->Label10->text(), QStringLiteral("0 ") + numbered("en", 11));
}

TEST_F(FileList, TrackColourIsStoredAndUsedForNewEntries)
{
    window_->trackcolor_Click(); // cancelled
    EXPECT_EQ(folder_.value("Track", "COLOR"), QStringLiteral("16576"));

    services_.colorAnswers.push_back(QColor(0, 128, 255));
    window_->trackcolor->trigger();
    EXPECT_EQ(folder_.value("Track", "COLOR"), QString::number(0 + (128 << 8) + (255 << 16)));
    EXPECT_EQ(window_->TrackColor, quint32(0 + (128 << 8) + (255 << 16)));
}

TEST_F(FileList, OutputFolderBrowser)
{
    const QString before = window_->Text1->text();
    window_->Command1_Click(); // cancelled
    EXPECT_EQ(window_->Text1->text(), before);
    ASSERT_EQ(services_.folderDialogs.size(), 1);
    EXPECT_EQ(services_.folderDialogs[0], numbered("en", 18));

    services_.folderAnswers.push_back(QStringLiteral("/music/out"));
    window_->Command1->click();
    EXPECT_EQ(window_->Text1->text(), QStringLiteral("/music/out"));
}

TEST_F(FileList, RowBarsAreDrawnFromTheirRowsValue)
{
    REQUIRE_READER();
    window_->AddFileToList(wav(QStringLiteral("a.wav")));
    window_->AddFileToList(wav(QStringLiteral("b.wav")));
    EXPECT_TRUE(window_->ListView1->entryItem(1)->data(RowProgressColumn, RowBarLoadedRole).toBool());

    window_->ListView1->clearSelection();
    window_->ListView1->setRowProgress(1, 0.0);
    window_->ListView1->setRowProgress(2, 100.0);
    EXPECT_EQ(test::shownRowProgress(*window_, 2), 100.0);
    const QRect empty = window_->ListView1->visualItemRect(window_->ListView1->entryItem(1));
    const QRect full = window_->ListView1->visualItemRect(window_->ListView1->entryItem(2));
    const int barLeft = window_->ListView1->header()->sectionPosition(RowProgressColumn);
    const int barWidth = window_->ListView1->header()->sectionSize(RowProgressColumn);
    const QImage image = window_->ListView1->viewport()->grab().toImage();
    // The full bar differs from the empty one across the cell's middle.
    int differing = 0;
    for (int x = barLeft + 4; x < barLeft + barWidth - 4; ++x) {
        if (image.pixel(x, empty.center().y()) != image.pixel(x, full.center().y()))
            ++differing;
    }
    EXPECT_GT(differing, (barWidth - 8) / 2);

    // Pressing on a row's bar selects that row.
    test::clickRowBar(*window_, 2);
    EXPECT_EQ(window_->ListView1->selectedPosition(), 2);
}

} // namespace
} // namespace tavrel
