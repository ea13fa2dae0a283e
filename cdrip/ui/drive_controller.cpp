#include "cdrip/ui/drive_controller.h"

#include "cdrip/scsi/drive_control.h"
#include "cdrip/scsi/drive_scan.h"
#include "cdrip/scsi/toc.h"
#include "cdrip/ui/aspi_missing_dialog.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/drive_command_queue.h"
#include "cdrip/ui/language_table.h"
#include "cdrip/ui/message_lines.h"
#include "cdrip/ui/track_row_delegate.h"
#include "cdrip/ui/track_title_dialog.h"
#include "platform/shell/services.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace brenlow {
namespace {

// A drive node the user may not open is told in the user's language.
QString scanMessageText(const AspiMessage& message, const LanguageTable& language)
{
    return message.access ? driveAccessText(*message.access, message_lines::DriveAccess.in(language)) : message.text;
}

// Language lines of the track list, the status bar and the player.
constexpr int kTrackWordLine = 42;
constexpr int kDefaultArtistLine = 43;
constexpr int kLengthLine = 45;
constexpr int kTrackCountLine = 46;
constexpr int kEditTitleLine = 151;
constexpr int kListenLine = 152;
constexpr int kTocUnreadableLine = 202;

constexpr int kEjectWaitMs = 1000;

// A track's length as the list shows it: "mm:ss.ff".
QString lengthText(const Track& track)
{
    return Msf::fromFrames(track.lengthFrames).text();
}

// The disc's length is the time of its lead-out, counted from 00:00:00: the
// two seconds before track 1 are part of it.
QString discLengthText(const TrackTable& tracks)
{
    return tracks.leadOut().msf().text();
}

// A READ TOC that failed because no disc is ready (no disc, an open tray, a
// disc spinning up, a drive that did not answer or cannot be opened), or a
// blank disc, is not a disc that could not be read.
bool saysNoDisc(const TocResult& read)
{
    if (read.error == TocError::BlankDisc)
        return true;
    if (read.error != TocError::CommandFailed)
        return false;
    const std::uint8_t key = read.command.sense.key;
    return key == sense_key::NoSense || key == sense_key::NotReady || key == sense_key::UnitAttention;
}

} // namespace

DriveController::DriveController(DriveView& view, QObject* parent)
    : QObject(parent),
      view_(view),
      queue_(new DriveCommandQueue(this))
{
    setObjectName(QStringLiteral("driveController"));
    view_.trackList()->setItemDelegate(new TrackRowDelegate(view_.trackList()));
}

DriveController::~DriveController()
{
    // Waits for the drive command running now; answers not yet delivered
    // are dropped with the queue, before the state they would touch goes.
    delete queue_;
}

// --- the layer and the drive list -------------------------------------------

void DriveController::load(const QString& folder, const QString& fileName)
{
    AspiLayer::LoadResult loaded = AspiLayer::load(folder, fileName);
    if (!loaded.layer) {
        const AspiLoadTexts texts = aspiLoadTexts(loaded.failure);
        quandor::shell::messageBox(nullptr, texts.message.text, texts.message.title, quandor::shell::MessageButtons::Ok,
                                   quandor::shell::MessageIcon::Critical);
        view_.disableAspiControls();
        view_.setAspiStatusText(texts.shortText);
        // Once the main dialog is set up: the program goes on without drives.
        QTimer::singleShot(0, this, [this] {
            AspiMissingDialog missing;
            view_.runSecondaryDialog(missing);
        });
        return;
    }
    layer_ = std::move(loaded.layer);
    view_.setAspiStatusText(aspiOkText());
    scanDrives();
}

void DriveController::scanDrives()
{
    // The scan asks every drive, and a drive may take its whole time-out to
    // answer: it runs on the command queue like every other drive command, and
    // the window shows at once, its drive list filled when the scan reports.
    queue_->post<DriveScan>([layer = layer_] { return aspiScanDevices(*layer); },
                            [this](const DriveScan& scan) {
                                for (const AspiMessage& message : scan.messages)
                                    quandor::shell::messageBox(nullptr, scanMessageText(message, view_.language()),
                                                               message.title, quandor::shell::MessageButtons::Ok,
                                                               quandor::shell::MessageIcon::Critical);
                                drives_ = scan.drives;
                                fillDriveList();
                                view_.readFirstDisc();
                            });
}

void DriveController::fillDriveList()
{
    QComboBox* combo = view_.driveCombo();
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const DriveRecord& drive : drives_.drives())
        combo->addItem(drive.description);
    combo->setCurrentIndex(-1);
}

