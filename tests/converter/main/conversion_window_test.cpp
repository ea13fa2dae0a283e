// The conversion as the user drives it in the main window: "Convert !",
// "Convert Now", Cancel and Close during a run, the progress displays and
// the controls' state afterwards.

#include "converter/main/audiotool.h"
#include "converter/main/file_list_view.h"
#include "converter/main/progress.h"
#include "converter/main/progress_strip.h"
#include "converter/main/window_progress.h"
#include "platform/shell/message_dialog.h"
#include "platform/shell/qt_services.h"
#include "tests/converter/main/window_fixture.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <map>

#include <cmath>
#include <cstdio>
#include <unistd.h>

using namespace tavrel;
using namespace quandor::test;

namespace {

// Counts what the displays do during a run: paints per widget, resizes and
// moves of the bar, and the label texts at the moments they are painted.
class DisplayEvents : public QObject {
public:
    std::map<QObject*, int> paints;
    int barGeometryChanges = 0;
    QStringList paintedLabels;
    QLabel* label = nullptr;
    QObject* bar = nullptr;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
            if (watched == label)
                paintedLabels.append(label->text());
        }
        if (watched == bar && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
            ++barGeometryChanges;
        return false;
    }
};

class ConversionWindowTest : public ::testing::Test {
protected:
    RecordingServices services;
    test::ProgramFolder folder;
    QTemporaryDir sources;
    QTemporaryDir output;
    std::unique_ptr<Audiotool> window;

    void SetUp() override
    {
        folder.setValue(QStringLiteral("LAUNCH"), QStringLiteral("VALUE"), QStringLiteral("True"));
        window = folder.started();
        window->Text1->setText(output.path());
        window->Check1->setChecked(false);
    }
    QString addWav(const QString& name, double seconds)
    {
        const QString path = sources.filePath(name);
        EXPECT_TRUE(writeWavFile(path, PcmFormat{}, seconds));
        window->AddFileToList(path);
        return path;
    }
    void chooseFormat(const QString& format)
    {
        window->Combo1->setCurrentText(format);
        window->Combo1_Click();
    }
    QStringList outputs() const { return QDir(output.path()).entryList(QDir::Files, QDir::Name); }
    void expectIdle() const
    {
        EXPECT_FALSE(window->engine().isConverting());
        EXPECT_FALSE(window->engine().isTranscoding());
        EXPECT_TRUE(window->Command3->isEnabled());
        EXPECT_TRUE(window->Command5->isEnabled());
        EXPECT_TRUE(window->Command2->isEnabled());
        EXPECT_TRUE(window->Combo1->isEnabled());
        EXPECT_TRUE(window->Image1->isEnabled());
        EXPECT_TRUE(window->Image5->isEnabled());
        EXPECT_FALSE(window->Command4->isEnabled());
        EXPECT_TRUE(window->Label5->text().isEmpty());
        EXPECT_EQ(window->Label6->text(), QStringLiteral("0 %"));
        EXPECT_EQ(test::paintedBarPixels(*window), 0);
    }
};

TEST_F(ConversionWindowTest, ConvertAllShowsProgressAndEndsIdle)
{
    addWav(QStringLiteral("one.wav"), 1.0);
    addWav(QStringLiteral("two.wav"), 1.0);
    chooseFormat(QStringLiteral("Mp3"));

    QStringList seenPositions;
    bool controlsLocked = true;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        seenPositions.append(window->Label5->text());
        controlsLocked = controlsLocked && !window->Command3->isEnabled() && window->Command4->isEnabled();
    });
    watcher.start(0);
    window->Command3->click();
    watcher.stop();

    EXPECT_EQ(outputs(), (QStringList{QStringLiteral("one.mp3"), QStringLiteral("two.mp3")}));
    EXPECT_TRUE(seenPositions.contains(QStringLiteral("1 / 2")));
    EXPECT_TRUE(seenPositions.contains(QStringLiteral("2 / 2")));
    EXPECT_TRUE(controlsLocked);
    EXPECT_DOUBLE_EQ(test::shownRowProgress(*window, 1), 100.0);
    EXPECT_DOUBLE_EQ(test::shownRowProgress(*window, 2), 100.0);
    EXPECT_TRUE(services.messages.isEmpty());
    expectIdle();
    EXPECT_EQ(window->Text1->text(), output.path()); // the run writes nothing back into the box
}

TEST_F(ConversionWindowTest, CancelAndCloseDuringARun)
{
    addWav(QStringLiteral("first.wav"), 3.0);
    addWav(QStringLiteral("second.wav"), 1.0);
    chooseFormat(QStringLiteral("Wav"));

    // At the first yield: Close is refused, then Cancel is pressed.
    bool closeRefused = false;
    QTimer::singleShot(0, window.get(), [&] {
        window->Command5_Click();
        closeRefused = window->isVisible() && window->engine().isConverting();
        window->Command4->click();
    });
    window->show();
    window->Command3->click();

    EXPECT_TRUE(closeRefused);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(outputs().isEmpty()); // the cut file of the cancelled entry is gone
    EXPECT_LT(test::shownRowProgress(*window, 1), 100.0);
    expectIdle();

    // Cancel outside a run does nothing.
    window->Command4_Click();
    expectIdle();
}

