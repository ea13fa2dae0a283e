// The image progress, burner and erase dialogs over emulated drives.

#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/scsi/toc.h"
#include "cdrip/ui/burn_dialog.h"
#include "cdrip/ui/erase_dialog.h"
#include "cdrip/ui/image_progress_dialog.h"
#include "platform/isoburn/isoburn.h"
#include "shell_fixture.h"
#include "tests/cdrip/scsi/image_test_support.h"
#include "tests/support/recording_services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <vector>

using namespace brenlow;
using namespace brenlow::test;

namespace {

/// Texts "L<n>" for line n, so rows name their language line.
// The original lines read "L<n>"; the lines added after them are left out,
// so that they read in English.
LanguageTable numberedLanguage()
{
    LanguageTable table;
    for (int n = 1; n <= 152; ++n)
        table.setLine(n, QStringLiteral("L%1").arg(n));
    return table;
}

DriveTable drivesOf(std::initializer_list<DriveAddress> addresses)
{
    DriveTable table;
    for (const DriveAddress& address : addresses)
        table.add({address, QStringLiteral("%1:%2:%3").arg(address.adapter).arg(address.target).arg(address.lun)});
    return table;
}

template <class Widget = QWidget>
Widget* control(const QWidget& dialog, int id)
{
    return dialog.findChild<Widget*>(QString::number(id));
}

QStringList logRows(const QWidget& dialog)
{
    QStringList rows;
    const auto* log = control<QListWidget>(dialog, 1104);
    for (int i = 0; i < log->count(); ++i)
        rows.append(log->item(i)->text());
    return rows;
}

int iconOf(const QWidget& dialog, int id)
{
    return control(dialog, id)->property("iconResource").toInt();
}

bool waitFor(const std::function<bool()>& done, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return done();
}

/// The image job has sent a READ CD to the source drive: its worker runs.
bool readingStarted()
{
    const auto log = quandor::aspi::commandLog({0, 1, 0});
    return std::any_of(log.begin(), log.end(),
                       [](const quandor::aspi::CommandLogEntry& entry) { return entry.cdb.at(0) == 0xBE; });
}

DiscImageSnapshot imageSnapshot(const EmulatedDiscs& discs, const QString& name)
{
    DiscImageSnapshot snapshot;
    snapshot.transport = discs.layer();
    snapshot.drive = kReader;
    snapshot.tracks = readTableOfContents(*discs.layer(), kReader, QStringLiteral("Track")).table;
    snapshot.paths = imagePathsFor(discs.file(name.toStdString()));
    return snapshot;
}

/// The text of the label a reader sees just left of control `id`, on its line.
QString captionBeside(const QWidget& dialog, int id)
{
    const QWidget* value = control(dialog, id);
    const QRect at(value->mapTo(&dialog, QPoint(0, 0)), value->size());
    const QLabel* nearest = nullptr;
    int nearestRight = -1;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        const QRect box(label->mapTo(&dialog, QPoint(0, 0)), label->size());
        const int middle = box.center().y();
        if (label == value || !label->isVisible() || middle < at.top() || middle > at.bottom())
            continue;
        if (box.right() < at.left() && box.right() > nearestRight) {
            nearest = label;
            nearestRight = box.right();
        }
    }
    return nearest ? nearest->text() : QString();
}

int setParameter(const DriveAddress& drive, std::uint8_t options)
{
    return SetParameter(drive.adapter, drive.target, drive.lun, options, 8, 8);
}

} // namespace

TEST(ImageProgressDialog, ReadsTheDiscAndShowsItsProgress)
{
    EmulatedDiscs discs(SourceTracks{{120}, {95}});
    const LanguageTable language = numberedLanguage();
    ImageProgressDialog dialog(imageSnapshot(discs, QStringLiteral("disc")), language);
    EXPECT_EQ(control<QLabel>(dialog, 1098)->text(), QStringLiteral("0 / 215"));
    EXPECT_EQ(control<QLabel>(dialog, 1099)->toolTip(), discs.file("disc.bin"));
    EXPECT_EQ(control<QPushButton>(dialog, 2)->text(), QStringLiteral("L51"));
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.result().outcome, DiscImageOutcome::Completed);
    EXPECT_EQ(control<QLabel>(dialog, 1098)->text(), QStringLiteral("215 / 215"));
    EXPECT_EQ(control<QLabel>(dialog, 1101)->text(), QStringLiteral("100 %"));
    EXPECT_EQ(fileBytes(discs.file("disc.bin")), fileBytes(discs.sourceBin()));
}

TEST(ImageProgressDialog, EachValueStandsBesideItsOwnCaption)
{
    EmulatedDiscs discs(SourceTracks{{120}});
    LanguageTable language = numberedLanguage();
    language.setLine(52, QStringLiteral("Sectors read :"));
    language.setLine(53, QStringLiteral("Image file :"));
    ImageProgressDialog dialog(imageSnapshot(discs, QStringLiteral("disc")), language);
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(control<QLabel>(dialog, 1099)->text(), discs.file("disc.bin"));
    EXPECT_EQ(captionBeside(dialog, 1099), QStringLiteral("Image file :"));
    EXPECT_EQ(captionBeside(dialog, 1098), QStringLiteral("Sectors read :"));
    EXPECT_EQ(control<QLabel>(dialog, 1135)->text(), QStringLiteral("Image file :"));
    EXPECT_EQ(control<QLabel>(dialog, 1136)->text(), QStringLiteral("Sectors read :"));
    dialog.reject();
}