const DriveRecord* DriveController::selectedDrive() const
{
    return drives_.at(view_.driveCombo()->currentIndex());
}

std::optional<DriveTarget> DriveController::selectedTarget() const
{
    const DriveRecord* drive = selectedDrive();
    if (!drive || !layer_)
        return std::nullopt;
    return DriveTarget{layer_, drive->address};
}

std::vector<DriveTarget> DriveController::everyTarget() const
{
    std::vector<DriveTarget> targets;
    if (!layer_)
        return targets;
    for (const DriveRecord& drive : drives_.drives())
        targets.push_back({layer_, drive.address});
    return targets;
}

void DriveController::waitUntilIdle()
{
    queue_->waitUntilIdle();
}

// --- jobs -----------------------------------------------------------------

void DriveController::setJobControl(std::function<bool()> running, std::function<void()> stopAndWait)
{
    jobs_.push_back({std::move(running), std::move(stopAndWait)});
}

bool DriveController::jobRunning() const
{
    return std::any_of(jobs_.begin(), jobs_.end(), [](const JobControl& job) { return job.running(); });
}

bool DriveController::refuseWhileJobRuns() const
{
    return jobRunning();
}

void DriveController::stopJobAndWait()
{
    for (const JobControl& job : jobs_) {
        if (job.running())
            job.stopAndWait();
    }
}

// --- the table of contents and the track list -----------------------------------

void DriveController::readTableOfContents()
{
    currentTrack_ = -1;
    const QString trackWord = view_.text(kTrackWordLine);
    onSelectedDrive(
        [trackWord](ScsiTransport& transport, const DriveAddress& address) {
            return brenlow::readTableOfContents(transport, address, trackWord);
        },
        [this](const TocResult& read) {
            applyTableOfContents(read.table, read.ok());
            // No disc says nothing; a disc whose table the drive refuses, or
            // an answer that cannot be a disc, is named.
            if (!read.ok() && !saysNoDisc(read))
                quandor::shell::messageBox(
                    view_.trackList()->window(),
                    view_.language().text(kTocUnreadableLine,
                                          QStringLiteral("The table of contents of the disc could not be read.")),
                    QStringLiteral("Brenlow"), quandor::shell::MessageButtons::Ok,
                    quandor::shell::MessageIcon::Warning);
        });
}

void DriveController::applyTableOfContents(const TrackTable& tracks, bool ok)
{
    tracks_ = ok ? tracks : TrackTable{};
    if (ok) {
        showTracks();
        view_.setStatusText(2, view_.text(kLengthLine) + discLengthText(tracks_));
        view_.artistField()->setText(view_.text(kDefaultArtistLine));
        view_.albumField()->setText(view_.text(kDefaultArtistLine));
        view_.tableOfContentsShown();
    }
    emit tableOfContentsRead();
}

void DriveController::showTracks()
{
    QTreeWidget* list = view_.trackList();
    list->clear();
    for (const Track& track : tracks_.tracks()) {
        auto* item = new QTreeWidgetItem(list);
        fillRow(item, track);
    }
    view_.setStatusText(1, QString::number(tracks_.count()) + view_.text(kTrackCountLine));
}

void DriveController::fillRow(QTreeWidgetItem* item, const Track& track) const
{
    item->setData(TrackRowDelegate::CheckColumn, TrackRowDelegate::SelectedRole, track.selected);
    item->setText(TrackRowDelegate::NumberColumn, QStringLiteral("%1-").arg(track.number, 2, 10, QLatin1Char('0')));
    item->setText(TrackRowDelegate::TitleColumn, track.title);
    item->setText(TrackRowDelegate::LengthColumn, lengthText(track));
    item->setData(TrackRowDelegate::ProgressColumn, TrackRowDelegate::ProgressRole, track.progress);
    item->setText(TrackRowDelegate::ProgressColumn, TrackRowDelegate::progressText(track.progress));
}

void DriveController::redrawRow(int index)
{
    QTreeWidgetItem* item = view_.trackList()->topLevelItem(index);
    if (const Track* track = tracks_.at(index); item && track)
        fillRow(item, *track);
}

void DriveController::redrawRows()
{
    for (int i = 0; i < tracks_.count(); ++i)
        redrawRow(i);
}

void DriveController::emptyTrackView()
{
    view_.trackList()->clear(); // the background picture shows again
    view_.artistField()->clear();
    view_.albumField()->clear();
    view_.yearField()->clear();
}