TEST_F(ConversionWindowTest, CancelIsWithinReachWhileTheMessageAboutAMissingEntryWaits)
{
    const QString gone = addWav(QStringLiteral("gone.wav"), 1.0);
    addWav(QStringLiteral("kept.wav"), 1.0);
    ASSERT_TRUE(QFile::remove(gone));
    chooseFormat(QStringLiteral("Wav"));

    // The real message box, as the user meets it.
    quandor::shell::QtServices real;
    quandor::shell::setServices(&real);
    QString shownText;
    bool windowAnswers = false;
    bool cancelOn = false;
    bool boxClosed = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, window.get(), [&] {
        auto* box = window->findChild<quandor::shell::MessageDialog*>();
        if (!box || !box->isVisible())
            return;
        poll.stop();
        shownText = box->text();
        // A modal box would take the click on Cancel for itself.
        windowAnswers = QApplication::activeModalWidget() == nullptr;
        cancelOn = window->Command4->isEnabled();
        window->Command4->click();
        QPointer<quandor::shell::MessageDialog> watched(box);
        QTimer::singleShot(500, window.get(), [&, watched] {
            boxClosed = !watched || !watched->isVisible();
            if (!boxClosed)
                watched->reject(); // the user's OK, so that the run can end
        });
    });
    poll.start();
    window->show();
    window->Command3->click();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 700)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    quandor::shell::setServices(&services);

    EXPECT_TRUE(shownText.contains(gone)) << shownText.toStdString();
    EXPECT_TRUE(windowAnswers);
    EXPECT_TRUE(cancelOn);
    EXPECT_TRUE(boxClosed) << "Cancel takes the message away with the run";
    EXPECT_TRUE(outputs().isEmpty()) << "the run stopped before the next entry";
    expectIdle();
}