// A long path keeps the dialog's designed size and its file name whole: the
// folder is shortened in the middle, the file name only when it alone does
// not fit. The status caption, long in Dutch, leaves the path its room.
TEST(ImageProgressDialog, ALongPathKeepsTheFileNameAndTheDesignedSize)
{
    EmulatedDiscs discs(SourceTracks{{120}});
    LanguageTable dutch;
    ASSERT_TRUE(dutch.loadFile(QDir(shippedLanguageFolder()).filePath(QStringLiteral("Zek_Nederlands.lng"))));
    ImageProgressDialog shortPath(imageSnapshot(discs, QStringLiteral("disc")), dutch);
    shortPath.show();
    QCoreApplication::processEvents();

    const QString ellipsis(QChar(0x2026));
    const struct {
        const char* name;
        QString folder;
        QString file;
        bool nameWhole;
    } cases[] = {
        {"a long folder", QString::fromStdString(std::string(40, 'f') + "/" + std::string(60, 'g')),
         QStringLiteral("Mijn audio-cd geregistreerd.bin"), true},
        {"a file name too long alone", QStringLiteral("f"), QString(80, QLatin1Char('n')) + QStringLiteral(".bin"),
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = discs.file(c.folder.toStdString());
        ASSERT_TRUE(QDir().mkpath(folder));
        DiscImageSnapshot snapshot = imageSnapshot(discs, QStringLiteral("x"));
        snapshot.paths = imagePathsFor(folder + QStringLiteral("/") + c.file);
        ImageProgressDialog longPath(snapshot, dutch);
        longPath.show();
        QCoreApplication::processEvents();

        EXPECT_EQ(longPath.size(), shortPath.size());
        auto* file = control<QLabel>(longPath, 1099);
        EXPECT_EQ(file->toolTip(), snapshot.paths.binPath);
        const QString shown = file->text();
        ASSERT_EQ(shown.count(ellipsis), 1) << shown.toStdString();
        const QString head = shown.section(ellipsis, 0, 0);
        const QString tail = shown.section(ellipsis, 1);
        if (c.nameWhole) {
            EXPECT_TRUE(snapshot.paths.binPath.startsWith(head)) << shown.toStdString();
            EXPECT_TRUE(tail.endsWith(QStringLiteral("/") + c.file)) << shown.toStdString();
        } else {
            EXPECT_TRUE(c.file.startsWith(head)) << shown.toStdString();
            EXPECT_TRUE(c.file.endsWith(tail)) << shown.toStdString();
        }
        EXPECT_LE(file->fontMetrics().horizontalAdvance(shown), file->contentsRect().width());
        EXPECT_LE(file->geometry().right(), longPath.width());
        // The path has the dialog's width less its own caption.
        const QLabel* caption = control<QLabel>(longPath, 1135);
        EXPECT_GE(file->width(), longPath.width() - caption->width() - 60) << file->width();
        longPath.reject();
    }
    shortPath.reject();
}

TEST(ImageProgressDialog, CancelStaysUntilTheWorkerEndedAndLeavesNoFile)
{
    EmulatedDiscs discs(SourceTracks{{3000}}, "");
    ASSERT_TRUE(quandor::aspi::setCommandDelayMs({0, 1, 0}, 2));
    const LanguageTable language = numberedLanguage();
    ImageProgressDialog dialog(imageSnapshot(discs, QStringLiteral("cancel.bin")), language);
    quandor::aspi::clearCommandLog();
    dialog.show();
    ASSERT_TRUE(waitFor(readingStarted));
    control<QPushButton>(dialog, 2)->click();
    EXPECT_FALSE(control<QPushButton>(dialog, 2)->isEnabled());
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    // The worker has ended: nothing more reaches the drive.
    const std::size_t sent = quandor::aspi::commandLog({0, 1, 0}).size();
    QThread::msleep(50);
    EXPECT_EQ(quandor::aspi::commandLog({0, 1, 0}).size(), sent);
    EXPECT_EQ(dialog.result().outcome, DiscImageOutcome::Cancelled);
    EXPECT_FALSE(QFile::exists(discs.file("cancel.bin")));
    EXPECT_FALSE(QFile::exists(discs.file("cancel.cue")));
}

TEST(ImageProgressDialog, CancelDuringAHungReadShowsAtOnceThatItIsPending)
{
    EmulatedDiscs discs(SourceTracks{{300}});
    ASSERT_TRUE(quandor::aspi::setTimeoutMs({0, 1, 0}, 1500));
    ASSERT_TRUE(quandor::aspi::setHangingCommands({0, 1, 0}, {0xBE}));
    const LanguageTable language = numberedLanguage();
    ImageProgressDialog dialog(imageSnapshot(discs, QStringLiteral("hung.bin")), language);
    quandor::aspi::clearCommandLog();
    dialog.show();
    ASSERT_TRUE(waitFor(readingStarted));
    auto* stopping = dialog.findChild<QLabel*>(QStringLiteral("stopping"));
    ASSERT_NE(stopping, nullptr);
    EXPECT_FALSE(stopping->isVisible());
    control<QPushButton>(dialog, 2)->click();
    // At once, while the READ CD still hangs: the dialog stays until its worker ends.
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(stopping->isVisible());
    EXPECT_FALSE(stopping->text().isEmpty());
    EXPECT_FALSE(control<QPushButton>(dialog, 2)->isEnabled());
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result().outcome, DiscImageOutcome::Cancelled);
    EXPECT_FALSE(QFile::exists(discs.file("hung.bin")));
}

