#include "cdrip/ui/burn_dialog.h"

#include "cdrip/scsi/burn_speed.h"
#include "cdrip/scsi/writer_commands.h"
#include "cdrip/ui/burn_controls.h"
#include "cdrip/ui/burn_messages.h"
#include "cdrip/ui/button_icons.h"
#include "cdrip/ui/control_ids.h"
#include "platform/shell/services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <utility>

namespace brenlow {

namespace {

using quandor::shell::MessageButtons;
using quandor::shell::MessageIcon;
using quandor::shell::MessageResult;

template <class Widget>
Widget* named(Widget* widget, int id)
{
    widget->setObjectName(QString::number(id));
    return widget;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString minutesAndSeconds(qint64 seconds)
{
    return twoDigits(int(seconds / 60)) + QLatin1Char(':') + twoDigits(int(seconds % 60));
}

// The log's icons: error, can write, step done, job stopped.
int logIconResource(BurnIcon icon)
{
    switch (icon) {
    case BurnIcon::Error:
        return 224;
    case BurnIcon::CanWrite:
        return 223;
    case BurnIcon::Done:
        return 226;
    case BurnIcon::Stopped:
        return 227;
    }
    return 224;
}

// A log row's text in the user's language; a line the file lacks reads in English.
QString rowText(const BurnRow& row, const LanguageTable& language)
{
    QString text = row.prefix + language.text(row.line, row.english);
    return row.argument.isEmpty() ? text : text.arg(row.argument);
}

} // namespace

BurnDialog::BurnDialog(std::shared_ptr<ScsiTransport> transport, DriveTable drives, const LanguageTable& language,
                       SetWriteParameters setWriteParameters, QWidget* parent)
    : QDialog(parent),
      transport_(std::move(transport)),
      drives_(std::move(drives)),
      language_(language),
      setWriteParameters_(std::move(setWriteParameters))
{
    setObjectName(QStringLiteral("214"));
    setWindowTitle(QStringLiteral("Brenlow"));
    buildControls();
    for (const DriveRecord& drive : drives_.drives())
        burner_->addItem(drive.description);
    if (burner_->count() > 0)
        burner_->setCurrentIndex(0);
    connect(burner_, &QComboBox::activated, this, &BurnDialog::readCueSheet);
    clock_ = new QTimer(this);
    clock_->setObjectName(QStringLiteral("timer1111"));
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, &BurnDialog::tick);
    clock_->start();
    enableBurnControls(*this);
    readCueSheet();
}

// Every caption stands on the row of the value it names, at its left.
namespace {

// The list is filled only once the disc test has answered: without room kept
// from the start, the field would stay as narrow as the empty list and cut
// its widest choice.
void reserveRoomForEveryChoice(QComboBox& combo, const QStringList& choices)
{
    int widest = 0;
    for (const QString& choice : choices)
        widest = std::max(widest, combo.fontMetrics().horizontalAdvance(choice));
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    const QSize contents(widest, combo.fontMetrics().height());
    combo.setMinimumWidth(combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, &combo).width());
}

} // namespace

void BurnDialog::buildControls()
{
    auto* layout = new QGridLayout(this);
    buildCueSheetRow(*layout);
    buildBurnerRow(*layout);
    buildOptionsRow(*layout);
    buildDiscTypeRow(*layout);
    buildLogRows(*layout);
    buildProgressRows(*layout);
    buildButtonRow(*layout);
}

QLabel* BurnDialog::caption(int id, int line)
{
    return named(new QLabel(language_.line(line), this), id);
}

void BurnDialog::buildCueSheetRow(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::CueSheetCaption, 134), 0, 0);
    cuePath_ = named(new QLineEdit(this), burn_ids::CueSheetPath);
    layout.addWidget(cuePath_, 0, 1, 1, 3);
    auto* browseButton = named(new QPushButton(this), burn_ids::BrowseCueSheet);
    browseButton->setToolTip(language_.line(38));
    browseButton->setProperty("iconResource", 117);
    browseButton->setIcon(resourceIcon(117));
    layout.addWidget(browseButton, 0, 4);
    auto* refresh = named(new QPushButton(language_.line(135), this), burn_ids::ReadCueSheet);
    layout.addWidget(refresh, 0, 5);
    connect(browseButton, &QPushButton::clicked, this, &BurnDialog::browse);
    connect(refresh, &QPushButton::clicked, this, &BurnDialog::readCueSheet);
}

void BurnDialog::buildBurnerRow(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::BurnerCaption, 136), 1, 0);
    burner_ = named(new QComboBox(this), burn_ids::Burner);
    layout.addWidget(burner_, 1, 1, 1, 5);
}

