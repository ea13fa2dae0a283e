#pragma once
// The drive half of the main dialog: the SCSI layer and the drive list, the
// track table and the track list, and the drive commands (eject, titles,
// selection). It owns the program's DriveTable and TrackTable and the CD
// player (player()); every drive command runs on its command queue, so the
// window stays responsive while a drive answers.
//
// Other features reach it with driveController(dialog): jobs copy tracks()
// and selectedDrive() and use transport() from their worker; titles and
// progress come back through setTrackTitle() and setTrackProgress().

#include "cdrip/scsi/aspi_layer.h"
#include "cdrip/scsi/drive_table.h"
#include "cdrip/scsi/track_table.h"
#include "cdrip/ui/drive_command_queue.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QPoint;
class QTreeWidgetItem;

namespace brenlow {

class CdPlayer;
class DriveCommandQueue;
class MainDialog;

class DriveController : public QObject {
    Q_OBJECT
public:
    /// Builds the drive feature of `dialog` (a child of it) without loading
    /// the layer; load() does that.
    explicit DriveController(MainDialog& dialog);
    ~DriveController() override;

    /// LoadAspi: loads the layer from `folder` and starts the scan of the
    /// drives, which fills the drive list and reads the first disc when it
    /// reports; or shows why it cannot (the message box at once, dialog 188
    /// as soon as the event loop runs, the drive controls disabled).
    void load(const QString& folder, const QString& fileName);

    // --- what other features read --------------------------------------------
    const DriveTable& drives() const { return drives_; }
    /// The drive selected in the drive list; nullptr when none.
    const DriveRecord* selectedDrive() const;
    /// The layer, shared with jobs (thread-safe); nullptr when it is not loaded.
    std::shared_ptr<ScsiTransport> transport() const { return layer_; }
    const TrackTable& tracks() const { return tracks_; }
    /// The track last played, focused for editing or stepped to; -1: none.
    int currentTrack() const { return currentTrack_; }
    void setCurrentTrack(int index);
    /// The focused row of the track list; -1: none.
    int focusedRow() const;
    CdPlayer& player() const { return *player_; }

    // --- what other features change -------------------------------------------
    void setTrackTitle(int index, const QString& title);
    void setTrackProgress(int index, int percent);
    /// A job's change of a track's selection (a ripped track is unselected).
    void setTrackSelected(int index, bool selected);
    /// Registers a job feature: how to know that its job runs, and how to stop
    /// it and wait for its worker. Each feature registers once; a job runs
    /// when any of them says so.
    void setJobControl(std::function<bool()> running, std::function<void()> stopAndWait);
    bool jobRunning() const;

    // --- commands -----------------------------------------------------------
    void rereadTableOfContents(); // 1500
    void readTableOfContents();   // the selected drive's, as start-up does
    void clearDiscView();
    void clearView();              // 1045
    void selectAll(bool selected); // 1043 / 1042
    void eject();                  // 1039
    void changeDrive();            // 1054
    void editFocusedTitle();       // 40019
    void toggleFocusedSelection(); // double click
    /// The pop-up menu 175 for the track list; nullptr when it is not to be shown.
    QMenu* trackPopupMenu();

    /// Runs the event loop until every drive command sent has been answered.
    void waitUntilIdle();

    // --- what the player uses ------------------------------------------------
    /// Runs `work` (transport, address) for the selected drive on the command
    /// queue; `done` gets its answer on the window thread. Nothing is sent
    /// when no drive is selected.
    template <class Work, class Done>
    void onSelectedDrive(Work work, Done done);
    /// Sends STOP PLAY/SCAN to every drive of the table.
    void stopEveryDrive();
    void redrawRow(int index);

signals:
    /// A table of contents was read (or failed: tracks() is empty then).
    void tableOfContentsRead();
    /// The disc view was emptied (the disc's CDDB query goes with it).
    void discCleared();
    /// The disc's titles are about to be left (drive change): save them.
    void leavingDisc();
    /// The user changed a track's title (dialog 113): save the disc's titles.
    void trackTitleEdited(int index);

private:
    void scanDrives();
    void fillDriveList();
    void showTracks();
    void fillRow(QTreeWidgetItem* item, const Track& track) const;
    void redrawRows();
    void applyTableOfContents(const TrackTable& tracks, bool ok);
    void emptyTrackView();
    bool refuseWhileJobRuns() const;
    void stopJobAndWait();

    MainDialog& dialog_;
    DriveCommandQueue* queue_;
    std::shared_ptr<AspiLayer> layer_;
    DriveTable drives_;
    TrackTable tracks_;
    int currentTrack_ = -1;
    CdPlayer* player_;
    struct JobControl {
        std::function<bool()> running;
        std::function<void()> stopAndWait;
    };
    std::vector<JobControl> jobs_;
};

template <class Work, class Done>
void DriveController::onSelectedDrive(Work work, Done done)
{
    const DriveRecord* drive = selectedDrive();
    if (!drive || !layer_)
        return; // no drive selected: nothing to send
    using Result = decltype(work(std::declval<ScsiTransport&>(), DriveAddress{}));
    queue_->post<Result>([layer = layer_, address = drive->address, work] { return work(*layer, address); },
                         std::function<void(const Result&)>(done));
}

/// The drive feature of `dialog` (nullptr before attachDriveCommands).
DriveController* driveController(const MainDialog& dialog);

/// Where attachDriveCommands loads the layer from: by default the program's
/// own folder and AspiLayer::libraryFileName(). An empty argument restores
/// its default.
void setAspiLayerLocation(const QString& folder, const QString& fileName = QString());

} // namespace brenlow
