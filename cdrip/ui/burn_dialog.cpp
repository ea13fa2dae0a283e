#include "cdrip/ui/burn_dialog.h"

#include "cdrip/scsi/burn_speed.h"
#include "cdrip/scsi/writer_commands.h"
#include "cdrip/ui/burn_controls.h"
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
    case BurnIcon::Error: return 224;
    case BurnIcon::CanWrite: return 223;
    case BurnIcon::Done: return 226;
    case BurnIcon::Stopped: return 227;
    }
    return 224;
}

} // namespace

BurnDialog::BurnDialog(std::shared_ptr<ScsiTransport> transport, DriveTable drives, const LanguageTable& language,
                       SetWriteParameters setWriteParameters, QWidget* parent)
    : QDialog(parent),
      m_transport(std::move(transport)),
      m_drives(std::move(drives)),
      m_language(language),
      m_setWriteParameters(std::move(setWriteParameters))
{
    setObjectName(QStringLiteral("214"));
    setWindowTitle(QStringLiteral("Brenlow"));
    buildControls();
    for (const DriveRecord& drive : m_drives.drives())
        m_burner->addItem(drive.description);
    if (m_burner->count() > 0)
        m_burner->setCurrentIndex(0);
    connect(m_burner, &QComboBox::activated, this, &BurnDialog::readCueSheet);
    m_clock = new QTimer(this);
    m_clock->setObjectName(QStringLiteral("timer1111"));
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &BurnDialog::tick);
    m_clock->start();
    enableBurnControls(*this);
    readCueSheet();
}

// Every caption stands on the row of the value it names, at its left.
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
    return named(new QLabel(m_language.line(line), this), id);
}

void BurnDialog::buildCueSheetRow(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::CueSheetCaption, 134), 0, 0);
    m_cuePath = named(new QLineEdit(this), burn_ids::CueSheetPath);
    layout.addWidget(m_cuePath, 0, 1, 1, 3);
    auto* browseButton = named(new QPushButton(this), burn_ids::BrowseCueSheet);
    browseButton->setToolTip(m_language.line(38));
    browseButton->setProperty("iconResource", 117);
    browseButton->setIcon(resourceIcon(117));
    layout.addWidget(browseButton, 0, 4);
    auto* refresh = named(new QPushButton(m_language.line(135), this), burn_ids::ReadCueSheet);
    layout.addWidget(refresh, 0, 5);
    connect(browseButton, &QPushButton::clicked, this, &BurnDialog::browse);
    connect(refresh, &QPushButton::clicked, this, &BurnDialog::readCueSheet);
}

void BurnDialog::buildBurnerRow(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::BurnerCaption, 136), 1, 0);
    m_burner = named(new QComboBox(this), burn_ids::Burner);
    layout.addWidget(m_burner, 1, 1, 1, 5);
}

void BurnDialog::buildOptionsRow(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::SpeedCaption, 140), 2, 0);
    m_speed = named(new QComboBox(this), burn_ids::Speed);
    layout.addWidget(m_speed, 2, 1);
    m_burnProof = named(new QCheckBox(m_language.line(137), this), burn_ids::BurnProof);
    m_burnProof->setChecked(true);
    layout.addWidget(m_burnProof, 2, 2, 1, 2);
    m_testWrite = named(new QCheckBox(m_language.line(138), this), burn_ids::TestWrite);
    layout.addWidget(m_testWrite, 2, 4, 1, 2);
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
        {burn_ids::MarkCd, "CD"}, {burn_ids::MarkCdR, "CDR"}, {burn_ids::MarkCdRw, "CDRW"}, {burn_ids::MarkDvd, "DVD"},
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
    m_log = named(new QListWidget(this), burn_ids::Log);
    m_log->setToolTip(m_language.line(132));
    layout.addWidget(m_log, 4, 0, 1, 6);
    m_status = named(new QLabel(this), burn_ids::Status);
    layout.addWidget(m_status, 5, 0, 1, 6);
}