void BurnDialog::buildOptionsRow(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::SpeedCaption, 140), 2, 0);
    speed_ = named(new QComboBox(this), burn_ids::Speed);
    reserveRoomForEveryChoice(*speed_, burnSpeedChoices(kUnknownWriteSpeed - 1));
    layout.addWidget(speed_, 2, 1);
    burnProof_ = named(new QCheckBox(language_.line(137), this), burn_ids::BurnProof);
    burnProof_->setChecked(true);
    layout.addWidget(burnProof_, 2, 2, 1, 2);
    testWrite_ = named(new QCheckBox(language_.line(138), this), burn_ids::TestWrite);
    layout.addWidget(testWrite_, 2, 4, 1, 2);
}

// The disc-type marks, each with the name of its type beside it, then the
// mark that says whether the disc can be written.
void BurnDialog::buildDiscTypeRow(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::DiscTypeCaption, 139), 3, 0);
    auto* marks = new QWidget(this);
    marks->setObjectName(QStringLiteral("discMarks"));
    auto* markRow = new QHBoxLayout(marks);
    markRow->setContentsMargins(0, 0, 0, 0);
    const std::pair<int, const char*> types[] = {
        {burn_ids::MarkCd, "CD"},
        {burn_ids::MarkCdR, "CDR"},
        {burn_ids::MarkCdRw, "CDRW"},
        {burn_ids::MarkDvd, "DVD"},
    };
    for (const auto& [id, type] : types) {
        auto* mark = named(new QLabel(marks), id);
        mark->setFixedSize(16, 16);
        markRow->addWidget(mark);
        markRow->addWidget(new QLabel(QString::fromLatin1(type), marks));
        markRow->addSpacing(8);
    }
    markRow->addStretch();
    layout.addWidget(marks, 3, 1, 1, 3);
    layout.addWidget(caption(burn_ids::WritableCaption, 144), 3, 4);
    auto* writable = named(new QLabel(this), burn_ids::WritableMark);
    writable->setFixedSize(16, 16);
    layout.addWidget(writable, 3, 5);
}

void BurnDialog::buildLogRows(QGridLayout& layout)
{
    log_ = named(new QListWidget(this), burn_ids::Log);
    log_->setToolTip(language_.line(132));
    // A reason names a path and a place in the sheet: long rows wrap, never cut.
    log_->setWordWrap(true);
    log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    log_->setResizeMode(QListView::Adjust);
    layout.addWidget(log_, 4, 0, 1, 6);
    status_ = named(new QLabel(this), burn_ids::Status);
    layout.addWidget(status_, 5, 0, 1, 6);
}

void BurnDialog::buildProgressRows(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::ProgressCaption, 141), 6, 0);
    bar_ = named(new QProgressBar(this), burn_ids::ProgressBar);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    layout.addWidget(bar_, 6, 1, 1, 4);
    percent_ = named(new QLabel(QStringLiteral("0 %"), this), burn_ids::Percent);
    layout.addWidget(percent_, 6, 5);

    layout.addWidget(caption(burn_ids::ElapsedCaption, 143), 7, 0);
    elapsed_ = named(new QLabel(QStringLiteral("00:00"), this), burn_ids::Elapsed);
    layout.addWidget(elapsed_, 7, 1);
}

void BurnDialog::buildButtonRow(QGridLayout& layout)
{
    int decoration = 0;
    for (int id : {burn_ids::LeftDecoration, burn_ids::RightDecoration}) {
        auto* icon = named(new QLabel(this), id);
        icon->setProperty("iconResource", 228);
        icon->setPixmap(resourceIcon(228).pixmap(16, 16));
        layout.addWidget(icon, 8, decoration++);
    }
    burn_ = named(new QPushButton(language_.line(142), this), burn_ids::Burn);
    auto* cancel = named(new QPushButton(language_.line(76), this), burn_ids::Cancel);
    auto* close = named(new QPushButton(language_.line(83), this), burn_ids::Close);
    layout.addWidget(burn_, 8, 3);
    layout.addWidget(cancel, 8, 4);
    layout.addWidget(close, 8, 5);
    connect(burn_, &QPushButton::clicked, this, &BurnDialog::burn);
    connect(cancel, &QPushButton::clicked, this, &BurnDialog::cancelBurn);
    connect(close, &QPushButton::clicked, this, &BurnDialog::reject);
}

void BurnDialog::addRow(const QString& text, BurnIcon icon)
{
    auto* item = new QListWidgetItem(resourceIcon(logIconResource(icon)), text, log_);
    item->setData(Qt::UserRole, static_cast<int>(icon));
    log_->scrollToItem(item);
}