TEST(BurnDialog, TestsTheDiscAndBurnsTheImage)
{
    quandor::test::RecordingServices services;
    EmulatedDiscs discs(SourceTracks{{300}, {250}});
    ASSERT_EQ(DiscImageJob(imageSnapshot(discs, QStringLiteral("image.bin"))).run().outcome,
              DiscImageOutcome::Completed);
    const LanguageTable language = numberedLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({kCdR, kCdRw}), language, setParameter);
    ASSERT_TRUE(dialog.waitForWorker(30000));

    // Opened with no cue sheet: line 117, then the blank CD-R in the first burner.
    EXPECT_EQ(logRows(dialog), (QStringList{"L117", "L128"}));
    EXPECT_EQ(iconOf(dialog, 1107), kMarkThisType);
    EXPECT_EQ(iconOf(dialog, 1106), kMarkNotThisType);
    EXPECT_EQ(iconOf(dialog, 1110), kMarkWritable);
    EXPECT_FALSE(control(dialog, 1112)->isEnabled());
    EXPECT_TRUE(control<QCheckBox>(dialog, 1037)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(dialog, 1038)->isChecked());
    auto* speeds = control<QComboBox>(dialog, 1103);
    EXPECT_EQ(speeds->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(speeds->currentText(), QStringLiteral("Maximum")); // 7056 kB/s: up to 32, then Maximum
    EXPECT_EQ(speeds->count(), 10);

    // The written CD-RW in the second burner cannot be written.
    control<QComboBox>(dialog, 1105)->setCurrentIndex(1);
    dialog.readCueSheet();
    ASSERT_TRUE(dialog.waitForWorker(30000));
    EXPECT_EQ(logRows(dialog).back(), QStringLiteral("L131"));
    EXPECT_EQ(iconOf(dialog, 1108), kMarkThisType);
    EXPECT_EQ(iconOf(dialog, 1110), kMarkNotWritable);

    // A cue sheet chosen with Browse; the CD-R again.
    control<QComboBox>(dialog, 1105)->setCurrentIndex(0);
    services.openAnswers.push_back({discs.file("image.cue")});
    control<QPushButton>(dialog, 1077)->click();
    ASSERT_TRUE(dialog.waitForWorker(30000));
    EXPECT_EQ(services.fileDialogs.back().filter, QStringLiteral("Cue files (*.cue)"));
    EXPECT_EQ(logRows(dialog), (QStringList{"L120550L121", "2L124", "L128"}));
    EXPECT_EQ(control<QLabel>(dialog, 1114)->text(), QStringLiteral("L122550"));
    ASSERT_TRUE(control(dialog, 1112)->isEnabled());

    // Slow enough to be seen while it writes.
    ASSERT_TRUE(quandor::aspi::setCommandDelayMs({0, 2, 0}, 20));
    control<QPushButton>(dialog, 1112)->click();
    ASSERT_TRUE(waitFor([&] { return dialog.busy(); }));
    for (int id : {1105, 1076, 1037, 1038, 1103, 1077, 1075, 1112})
        EXPECT_FALSE(control(dialog, id)->isEnabled()) << id;
    EXPECT_TRUE(control(dialog, 1115)->isEnabled());
    dialog.reject(); // the close box while busy does not close
    ASSERT_TRUE(dialog.waitForWorker(30000));
    EXPECT_EQ(services.messages.size(), 1); // the close box asked as Cancel does (and was not confirmed)
    EXPECT_EQ(logRows(dialog).mid(3), (QStringList{"L101", "L103", "L105", "L107", "L109", "L111", "L112", "L115"}));
    EXPECT_EQ(control<QLabel>(dialog, 1111)->text(), QStringLiteral("100 %"));
    EXPECT_FALSE(control(dialog, 1115)->isEnabled());
    EXPECT_TRUE(control(dialog, 1075)->isEnabled());
    EXPECT_EQ(quandor::aspi::writtenDiscBytes({0, 2, 0}), fileBytes(discs.file("image.bin")));
}

namespace {

// The grid cell (row, column) of control `id`, or of the box that holds it.
std::pair<int, int> cellOf(const QDialog& dialog, int id)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    for (QWidget* widget = control(dialog, id); widget && widget != &dialog; widget = widget->parentWidget()) {
        if (const int index = grid ? grid->indexOf(widget) : -1; index >= 0) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(index, &row, &column, &rows, &columns);
            return {row, column};
        }
    }
    return {-1, -1};
}

} // namespace

