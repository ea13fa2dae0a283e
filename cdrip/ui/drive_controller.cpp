#include "cdrip/ui/drive_controller.h"

#include "cdrip/scsi/drive_control.h"
#include "cdrip/scsi/drive_scan.h"
#include "cdrip/scsi/toc.h"
#include "cdrip/ui/aspi_missing_dialog.h"
#include "cdrip/ui/cd_player.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/drive_command_queue.h"
#include "cdrip/ui/main_dialog.h"
#include "cdrip/ui/main_dialog_parts.h"
#include "cdrip/ui/track_row_delegate.h"
#include "cdrip/ui/track_title_dialog.h"
#include "platform/shell/services.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace brenlow {
namespace {

// Language lines of the track list, the status bar and the player.
constexpr int kTrackWordLine = 42;
constexpr int kDefaultArtistLine = 43;
constexpr int kLengthLine = 45;
constexpr int kTrackCountLine = 46;
constexpr int kEditTitleLine = 151;
constexpr int kListenLine = 152;
constexpr int kTocUnreadableLine = 202;

constexpr int kEjectWaitMs = 1000;

const char* const kControllerName = "driveController";

} // namespace

DriveController::DriveController(MainDialog& dialog)
    : QObject(&dialog),
      dialog_(dialog),
      queue_(new DriveCommandQueue(this)),
      player_(new CdPlayer(dialog, *this))
{
    setObjectName(QString::fromLatin1(kControllerName));
    dialog_.trackList()->setItemDelegate(new TrackRowDelegate(dialog_.trackList()));
}

DriveController::~DriveController()
{
    // Waits for the drive command running now; answers not yet delivered
    // are dropped with the queue, before the state they would touch goes.
    delete queue_;
}

DriveController* driveController(const MainDialog& dialog)
{
    return dialog.findChild<DriveController*>(QString::fromLatin1(kControllerName), Qt::FindDirectChildrenOnly);
}

// --- the layer and the drive list -------------------------------------------

void DriveController::load(const QString& folder, const QString& fileName)
{
    AspiLayer::LoadResult loaded = AspiLayer::load(folder, fileName);
    if (!loaded.layer) {
        const AspiLoadTexts texts = aspiLoadTexts(loaded.failure);
        quandor::shell::messageBox(nullptr, texts.message.text, texts.message.title, quandor::shell::MessageButtons::Ok,
                                   quandor::shell::MessageIcon::Critical);
        dialog_.disableAspiControls();
        dialog_.setAspiStatusText(texts.shortText);
        // Once the main dialog is set up: the program goes on without drives.
        QTimer::singleShot(0, this, [this] {
            AspiMissingDialog missing;
            dialog_.runSecondaryDialog(missing);
        });
        return;
    }
    layer_ = std::move(loaded.layer);
    dialog_.setAspiStatusText(aspiOkText());
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
                                    quandor::shell::messageBox(nullptr, message.text, message.title,
                                                               quandor::shell::MessageButtons::Ok,
                                                               quandor::shell::MessageIcon::Critical);
                                drives_ = scan.drives;
                                fillDriveList();
                                dialog_.readFirstDisc();
                            });
}

void DriveController::fillDriveList()
{
    QComboBox* combo = dialog_.driveCombo();
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const DriveRecord& drive : drives_.drives())
        combo->addItem(drive.description);
    combo->setCurrentIndex(-1);
}

const DriveRecord* DriveController::selectedDrive() const
{
    return drives_.at(dialog_.driveCombo()->currentIndex());
}