void DriveController::clearDiscView()
{
    emit discCleared();
    QFile::remove(QDir(view_.startFolder()).filePath(QStringLiteral("request.txt")));
    emptyTrackView();
    view_.setStatusText(2, QStringLiteral("Length : "));
    currentTrack_ = -1;
    tracks_.clear();
}

void DriveController::rereadTableOfContents()
{
    if (refuseWhileJobRuns())
        return;
    QFile::remove(QDir(view_.startFolder()).filePath(QStringLiteral("request.txt")));
    emptyTrackView();
    view_.setStatusText(2, view_.text(kLengthLine));
    view_.setStatusText(1, QString());
    emit playingStopped();
    tracks_.clear();
    readTableOfContents();
}

void DriveController::clearView()
{
    if (refuseWhileJobRuns())
        return;
    clearDiscView();
    view_.setStatusText(1, QString());
    emit playingStopped();
}

void DriveController::changeDrive()
{
    if (refuseWhileJobRuns())
        return;
    emit leavingDisc();
    stopEveryDrive(*queue_, everyTarget());
    emit playingLost();
    clearDiscView();
    view_.setStatusText(1, QString()); // the track count was the other disc's
    view_.setStatusText(2, view_.text(kLengthLine));
    readTableOfContents();
}

void DriveController::selectAll(bool selected)
{
    if (refuseWhileJobRuns())
        return;
    tracks_.selectAll(selected);
    redrawRows();
}

void DriveController::setTrackTitle(int index, const QString& title)
{
    if (Track* track = tracks_.at(index)) {
        track->title = title;
        redrawRow(index);
    }
}

void DriveController::setTrackProgress(int index, int percent)
{
    if (Track* track = tracks_.at(index)) {
        track->progress = percent;
        redrawRow(index);
    }
}

void DriveController::setTrackSelected(int index, bool selected)
{
    if (Track* track = tracks_.at(index)) {
        track->selected = selected ? 1 : 0;
        redrawRow(index);
    }
}

void DriveController::setCurrentTrack(int index)
{
    currentTrack_ = index;
}

int DriveController::focusedRow() const
{
    QTreeWidget* list = view_.trackList();
    QTreeWidgetItem* item = list->currentItem();
    return item ? list->indexOfTopLevelItem(item) : -1;
}

void DriveController::toggleFocusedSelection()
{
    if (refuseWhileJobRuns())
        return;
    const int row = focusedRow();
    Track* track = tracks_.at(row);
    if (!track || !view_.trackList()->topLevelItem(row)->isSelected())
        return;
    track->selected = track->selected == 1 ? 0 : 1;
    redrawRow(row);
}

void DriveController::editFocusedTitle()
{
    if (refuseWhileJobRuns())
        return;
    currentTrack_ = focusedRow();
    const Track* track = tracks_.at(currentTrack_);
    if (!track)
        return;
    const int index = currentTrack_;
    TrackTitleDialog edit(view_.language(), track->title);
    if (view_.runSecondaryDialog(edit) != QDialog::Accepted || !tracks_.at(index))
        return;
    setTrackTitle(index, edit.title());
    emit trackTitleEdited(index);
}

QMenu* DriveController::trackPopupMenu()
{
    if (refuseWhileJobRuns() || !view_.trackList()->hasFocus())
        return nullptr;
    auto* menu = new QMenu(view_.trackList()->window());
    menu->setObjectName(QStringLiteral("175"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* edit = menu->addAction(view_.text(kEditTitleLine), this, &DriveController::editFocusedTitle);
    edit->setObjectName(QString::number(command_ids::EditTrackTitle));
    menu->setDefaultAction(edit);
    QAction* listen = menu->addAction(view_.text(kListenLine), this, &DriveController::listenRequested);
    listen->setObjectName(QString::number(command_ids::ListenToTrack));
    return menu;
}

// --- the disc in the drive -----------------------------------------------------

void DriveController::eject()
{
    // Eject stays usable while a job runs: the job is stopped first.
    stopJobAndWait();
    onSelectedDrive([](ScsiTransport& transport, const DriveAddress& address) { return ejectDisc(transport, address); },
                    [this](const ScsiResult&) {
                        // Give the tray time to open, without holding up the window.
                        QTimer::singleShot(kEjectWaitMs, this, [this] {
                            emit playingLost();
                            view_.setStatusText(1, QString());
                            clearDiscView();
                        });
                    });
}

} // namespace brenlow