TEST(BurnDialog, EachCaptionStandsBesideItsValueAndTheMarksShowTheirIcons)
{
    quandor::test::RecordingServices services;
    EmulatedDiscs discs(SourceTracks{{30}});
    const LanguageTable language = numberedLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({kCdR}), language, setParameter);
    ASSERT_TRUE(dialog.waitForWorker(30000));
    // Caption, its line, the value it names.
    const std::tuple<int, int, int> pairs[] = {{1134, 134, 1113}, {1135, 136, 1105}, {1136, 139, 1106},
                                               {1137, 140, 1103}, {1138, 141, 1000}, {1139, 143, 1118},
                                               {1140, 144, 1110}};
    for (const auto& [caption, line, value] : pairs) {
        EXPECT_EQ(control<QLabel>(dialog, caption)->text(), QStringLiteral("L%1").arg(line));
        const auto [captionRow, captionColumn] = cellOf(dialog, caption);
        const auto [valueRow, valueColumn] = cellOf(dialog, value);
        EXPECT_GE(captionRow, 0) << caption;
        EXPECT_EQ(captionRow, valueRow) << caption << " beside " << value;
        EXPECT_LT(captionColumn, valueColumn) << caption << " beside " << value;
    }
    // The disc marks share the row of "Disc :"; the percentage the row of the bar.
    for (int mark : {1107, 1108, 1109})
        EXPECT_EQ(cellOf(dialog, mark).first, cellOf(dialog, 1136).first) << mark;
    EXPECT_EQ(cellOf(dialog, 1111).first, cellOf(dialog, 1000).first);

    // The blank CD-R: every mark, and the log rows, carry a picture.
    for (int id : {1106, 1107, 1108, 1109, 1110}) {
        const QPixmap picture = control<QLabel>(dialog, id)->pixmap();
        EXPECT_FALSE(picture.isNull()) << id;
    }
    EXPECT_NE(control<QLabel>(dialog, 1107)->pixmap().toImage(), control<QLabel>(dialog, 1106)->pixmap().toImage());
    const auto* log = control<QListWidget>(dialog, 1104);
    ASSERT_GT(log->count(), 0);
    for (int row = 0; row < log->count(); ++row)
        EXPECT_FALSE(log->item(row)->icon().isNull()) << row;
}

TEST(BurnDialog, TheElapsedTimeCountsTheWholeBurn)
{
    quandor::test::RecordingServices services;
    const DriveAddress slowBurner{0, 6, 0};
    EmulatedDiscs discs(SourceTracks{{75}}, "[drive 0:6:0]\nMedium=cdr\nDisc=slow.bin\nDelayMs=60\n");
    const LanguageTable language = numberedLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({slowBurner}), language, setParameter);
    control<QLineEdit>(dialog, 1113)->setText(discs.file("source.cue"));
    ASSERT_TRUE(dialog.waitForWorker(30000));
    dialog.readCueSheet();
    ASSERT_TRUE(dialog.waitForWorker(30000));
    ASSERT_TRUE(control(dialog, 1112)->isEnabled());
    control<QPushButton>(dialog, 1112)->click();
    ASSERT_TRUE(waitFor([&] { return dialog.busy(); })); // after the disc test
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(dialog.waitForWorker(30000));
    const qint64 elapsedMs = clock.elapsed();
    ASSERT_GE(elapsedMs, 1000) << "the burn must outlast one tick";
    // The clock ends on the burn's own length: whole seconds, not a tick behind
    // (the slack covers the delivery of the end to this thread).
    const QStringList shown = control<QLabel>(dialog, 1118)->text().split(QLatin1Char(':'));
    ASSERT_EQ(shown.size(), 2);
    const int shownSeconds = shown[0].toInt() * 60 + shown[1].toInt();
    EXPECT_GE(shownSeconds, (elapsedMs - 250) / 1000);
    EXPECT_LE(shownSeconds, elapsedMs / 1000);
}

namespace {

/// Names `cue` in 1113 and reads it (1076), waiting for the disc test each time.
void readCueSheet(BurnDialog& dialog, const QString& cue)
{
    control<QLineEdit>(dialog, 1113)->setText(cue);
    ASSERT_TRUE(dialog.waitForWorker(30000));
    control<QPushButton>(dialog, 1076)->click();
    ASSERT_TRUE(dialog.waitForWorker(30000));
}

} // namespace

TEST(BurnDialog, TheSpeedPickedIsTheSpeedSent)
{
    // Burn ! reads the cue sheet again, which refills the speed list: the
    // user's choice survives that re-read and reaches SET CD SPEED.
    const struct {
        const char* picked;
        int kbs;
    } cases[] = {{"4", 706}, {"12", 2112}, {"1", 176}, {"Maximum", 7056}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picked);
        quandor::test::RecordingServices services;
        EmulatedDiscs discs(SourceTracks{{40}});
        const LanguageTable language = numberedLanguage();
        BurnDialog dialog(discs.layer(), drivesOf({kCdR}), language, setParameter);
        ASSERT_NO_FATAL_FAILURE(readCueSheet(dialog, discs.file("source.cue")));
        auto* speeds = control<QComboBox>(dialog, 1103);
        speeds->setCurrentIndex(speeds->findText(QString::fromLatin1(c.picked)));
        ASSERT_EQ(speeds->currentText(), QString::fromLatin1(c.picked));
        control<QPushButton>(dialog, 1076)->click(); // a re-read keeps the choice
        ASSERT_TRUE(dialog.waitForWorker(30000));
        EXPECT_EQ(speeds->currentText(), QString::fromLatin1(c.picked));

        control<QPushButton>(dialog, 1112)->click();
        ASSERT_TRUE(dialog.waitForWorker(30000));
        ASSERT_EQ(logRows(dialog).back(), QStringLiteral("L115"));
        const auto sent = discs.cdbs(kCdR, 0xBB);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ((sent[0][4] << 8) | sent[0][5], c.kbs);
    }
}