void BurnDialog::setMark(int id, int icon)
{
    if (auto* mark = findChild<QLabel*>(QString::number(id))) {
        mark->setProperty("iconResource", icon);
        mark->setPixmap(resourceIcon(icon).pixmap(16, 16));
    }
}

const DriveRecord* BurnDialog::selectedBurner() const
{
    return drives_.at(burner_->currentIndex());
}

void BurnDialog::readCueSheet()
{
    if (busy() || testingDisc())
        return;
    // A re-read of the same cue sheet keeps the speed the user picked.
    keptSpeed_ = cuePath_->text() == readCuePath_ ? speed_->currentText() : QString();
    readCuePath_ = cuePath_->text();
    log_->clear();
    speed_->clear();
    status_->setText(language_.line(116));
    for (int id : {burn_ids::MarkCd, burn_ids::MarkCdR, burn_ids::MarkCdRw, burn_ids::MarkDvd})
        setMark(id, kMarkNotThisType);
    setMark(burn_ids::WritableMark, kMarkNotWritable);
    bar_->setValue(0);
    percent_->setText(QStringLiteral("0 %"));
    elapsed_->setText(QStringLiteral("00:00"));
    loaded_ = false;

    load_ = brenlow::readCueSheet(cuePath_->text());
    switch (load_.error) {
    case CueLoadError::None:
        break;
    case CueLoadError::NoPath:
        addRow(language_.line(117), BurnIcon::Error);
        break;
    case CueLoadError::ImageMissing:
        addRow(load_.imagePath + language_.line(119), BurnIcon::Error);
        break;
    case CueLoadError::ImageEmpty:
        addRow(language_.line(118), BurnIcon::Error);
        break;
    case CueLoadError::NotAudio:
        addRow(language_.line(123), BurnIcon::Error);
        break;
    case CueLoadError::Unreadable:
        break;
    }
    if (load_.ok()) {
        addRow(language_.line(120) + QString::number(load_.sectorCount()) + language_.line(121), BurnIcon::Done);
        status_->setText(language_.line(122) + QString::number(load_.sectorCount()));
        addRow(QString::number(load_.tracks.size()) + language_.line(124), BurnIcon::Done);
        loaded_ = true;
    } else if (load_.error != CueLoadError::NoPath) {
        // The path stays in the field, and the row says what in it is wrong.
        if (const QString why = cueRefusalText(load_, cuePath_->text(), language_); !why.isEmpty())
            addRow(why, BurnIcon::Error);
        addRow(language_.line(125), BurnIcon::Error);
    }
    burn_->setEnabled(false);
    startDiscTest();
}

void BurnDialog::startDiscTest()
{
    const DriveRecord* burner = selectedBurner();
    if (!burner || !transport_) {
        showDiscTest(nullptr);
        return;
    }
    // A drive may take many seconds to answer (or time out): the settings
    // wait, the window does not.
    disableBurnSettings(*this);
    testJob_ = std::make_unique<DiscTestJob>(transport_, burner->address);
    DiscTestJob* job = testJob_.get();
    testWorker_.start([job](const std::atomic<bool>&) { return job->run(); },
                      [this](const DiscTestResult& result) { discTested(result); });
}

void BurnDialog::discTested(const DiscTestResult& result)
{
    testJob_.reset();
    enableBurnControls(*this);
    showDiscTest(&result);
}

void BurnDialog::showDiscTest(const DiscTestResult* result)
{
    const bool burnAfterTest = std::exchange(burnAfterTest_, false);
    if (std::exchange(closeAfterTest_, false)) {
        QDialog::reject();
        return;
    }
    if (!result) { // no burner to test
        addRow(language_.line(127), BurnIcon::Error);
        speed_->addItem(QStringLiteral("Maximum"));
        return;
    }
    if (result->dvd) {
        setMark(burn_ids::MarkDvd, kMarkThisType);
        addRow(language_.line(126), BurnIcon::Error);
        burn_->setEnabled(false);
        return;
    }
    maxWriteSpeed_ = result->maxWriteSpeed;
    speed_->addItems(burnSpeedChoices(maxWriteSpeed_));
    const int kept = keptSpeed_.isEmpty() ? -1 : speed_->findText(keptSpeed_);
    speed_->setCurrentIndex(kept >= 0 ? kept : speed_->count() - 1);

    struct Shown {
        int mark;
        bool writable;
        int line;
    };
    Shown shown{0, false, 127};
    switch (result->state) {
    case scsi::DiscState::NoAnswer:
        shown = {0, false, 127};
        break;
    case scsi::DiscState::BlankCdR:
        shown = {burn_ids::MarkCdR, true, 128};
        break;
    case scsi::DiscState::BlankCdRw:
        shown = {burn_ids::MarkCdRw, true, 129};
        break;
    case scsi::DiscState::WrittenCdR:
        shown = {burn_ids::MarkCd, false, 130};
        break;
    case scsi::DiscState::WrittenCdRw:
        shown = {burn_ids::MarkCdRw, false, 131};
        break;
    }
    if (shown.mark)
        setMark(shown.mark, kMarkThisType);
    setMark(burn_ids::WritableMark, shown.writable ? kMarkWritable : kMarkNotWritable);
    addRow(language_.line(shown.line), shown.writable ? BurnIcon::CanWrite : BurnIcon::Error);
    // An image longer than the blank would only be refused with its cue sheet.
    const bool fits =
        !shown.writable || !loaded_ || !result->capacitySectors || load_.sectorCount() <= *result->capacitySectors;
    if (!fits)
        addRow(imageTooLongText(load_.sectorCount(), *result->capacitySectors, language_), BurnIcon::Error);
    burn_->setEnabled(shown.writable && loaded_ && fits);
    if (burnAfterTest)
        startBurn();
}