TEST_F(ConversionWindowTest, ShownProgressIsCoalescedAndEndsOnItsFinalValues)
{
    // Two minutes of WAV copied to WAV: 120 quick chunks, each a progress report.
    addWav(QStringLiteral("long.wav"), 120.0);
    addWav(QStringLiteral("short.wav"), 1.0);
    chooseFormat(QStringLiteral("Wav"));
    window->show();
    QElapsedTimer exposing;
    exposing.start();
    while (!window->windowHandle()->isExposed() && exposing.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();

    DisplayEvents events;
    events.label = window->Label6;
    events.bar = window->Image4;
    QWidget* rows = window->ListView1->viewport();
    for (QObject* watched :
         {static_cast<QObject*>(window->Label6), static_cast<QObject*>(window->Image4), static_cast<QObject*>(rows)})
        watched->installEventFilter(&events);

    QElapsedTimer run;
    run.start();
    window->Command3->click();
    const qint64 elapsed = run.elapsed();
    QCoreApplication::processEvents(); // the window's last repaint after the run

    // At most one update a tenth of a second, plus the start and end of each entry.
    const int allowed = int(elapsed / 100) + 6;
    EXPECT_LE(events.paints[window->Label6], allowed) << elapsed << " ms";
    EXPECT_LE(events.paints[window->Image4], allowed) << elapsed << " ms";
    EXPECT_LE(events.paints[rows], allowed) << elapsed << " ms";
    EXPECT_EQ(events.barGeometryChanges, 0); // the bar is repainted, never resized
    // A run quick enough to end between two paints may leave the label unpainted
    // until the next turn of the loop; whatever was painted ends on the idle text.
    EXPECT_EQ(window->Label6->text(), QStringLiteral("0 %"));
    if (!events.paintedLabels.isEmpty()) {
        EXPECT_EQ(events.paintedLabels.last(), QStringLiteral("0 %"));
    }

    EXPECT_EQ(outputs(), (QStringList{QStringLiteral("long.wav"), QStringLiteral("short.wav")}));
    EXPECT_DOUBLE_EQ(test::shownRowProgress(*window, 1), 100.0);
    EXPECT_DOUBLE_EQ(test::shownRowProgress(*window, 2), 100.0);
    EXPECT_EQ(test::paintedBarPixels(*window), 0);
    expectIdle();
}

TEST_F(ConversionWindowTest, ConvertNowConvertsTheSelectedEntryOnly)
{
    addWav(QStringLiteral("a.wav"), 0.5);
    addWav(QStringLiteral("b.wav"), 0.5);
    chooseFormat(QStringLiteral("Ogg"));
    window->ConvertNow_Click(); // nothing selected: nothing happens
    EXPECT_TRUE(outputs().isEmpty());

    tavrel::test::clickRowBar(*window, 2); // selects entry 2
    window->ConvertNow_Click();
    EXPECT_EQ(outputs(), QStringList{QStringLiteral("b.ogg")});
    expectIdle();
}

TEST_F(ConversionWindowTest, ProgressReportsFeedTheDisplays)
{
    addWav(QStringLiteral("a.wav"), 0.5);
    // The bar is reckoned in twips (15 a pixel), 60 of its frame's left as a margin.
    const double inner = window->Picture1->width() * 15.0 - 60;
    // The window's own displays, shown at once as outside a run.
    WindowProgress display(*window->Label6, *window->Picture1, *window->Image4, *window->ListView1);

    showPercent(display, 1, 2);
    EXPECT_EQ(window->Label6->text(), QStringLiteral("2 %"));
    EXPECT_EQ(test::paintedBarPixels(*window), std::lround(inner * 0.02 / 15.0));
    EXPECT_DOUBLE_EQ(test::shownRowProgress(*window, 1), 2.0);

    showPercent(display, 1, 33);
    EXPECT_EQ(window->Label6->text(), QStringLiteral("33 %"));
    showPercent(display, 1, 0);
    EXPECT_DOUBLE_EQ(test::shownRowProgress(*window, 1), 1.0);
    showPercent(display, 1, 100);
    EXPECT_EQ(window->Label6->text(), QStringLiteral("100 %"));
    EXPECT_EQ(test::paintedBarPixels(*window), window->Image4->width());
}

TEST_F(ConversionWindowTest, LoadersFillTheWindow)
{
    window->LoadApeSettings();
    EXPECT_EQ(window->engine().outputSettings().apeLevel, 2000);
    EXPECT_EQ(folder.value(QStringLiteral("APE"), QStringLiteral("Quality")),
              QStringLiteral("COMPRESSION_LEVEL_NORMAL"));

    folder.setValue(QStringLiteral("Aac"), QStringLiteral("ADTS"), QStringLiteral("MPEG-4"));
    folder.setValue(QStringLiteral("Aac"), QStringLiteral("Quality"), QStringLiteral("True"));
    window->LoadAacSettings();
    EXPECT_EQ(window->engine().outputSettings().aac.formatString(), QStringLiteral("AAC - MPEG-4; Quality=100"));
    EXPECT_TRUE(window->engine().outputSettings().aac.quality);

    folder.setValue(QStringLiteral("Wav"), QStringLiteral("Frequency"), QStringLiteral("9"));
    folder.setValue(QStringLiteral("Wav"), QStringLiteral("Channel"), QStringLiteral("0"));
    window->LoadWavSettings();
    EXPECT_EQ(window->Text2->text(), window->FileWenc.FormatString());
    EXPECT_TRUE(window->Text2->text().contains(QStringLiteral("11025"))
                || window->Text2->text().contains(QStringLiteral("11.025")));
}

// Everything written to the process's stderr while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        file_ = std::tmpfile();
        if (saved_ >= 0 && file_)
            ::dup2(::fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        if (file_)
            std::fclose(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    QByteArray text()
    {
        restore();
        QFile captured;
        if (!file_ || !captured.open(::fileno(file_), QIODevice::ReadOnly) || !captured.seek(0))
            return "<no capture file>";
        return captured.readAll();
    }

private:
    void restore()
    {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

// An MP3 with no Xing header (its duration is estimated from the bit rate) and
// an ID3v2 title frame whose UTF-16 text has no valid byte-order mark.
bool makeMp3WithDamagedTitle(const QString& path, const QString& scratch)
{
    const QString wav = scratch + QStringLiteral("/plain.wav");
    const QString mp3 = scratch + QStringLiteral("/plain.mp3");
    if (!writeWavFile(wav, PcmFormat{}, 1.0))
        return false;
    if (runTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-t"), wav, mp3}).exitCode != 0)
        return false;
    const QByteArray text = QByteArray("\x01"
                                       "AB",
                                       3)
        + QByteArray("H\0i\0", 4);
    QByteArray frame = "TIT2";
    for (int shift : {24, 16, 8, 0})
        frame.append(char((text.size() >> shift) & 0xFF));
    frame += QByteArray(2, '\0') + text + QByteArray(32, '\0'); // flags, text, padding
    QByteArray tag = QByteArray("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag.append(char((frame.size() >> shift) & 0x7F));
    return writeAll(path, tag + frame + readAll(mp3));
}

TEST_F(ConversionWindowTest, OrdinaryFilesLeaveStderrQuiet)
{
    const QString mp3 = sources.filePath(QStringLiteral("damaged-title.mp3"));
    ASSERT_TRUE(makeMp3WithDamagedTitle(mp3, sources.path()));
    chooseFormat(QStringLiteral("Ogg"));
    QByteArray printed;
    {
        StderrCapture capture;
        window->AddFileToList(mp3);
        window->Command3_Click();
        printed = capture.text();
    }
    EXPECT_TRUE(services.messages.isEmpty()) << services.messageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(outputs(), QStringList{QStringLiteral("damaged-title.ogg")});
    EXPECT_EQ(printed, QByteArray()) << printed.toStdString();
    expectIdle();
}

} // namespace