TEST(BurnDialog, AnotherCueSheetStartsAgainFromMaximum)
{
    quandor::test::RecordingServices services;
    EmulatedDiscs discs(SourceTracks{{40}});
    ASSERT_TRUE(QFile::copy(discs.file("source.cue"), discs.file("other.cue")));
    const LanguageTable language = numberedLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({kCdR}), language, setParameter);
    ASSERT_NO_FATAL_FAILURE(readCueSheet(dialog, discs.file("source.cue")));
    auto* speeds = control<QComboBox>(dialog, 1103);
    speeds->setCurrentIndex(speeds->findText(QStringLiteral("4")));
    ASSERT_NO_FATAL_FAILURE(readCueSheet(dialog, discs.file("other.cue")));
    EXPECT_EQ(speeds->currentText(), QStringLiteral("Maximum"));
}

TEST(BurnDialog, AHangingBurnerNeverBlocksTheWindow)
{
    // The burner never answers READ DISC INFORMATION (each request times out
    // after 3 s) and answers the rest slowly: the disc test runs on its
    // worker while the window keeps answering, with the settings disabled.
    constexpr int kHungMs = 3000;
    quandor::test::RecordingServices services;
    EmulatedDiscs discs(SourceTracks{{40}},
                        "[drive 0:6:0]\nMedium=cdr\nHangCommands=0x51\nTimeoutMs=3000\nDelayMs=100\n");
    const DriveAddress hanging{0, 6, 0};
    const LanguageTable language = numberedLanguage();
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();

    QElapsedTimer clock;
    clock.start();
    BurnDialog dialog(discs.layer(), drivesOf({hanging, kCdR}), language, setParameter);
    // Opening after the hung request's time-out would mean the window waited for it.
    EXPECT_LT(clock.elapsed(), kHungMs) << "the dialog opens before the drive answers";
    ASSERT_TRUE(dialog.testingDisc());
    for (int id : {1105, 1076, 1037, 1038, 1103, 1077, 1075, 1112, 1115})
        EXPECT_FALSE(control(dialog, id)->isEnabled()) << id;
    ASSERT_TRUE(waitFor([&] { return !dialog.testingDisc(); }));
    EXPECT_GE(ticks, 20) << "the timer fired while the drive was tested";

    // The result is shown once the worker reports; the settings come back.
    EXPECT_EQ(logRows(dialog), (QStringList{"L117", "L127"}));
    EXPECT_FALSE(control(dialog, 1112)->isEnabled());
    for (int id : {1105, 1076, 1037, 1038, 1103, 1077, 1075})
        EXPECT_TRUE(control(dialog, id)->isEnabled()) << id;
    EXPECT_FALSE(control(dialog, 1115)->isEnabled());

    // Closed while a test runs: the window waits for its worker, then goes.
    dialog.show();
    dialog.readCueSheet();
    ASSERT_TRUE(dialog.testingDisc());
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    EXPECT_FALSE(dialog.testingDisc());
}

TEST(BurnDialog, ABadCueSheetDisablesBurn)
{
    quandor::test::RecordingServices services;
    EmulatedDiscs discs(SourceTracks{{30}});
    quandor::aspi::test::writeText(discs.file("bad.cue").toStdString(),
                                   "FILE \"source.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
    const LanguageTable language = numberedLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({kCdR}), language, setParameter);
    ASSERT_TRUE(dialog.waitForWorker(30000));
    control<QLineEdit>(dialog, 1113)->setText(discs.file("bad.cue"));
    control<QPushButton>(dialog, 1076)->click();
    ASSERT_TRUE(dialog.waitForWorker(30000));
    EXPECT_EQ(logRows(dialog), (QStringList{"L123", "L125", "L128"}));
    EXPECT_EQ(control<QLineEdit>(dialog, 1113)->text(), discs.file("bad.cue")) << "the refused sheet stays named";
    EXPECT_FALSE(control(dialog, 1112)->isEnabled());
}

namespace {

/// Numbered texts for the lines of the original files; the lines added after
/// them left empty, so their English text shows.
LanguageTable numberedOriginalLanguage()
{
    LanguageTable table = numberedLanguage();
    for (int n = 153; n <= LanguageTable::kSize; ++n)
        table.setLine(n, QString());
    return table;
}

} // namespace