void BurnDialog::buildProgressRows(QGridLayout& layout)
{
    layout.addWidget(caption(burn_ids::ProgressCaption, 141), 6, 0);
    m_bar = named(new QProgressBar(this), burn_ids::ProgressBar);
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    layout.addWidget(m_bar, 6, 1, 1, 4);
    m_percent = named(new QLabel(QStringLiteral("0 %"), this), burn_ids::Percent);
    layout.addWidget(m_percent, 6, 5);

    layout.addWidget(caption(burn_ids::ElapsedCaption, 143), 7, 0);
    m_elapsed = named(new QLabel(QStringLiteral("00:00"), this), burn_ids::Elapsed);
    layout.addWidget(m_elapsed, 7, 1);
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
    m_burn = named(new QPushButton(m_language.line(142), this), burn_ids::Burn);
    auto* cancel = named(new QPushButton(m_language.line(76), this), burn_ids::Cancel);
    auto* close = named(new QPushButton(m_language.line(83), this), burn_ids::Close);
    layout.addWidget(m_burn, 8, 3);
    layout.addWidget(cancel, 8, 4);
    layout.addWidget(close, 8, 5);
    connect(m_burn, &QPushButton::clicked, this, &BurnDialog::burn);
    connect(cancel, &QPushButton::clicked, this, &BurnDialog::cancelBurn);
    connect(close, &QPushButton::clicked, this, &BurnDialog::reject);
}

void BurnDialog::addRow(const QString& text, BurnIcon icon)
{
    auto* item = new QListWidgetItem(resourceIcon(logIconResource(icon)), text, m_log);
    item->setData(Qt::UserRole, static_cast<int>(icon));
    m_log->scrollToItem(item);
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
    return m_drives.at(m_burner->currentIndex());
}

void BurnDialog::readCueSheet()
{
    if (busy() || testingDisc())
        return;
    // A re-read of the same cue sheet keeps the speed the user picked.
    m_keptSpeed = m_cuePath->text() == m_readCuePath ? m_speed->currentText() : QString();
    m_readCuePath = m_cuePath->text();
    m_log->clear();
    m_speed->clear();
    m_status->setText(m_language.line(116));
    for (int id : {burn_ids::MarkCd, burn_ids::MarkCdR, burn_ids::MarkCdRw, burn_ids::MarkDvd})
        setMark(id, kMarkNotThisType);
    setMark(burn_ids::WritableMark, kMarkNotWritable);
    m_bar->setValue(0);
    m_percent->setText(QStringLiteral("0 %"));
    m_elapsed->setText(QStringLiteral("00:00"));
    m_loaded = false;

    m_load = brenlow::readCueSheet(m_cuePath->text());
    switch (m_load.error) {
    case CueLoadError::None:
        break;
    case CueLoadError::NoPath:
        addRow(m_language.line(117), BurnIcon::Error);
        break;
    case CueLoadError::ImageMissing:
        addRow(m_load.imagePath + m_language.line(119), BurnIcon::Error);
        break;
    case CueLoadError::ImageEmpty:
        addRow(m_language.line(118), BurnIcon::Error);
        break;
    case CueLoadError::NotAudio:
        addRow(m_language.line(123), BurnIcon::Error);
        break;
    case CueLoadError::Unreadable:
        break;
    }
    if (m_load.ok()) {
        addRow(m_language.line(120) + QString::number(m_load.sectorCount()) + m_language.line(121), BurnIcon::Done);
        m_status->setText(m_language.line(122) + QString::number(m_load.sectorCount()));
        addRow(QString::number(m_load.tracks.size()) + m_language.line(124), BurnIcon::Done);
        m_loaded = true;
    } else if (m_load.error != CueLoadError::NoPath) {
        m_cuePath->clear();
        addRow(m_language.line(125), BurnIcon::Error);
    }
    m_burn->setEnabled(false);
    startDiscTest();
}

void BurnDialog::startDiscTest()
{
    const DriveRecord* burner = selectedBurner();
    if (!burner || !m_transport) {
        showDiscTest(nullptr);
        return;
    }
    // A drive may take many seconds to answer (or time out): the settings
    // wait, the window does not.
    disableBurnSettings(*this);
    m_testJob = std::make_unique<DiscTestJob>(m_transport, burner->address);
    DiscTestJob* job = m_testJob.get();
    m_testWorker.start([job](const std::atomic<bool>&) { return job->run(); },
                       [this](const DiscTestResult& result) { discTested(result); });
}

void BurnDialog::discTested(const DiscTestResult& result)
{
    m_testJob.reset();
    enableBurnControls(*this);
    showDiscTest(&result);
}