void DriveController::stopEveryDrive()
{
    if (!layer_)
        return;
    for (const DriveRecord& drive : drives_.drives())
        queue_->post<ScsiResult>([layer = layer_, address = drive.address] { return stopPlay(*layer, address); },
                                 [](const ScsiResult&) {});
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
    const QString trackWord = dialog_.text(kTrackWordLine);
    onSelectedDrive(
        [trackWord](ScsiTransport& transport, const DriveAddress& address) {
            return brenlow::readTableOfContents(transport, address, trackWord);
        },
        [this](const TocResult& read) {
            applyTableOfContents(read.table, read.ok());
            // No disc says nothing; an answer that cannot be a disc is named.
            if (!read.ok() && read.error != TocError::CommandFailed)
                quandor::shell::messageBox(
                    &dialog_,
                    dialog_.language().text(kTocUnreadableLine,
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
        dialog_.setStatusText(2, dialog_.text(kLengthLine) + tracks_.discLengthText());
        dialog_.artistField()->setText(dialog_.text(kDefaultArtistLine));
        dialog_.albumField()->setText(dialog_.text(kDefaultArtistLine));
        afterTableOfContents(dialog_);
    }
    emit tableOfContentsRead();
}

void DriveController::showTracks()
{
    QTreeWidget* list = dialog_.trackList();
    list->clear();
    for (const Track& track : tracks_.tracks()) {
        auto* item = new QTreeWidgetItem(list);
        fillRow(item, track);
    }
    dialog_.setStatusText(1, QString::number(tracks_.count()) + dialog_.text(kTrackCountLine));
}

void DriveController::fillRow(QTreeWidgetItem* item, const Track& track) const
{
    item->setData(TrackRowDelegate::CheckColumn, TrackRowDelegate::SelectedRole, track.selected);
    item->setText(TrackRowDelegate::NumberColumn, QStringLiteral("%1-").arg(track.number, 2, 10, QLatin1Char('0')));
    item->setText(TrackRowDelegate::TitleColumn, track.title);
    item->setText(TrackRowDelegate::LengthColumn, track.lengthText);
    item->setData(TrackRowDelegate::ProgressColumn, TrackRowDelegate::ProgressRole, track.progress);
    item->setText(TrackRowDelegate::ProgressColumn, TrackRowDelegate::progressText(track.progress));
}

void DriveController::redrawRow(int index)
{
    QTreeWidgetItem* item = dialog_.trackList()->topLevelItem(index);
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
    dialog_.trackList()->clear(); // the background picture shows again
    dialog_.artistField()->clear();
    dialog_.albumField()->clear();
    dialog_.yearField()->clear();
}

void DriveController::clearDiscView()
{
    emit discCleared();
    QFile::remove(QDir(dialog_.startFolder()).filePath(QStringLiteral("request.txt")));
    emptyTrackView();
    dialog_.setStatusText(2, QStringLiteral("Length : "));
    currentTrack_ = -1;
    tracks_.clear();
}

void DriveController::rereadTableOfContents()
{
    if (refuseWhileJobRuns())
        return;
    QFile::remove(QDir(dialog_.startFolder()).filePath(QStringLiteral("request.txt")));
    emptyTrackView();
    dialog_.setStatusText(2, dialog_.text(kLengthLine));
    dialog_.setStatusText(1, QString());
    if (player_->isPlaying()) {
        player_->stop();
        player_->forgetPlaying();
    }
    tracks_.clear();
    readTableOfContents();
}

void DriveController::clearView()
{
    if (refuseWhileJobRuns())
        return;
    clearDiscView();
    dialog_.setStatusText(1, QString());
    if (player_->isPlaying()) {
        player_->stop();
        player_->forgetPlaying();
    }
}

void DriveController::changeDrive()
{
    if (refuseWhileJobRuns())
        return;
    emit leavingDisc();
    stopEveryDrive();
    player_->forgetPlaying();
    dialog_.positionBar()->setRange(0, 0);
    clearDiscView();
    dialog_.setStatusText(2, dialog_.text(kLengthLine));
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
    QTreeWidget* list = dialog_.trackList();
    QTreeWidgetItem* item = list->currentItem();
    return item ? list->indexOfTopLevelItem(item) : -1;
}

void DriveController::toggleFocusedSelection()
{
    if (refuseWhileJobRuns())
        return;
    const int row = focusedRow();
    Track* track = tracks_.at(row);
    if (!track || !dialog_.trackList()->topLevelItem(row)->isSelected())
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
    TrackTitleDialog edit(dialog_.language(), track->title);
    if (dialog_.runSecondaryDialog(edit) != QDialog::Accepted || !tracks_.at(index))
        return;
    setTrackTitle(index, edit.title());
    emit trackTitleEdited(index);
}

QMenu* DriveController::trackPopupMenu()
{
    if (refuseWhileJobRuns() || !dialog_.trackList()->hasFocus())
        return nullptr;
    auto* menu = new QMenu(&dialog_);
    menu->setObjectName(QStringLiteral("175"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* edit = menu->addAction(dialog_.text(kEditTitleLine), this, &DriveController::editFocusedTitle);
    edit->setObjectName(QString::number(command_ids::EditTrackTitle));
    menu->setDefaultAction(edit);
    QAction* listen = menu->addAction(dialog_.text(kListenLine), player_, &CdPlayer::playFocused);
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
                            player_->forgetPlaying();
                            dialog_.setStatusText(1, QString());
                            clearDiscView();
                        });
                    });
}

} // namespace brenlow