TEST(BurnDialog, ARefusedCueSheetSaysWhyAndStaysInTheField)
{
    quandor::test::RecordingServices services;
    // source.bin holds 1275 sectors (00:17:00).
    EmulatedDiscs discs(SourceTracks{{1275}});
    const struct {
        const char* name;
        const char* text;
        const char* why;
    } cases[] = {
        {"tracks out of order",
         "FILE \"source.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n  TRACK 03 AUDIO\r\n"
         "    INDEX 01 00:05:00\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:03:00\r\n",
         "line 7: the track starts at 00:03:00, not after the previous track (00:05:00) and its two-second pregap: "
         "the tracks are out of order."},
        {"a track beyond the image",
         "FILE \"source.bin\" BINARY\r\n  TRACK 1 AUDIO\r\n    INDEX 01 00:00:00\r\n  TRACK 2 AUDIO\r\n"
         "    INDEX 00 00:08:00\r\n    INDEX 01 00:10:00\r\n  TRACK 3 AUDIO\r\n    INDEX 00 00:20:00\r\n"
         "    INDEX 01 00:22:00\r\n",
         "line 9: the track starts at 00:22:00, beyond the end of the image (00:17:00)."},
        {"a track at the image's very end",
         "FILE \"source.bin\" BINARY\r\nTRACK 1 AUDIO\r\nINDEX 01 00:00:00\r\nTRACK 2 AUDIO\r\nINDEX 01 00:17:00\r\n",
         "line 5: the track starts at 00:17:00, beyond the end of the image (00:17:00)."},
        {"a bad time", "FILE \"source.bin\" BINARY\r\nTRACK 1 AUDIO\r\nINDEX 01 00:60:00\r\n",
         "line 3: an index must read INDEX nn MM:SS:FF, one INDEX 01 per track."},
        {"no INDEX 01", "FILE \"source.bin\" BINARY\r\nTRACK 1 AUDIO\r\nINDEX 00 00:00:00\r\n",
         "line 2: this track has no INDEX 01."},
        {"no FILE", "TRACK 1 AUDIO\r\nINDEX 01 00:00:00\r\n",
         "line 1: the image must be named once, as FILE \"name\" BINARY."},
        {"a WAVE file", "FILE \"source.wav\" WAVE\r\nTRACK 1 AUDIO\r\nINDEX 01 00:00:00\r\n",
         "line 1: the image must be named once, as FILE \"name\" BINARY."},
        {"a gap", "FILE \"source.bin\" BINARY\r\nTRACK 1 AUDIO\r\nPREGAP 00:02:00\r\nINDEX 01 00:00:00\r\n",
         "line 3: PREGAP and POSTGAP are not in the image and cannot be burned."},
        {"no track", "FILE \"source.bin\" BINARY\r\n", "the cue sheet names no track."},
    };
    const LanguageTable language = numberedOriginalLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({kCdR}), language, setParameter);
    ASSERT_TRUE(dialog.waitForWorker(30000));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString cue = discs.file("refused.cue");
        quandor::aspi::test::writeText(cue.toStdString(), c.text);
        ASSERT_NO_FATAL_FAILURE(readCueSheet(dialog, cue));
        EXPECT_EQ(logRows(dialog),
                  (QStringList{cue + QStringLiteral(" : ") + QString::fromUtf8(c.why), "L125", "L128"}));
        EXPECT_EQ(control<QLineEdit>(dialog, 1113)->text(), cue);
        EXPECT_FALSE(control(dialog, 1112)->isEnabled());
    }
    // A sheet that is not there says so too, and the path stays for mending.
    const QString missing = discs.file("nothere.cue");
    ASSERT_NO_FATAL_FAILURE(readCueSheet(dialog, missing));
    EXPECT_EQ(logRows(dialog),
              (QStringList{missing + QStringLiteral(" : the cue sheet cannot be read."), "L125", "L128"}));
    EXPECT_EQ(control<QLineEdit>(dialog, 1113)->text(), missing);
}

TEST(BurnDialog, AnImageLongerThanTheBlankIsNamedWithBothLengths)
{
    // The blank in 0:6:0 holds 50 sectors (its last lead-out at 00:02:50).
    const DriveAddress small{0, 6, 0};
    const struct {
        int sectors;
        bool fits;
    } cases[] = {{51, false}, {50, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sectors);
        quandor::test::RecordingServices services;
        EmulatedDiscs discs(SourceTracks{{c.sectors}}, "[drive 0:6:0]\nMedium=cdr\nLastLeadOut=00:02:50\n");
        const LanguageTable language = numberedOriginalLanguage();
        BurnDialog dialog(discs.layer(), drivesOf({small}), language, setParameter);
        ASSERT_NO_FATAL_FAILURE(readCueSheet(dialog, discs.file("source.cue")));
        const QString count = QString::number(c.sectors);
        if (!c.fits) {
            EXPECT_EQ(logRows(dialog),
                      (QStringList{"L120" + count + "L121", "1L124", "L128",
                                   "The image (00:00.51, 51 sectors) does not fit on the disc "
                                   "(00:00.50, 50 sectors)."}));
            EXPECT_FALSE(control(dialog, 1112)->isEnabled());
            continue;
        }
        EXPECT_EQ(logRows(dialog), (QStringList{"L120" + count + "L121", "1L124", "L128"}));
        ASSERT_TRUE(control(dialog, 1112)->isEnabled());
        control<QPushButton>(dialog, 1112)->click();
        ASSERT_TRUE(dialog.waitForWorker(30000));
        EXPECT_EQ(logRows(dialog).back(), QStringLiteral("L115")) << "an image that just fits is burned";
        EXPECT_EQ(quandor::aspi::writtenDiscBytes({0, 6, 0}), fileBytes(discs.file("source.bin")));
    }
}