void BurnDialog::showDiscTest(const DiscTestResult* result)
{
    const bool burnAfterTest = std::exchange(m_burnAfterTest, false);
    if (std::exchange(m_closeAfterTest, false)) {
        QDialog::reject();
        return;
    }
    if (!result) {   // no burner to test
        addRow(m_language.line(127), BurnIcon::Error);
        m_speed->addItem(QStringLiteral("Maximum"));
        return;
    }
    if (result->dvd) {
        setMark(burn_ids::MarkDvd, kMarkThisType);
        addRow(m_language.line(126), BurnIcon::Error);
        m_burn->setEnabled(false);
        return;
    }
    m_maxWriteSpeed = result->maxWriteSpeed;
    m_speed->addItems(burnSpeedChoices(m_maxWriteSpeed));
    const int kept = m_keptSpeed.isEmpty() ? -1 : m_speed->findText(m_keptSpeed);
    m_speed->setCurrentIndex(kept >= 0 ? kept : m_speed->count() - 1);

    struct Shown {
        int mark;
        bool writable;
        int line;
    };
    Shown shown{0, false, 127};
    switch (result->state) {
    case scsi::DiscState::NoAnswer: shown = {0, false, 127}; break;
    case scsi::DiscState::BlankCdR: shown = {burn_ids::MarkCdR, true, 128}; break;
    case scsi::DiscState::BlankCdRw: shown = {burn_ids::MarkCdRw, true, 129}; break;
    case scsi::DiscState::WrittenCdR: shown = {burn_ids::MarkCd, false, 130}; break;
    case scsi::DiscState::WrittenCdRw: shown = {burn_ids::MarkCdRw, false, 131}; break;
    }
    if (shown.mark)
        setMark(shown.mark, kMarkThisType);
    setMark(burn_ids::WritableMark, shown.writable ? kMarkWritable : kMarkNotWritable);
    addRow(m_language.line(shown.line), shown.writable ? BurnIcon::CanWrite : BurnIcon::Error);
    m_burn->setEnabled(shown.writable && m_loaded);
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
    m_cuePath->setText(chosen.front());
    readCueSheet();
}

void BurnDialog::burn()
{
    if (busy() || testingDisc())
        return;
    m_burnAfterTest = true;
    readCueSheet();
}

void BurnDialog::startBurn()
{
    const DriveRecord* burner = selectedBurner();
    if (!m_burn->isEnabled() || !burner)
        return;
    BurnSnapshot snapshot;
    snapshot.transport = m_transport;
    snapshot.drive = burner->address;
    snapshot.imagePath = m_load.imagePath;
    snapshot.imageSize = m_load.imageSize;
    snapshot.tracks = m_load.tracks;
    snapshot.speedKbs = burnSpeedKbs(m_speed->currentText(), m_maxWriteSpeed);
    snapshot.burnProof = m_burnProof->isChecked();
    snapshot.testWrite = m_testWrite->isChecked();
    snapshot.setWriteParameters = m_setWriteParameters;

    disableBurnControls(*this);
    m_burnClock.start();
    m_job = std::make_unique<BurnJob>(std::move(snapshot));
    connect(m_job.get(), &BurnJob::row, this,
            [this](const BurnRow& row) { addRow(row.prefix + m_language.line(row.line), row.icon); },
            Qt::QueuedConnection);
    connect(m_job.get(), &BurnJob::progress, this,
            [this](int sector, int total) {
                m_status->setText(m_language.line(110) + QStringLiteral("%1 / %2").arg(sector).arg(total));
                const int percent = total > 0 ? int(std::int64_t(sector) * 100 / total) : 0;
                m_bar->setValue(percent);
                m_percent->setText(QStringLiteral("%1 %").arg(percent));
            },
            Qt::QueuedConnection);
    BurnJob* job = m_job.get();
    m_worker.start([job](const std::atomic<bool>& stop) { return job->run(stop); },
                   [this](BurnOutcome outcome) { jobEnded(outcome); });
}

void BurnDialog::jobEnded(BurnOutcome outcome)
{
    m_job.reset();
    // The clock ticks once a second: the last part second shows only here.
    m_elapsed->setText(minutesAndSeconds(m_burnClock.elapsed() / 1000));
    enableBurnControls(*this);
    m_burn->setEnabled(false);   // the disc went; Refresh tests the next one
    emit burnEnded(outcome);
}

void BurnDialog::cancelBurn()
{
    if (!busy())
        return;
    if (quandor::shell::messageBox(this, m_language.line(133), QStringLiteral("Brenlow"), MessageButtons::OkCancel,
                                   MessageIcon::Information) == MessageResult::Ok && busy())
        m_worker.requestStop();
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
    m_elapsed->setText(minutesAndSeconds(m_burnClock.elapsed() / 1000));
}

void BurnDialog::reject()
{
    // While a burn runs the window stays; its close box asks as Cancel does.
    if (busy()) {
        cancelBurn();
        return;
    }
    if (testingDisc()) {
        m_closeAfterTest = true;   // the worker must end before the window goes
        return;
    }
    QDialog::reject();
}

} // namespace brenlow