void BurnDialog::browse()
{
    quandor::shell::FileDialogRequest request;
    request.filter = QStringLiteral("Cue files (*.cue)");
    const QStringList chosen = quandor::shell::services().openFileNames(this, request, false);
    if (chosen.isEmpty())
        return;
    cuePath_->setText(chosen.front());
    readCueSheet();
}

void BurnDialog::burn()
{
    if (busy() || testingDisc())
        return;
    burnAfterTest_ = true;
    readCueSheet();
}

void BurnDialog::startBurn()
{
    const DriveRecord* burner = selectedBurner();
    if (!burn_->isEnabled() || !burner)
        return;
    BurnSnapshot snapshot;
    snapshot.transport = transport_;
    snapshot.drive = burner->address;
    snapshot.imagePath = load_.imagePath;
    snapshot.imageSize = load_.imageSize;
    snapshot.tracks = load_.tracks;
    snapshot.speedKbs = burnSpeedKbs(speed_->currentText(), maxWriteSpeed_);
    snapshot.burnProof = burnProof_->isChecked();
    snapshot.testWrite = testWrite_->isChecked();
    snapshot.setWriteParameters = setWriteParameters_;

    disableBurnControls(*this);
    burnClock_.start();
    job_ = std::make_unique<BurnJob>(std::move(snapshot));
    connect(
        job_.get(), &BurnJob::row, this, [this](const BurnRow& row) { addRow(rowText(row, language_), row.icon); },
        Qt::QueuedConnection);
    connect(
        job_.get(), &BurnJob::progress, this,
        [this](int sector, int total) {
            status_->setText(language_.line(110) + QStringLiteral("%1 / %2").arg(sector).arg(total));
            const int percent = total > 0 ? int(std::int64_t(sector) * 100 / total) : 0;
            bar_->setValue(percent);
            percent_->setText(QStringLiteral("%1 %").arg(percent));
        },
        Qt::QueuedConnection);
    BurnJob* job = job_.get();
    worker_.start([job](const std::atomic<bool>& stop) { return job->run(stop); },
                  [this](BurnOutcome outcome) { jobEnded(outcome); });
}

void BurnDialog::jobEnded(BurnOutcome outcome)
{
    job_.reset();
    // The clock ticks once a second: the last part second shows only here.
    elapsed_->setText(minutesAndSeconds(burnClock_.elapsed() / 1000));
    enableBurnControls(*this);
    burn_->setEnabled(false); // the disc went; Refresh tests the next one
    emit burnEnded(outcome);
}

void BurnDialog::cancelBurn()
{
    if (!busy())
        return;
    if (quandor::shell::messageBox(this, language_.line(133), QStringLiteral("Brenlow"), MessageButtons::OkCancel,
                                   MessageIcon::Information)
            == MessageResult::Ok
        && busy())
        worker_.requestStop();
}

bool BurnDialog::waitForWorker(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while ((busy() || testingDisc()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !busy() && !testingDisc();
}

void BurnDialog::tick()
{
    if (!busy())
        return;
    // Counted from the start of the burn, not from the ticks, so a late tick
    // never makes the clock fall behind.
    elapsed_->setText(minutesAndSeconds(burnClock_.elapsed() / 1000));
}

void BurnDialog::reject()
{
    // While a burn runs the window stays; its close box asks as Cancel does.
    if (busy()) {
        cancelBurn();
        return;
    }
    if (testingDisc()) {
        closeAfterTest_ = true; // the worker must end before the window goes
        return;
    }
    QDialog::reject();
}

} // namespace brenlow