TEST(EraseDialog, ErasesAndRefusesWithAMessage)
{
    quandor::test::RecordingServices services;
    EmulatedDiscs discs(SourceTracks{{10}});
    const LanguageTable language = numberedLanguage();
    EraseDialog dialog(discs.layer(), drivesOf({kCdRw, kCdR}), language, nullptr, std::chrono::milliseconds(50));
    EXPECT_TRUE(control<QAbstractButton>(dialog, 1067)->isChecked());
    // The status line takes room only while an erase runs.
    EXPECT_FALSE(control(dialog, 1149)->isVisibleTo(&dialog));
    control<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(control<QLabel>(dialog, 1149)->text(), QStringLiteral("L150"));
    EXPECT_TRUE(control(dialog, 1149)->isVisibleTo(&dialog));
    for (const int id : {1, 2, 1105})
        EXPECT_FALSE(control(dialog, id)->isEnabled()) << id;
    ASSERT_TRUE(waitFor([&] { return !dialog.busy(); }));
    for (const int id : {1, 2, 1105})
        EXPECT_TRUE(control(dialog, id)->isEnabled()) << id;
    EXPECT_TRUE(control<QLabel>(dialog, 1149)->text().isEmpty());
    EXPECT_FALSE(control(dialog, 1149)->isVisibleTo(&dialog));
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_TRUE(quandor::aspi::writtenDiscBytes({0, 3, 0}).empty());
    EXPECT_EQ(discs.cdbs(kCdRw, 0xA1).front()[1], 0x11);
    EXPECT_EQ(discs.cdbs(kCdRw, 0x1B).size(), 1u);

    // The CD-R refuses BLANK: a message, and the dialog is idle again.
    control<QComboBox>(dialog, 1105)->setCurrentIndex(1);
    control<QPushButton>(dialog, 1)->click();
    ASSERT_TRUE(waitFor([&] { return !dialog.busy(); }));
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(services.messages.front().text,
              QStringLiteral("This disc is not rewritable and cannot be erased. Put a CD-RW in the drive. "
                             "(status 04, ILLEGAL REQUEST (30/05))"));
    EXPECT_TRUE(control(dialog, 1)->isEnabled());
}

TEST(EraseDialog, ClosingWhileErasingStopsPollingWithoutEject)
{
    quandor::test::RecordingServices services;
    EmulatedDiscs discs(SourceTracks{{10}}, "[drive 0:5:0]\nMedium=cdrw\nBlankSeconds=30\n");
    const LanguageTable language = numberedLanguage();
    EraseDialog dialog(discs.layer(), drivesOf({{0, 5, 0}}), language, nullptr, std::chrono::milliseconds(50));
    dialog.show();
    control<QAbstractButton>(dialog, 1068)->setChecked(true);
    control<QPushButton>(dialog, 1)->click();
    ASSERT_TRUE(dialog.busy());
    EXPECT_FALSE(control(dialog, 2)->isEnabled()) << "only the close box ends an erase";
    dialog.close();
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    EXPECT_FALSE(dialog.busy());
    EXPECT_EQ(discs.cdbs({0, 5, 0}, 0xA1).front()[1], 0x10);
    EXPECT_TRUE(discs.cdbs({0, 5, 0}, 0x1B).empty());
    EXPECT_TRUE(services.messages.isEmpty());
}

// A refused or failed erase says in words what is wrong and what to do, the
// drive's codes in brackets; in the user's language, in English where the
// language file lacks the line.
TEST(EraseDialog, FailuresSayWhatIsWrongAndWhatToDo)
{
    const auto result = [](EraseOutcome outcome, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
        EraseResult r;
        r.outcome = outcome;
        r.command.status = 4;
        r.command.sense = {key, asc, ascq};
        return r;
    };
    const struct {
        const char* name;
        EraseResult result;
        const char* english;
    } cases[] = {
        {"a CD-R", result(EraseOutcome::BlankRefused, 5, 0x30, 0x05),
         "This disc is not rewritable and cannot be erased. Put a CD-RW in the drive. (status 04, ILLEGAL "
         "REQUEST (30/05))"},
        {"no disc", result(EraseOutcome::BlankRefused, 2, 0x3A, 0x02),
         "There is no disc in the drive. Put a CD-RW in it and try again. (status 04, NOT READY (3A/02))"},
        {"a reader", result(EraseOutcome::BlankRefused, 5, 0x20, 0x00),
         "This drive cannot write, so it cannot erase a disc. Choose a CD writer. (status 04, ILLEGAL REQUEST "
         "(20/00))"},
        {"still erasing", result(EraseOutcome::Failed, 2, 0x04, 0x07),
         "The drive is still busy erasing. Wait until it has finished, then try again. (status 04, NOT READY "
         "(04/07))"},
        {"another refusal", result(EraseOutcome::BlankRefused, 5, 0x24, 0x00),
         "The drive refused to erase the disc (status 04, ILLEGAL REQUEST (24/00))."},
        {"another failure", result(EraseOutcome::Failed, 3, 0x11, 0x00),
         "The drive reported an error while erasing (status 04, MEDIUM ERROR (11/00))."},
        {"time", result(EraseOutcome::TimedOut, 0, 0, 0), "The drive did not finish erasing in time."},
    };
    const LanguageTable english; // a file without the added lines
    LanguageTable dutch;
    ASSERT_TRUE(dutch.loadFile(QDir(shippedLanguageFolder()).filePath(QStringLiteral("Zek_Nederlands.lng"))));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(eraseFailureText(c.result, english), QString::fromUtf8(c.english));
        const QString translated = eraseFailureText(c.result, dutch);
        EXPECT_NE(translated, QString::fromUtf8(c.english));
        EXPECT_FALSE(translated.contains(QLatin1String("%1")));
        if (c.result.outcome != EraseOutcome::TimedOut) {
            EXPECT_TRUE(translated.contains(c.result.command.text())) << translated.toStdString();
        }
    }
}

TEST(BurnDialog, TestWritesAndABurnOneAfterAnotherAreEachAccepted)
{
    // Test writes one after another on the same blank, each read again with
    // Refresh as a user does once the tray is back in, then the real burn:
    // every cue sheet is taken.
    quandor::test::RecordingServices services;
    const DriveAddress burner{0, 6, 0};
    EmulatedDiscs discs(SourceTracks{{300}, {250}}, "[drive 0:6:0]\nMedium=cdr\nTrayClose=0\n");
    ASSERT_EQ(DiscImageJob(imageSnapshot(discs, QStringLiteral("image.bin"))).run().outcome,
              DiscImageOutcome::Completed);
    const LanguageTable language = numberedLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({burner}), language, setParameter);
    ASSERT_NO_FATAL_FAILURE(readCueSheet(dialog, discs.file("image.cue")));
    constexpr int kTestWrites = 12;
    for (int run = 0; run <= kTestWrites; ++run) {
        SCOPED_TRACE(run);
        const bool testWrite = run < kTestWrites;
        control<QCheckBox>(dialog, 1038)->setChecked(testWrite);
        control<QPushButton>(dialog, 1076)->click();
        ASSERT_TRUE(dialog.waitForWorker(30000));
        ASSERT_TRUE(control(dialog, 1112)->isEnabled()) << logRows(dialog).join(QLatin1Char('|')).toStdString();
        control<QPushButton>(dialog, 1112)->click();
        ASSERT_TRUE(dialog.waitForWorker(30000));
        const QStringList rows = logRows(dialog);
        ASSERT_FALSE(rows.contains(QStringLiteral("L108"))) << rows.join(QLatin1Char('|')).toStdString();
        ASSERT_EQ(rows.back(),
                  testWrite ? QStringLiteral("Test write completed. The disc is still blank.") : QStringLiteral("L115"))
            << rows.join(QLatin1Char('|')).toStdString();
    }
    EXPECT_EQ(quandor::aspi::writtenDiscBytes({0, 6, 0}), fileBytes(discs.file("image.bin")));
}

namespace {

/// Two busy threads while it lives, beside whatever else runs: the dialog's workers and the
/// drive's own thread then run at the scheduler's whim.
class CpuLoad {
public:
    CpuLoad()
    {
        for (int i = 0; i < 2; ++i)
            threads_.emplace_back([this] {
                std::uint64_t spin = 0;
                while (!stop_.load(std::memory_order_relaxed))
                    spin = spin * 6364136223846793005u + 1;
                sink_.fetch_add(spin, std::memory_order_relaxed);
            });
    }
    ~CpuLoad()
    {
        stop_ = true;
        for (std::thread& thread : threads_)
            thread.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> sink_{0};
    std::vector<std::thread> threads_;
};

} // namespace

TEST(BurnDialog, TestWritesStartedAtOnceUnderLoadAreNeverRefused)
{
    // A user's rounds of test writes, as fast as the window lets them go, on
    // a loaded machine: Refresh, and Burn ! the moment it is enabled. After each burn the tray opens and
    // closes again by itself a moment later, so a test may find the tray open
    // (no disc, Burn stays disabled), closed, or closing while it asks. A
    // burn that starts must have its cue sheet taken, every time.
    quandor::test::RecordingServices services;
    const DriveAddress burner{0, 6, 0};
    EmulatedDiscs discs(SourceTracks{{300}, {250}}, "[drive 0:6:0]\nMedium=cdr\nTrayClose=0.004\n");
    ASSERT_EQ(DiscImageJob(imageSnapshot(discs, QStringLiteral("image.bin"))).run().outcome,
              DiscImageOutcome::Completed);
    const CpuLoad load;
    const LanguageTable language = numberedLanguage();
    BurnDialog dialog(discs.layer(), drivesOf({burner}), language, setParameter);
    control<QLineEdit>(dialog, 1113)->setText(discs.file("image.cue"));
    control<QCheckBox>(dialog, 1038)->setChecked(true);
    constexpr int kRounds = 50;
    int burns = 0;
    for (int attempt = 0; burns < kRounds && attempt < 20 * kRounds; ++attempt) {
        SCOPED_TRACE(attempt);
        ASSERT_TRUE(dialog.waitForWorker(30000));
        control<QPushButton>(dialog, 1076)->click();
        ASSERT_TRUE(waitFor([&] { return !dialog.testingDisc(); }, 30000));
        // Burn ! reads the sheet and tests the disc once more before it burns.
        if (control(dialog, 1112)->isEnabled())
            control<QPushButton>(dialog, 1112)->click();
        ASSERT_TRUE(dialog.waitForWorker(30000));
        const QStringList rows = logRows(dialog);
        const QString all = rows.join(QLatin1Char('|'));
        ASSERT_FALSE(rows.contains(QStringLiteral("L108"))) << all.toStdString();
        if (rows.contains(QStringLiteral("L101"))) {
            ++burns;
            ASSERT_EQ(rows.back(), QStringLiteral("Test write completed. The disc is still blank."))
                << all.toStdString();
        } else {
            ASSERT_EQ(rows.back(), QStringLiteral("L127"))
                << "only an open tray keeps Burn ! disabled: " << all.toStdString();
        }
    }
    EXPECT_EQ(burns, kRounds);
    EXPECT_TRUE(quandor::aspi::writtenDiscBytes({0, 6, 0}).empty()) << "test writes leave the disc blank";
}
