#pragma once
// The drive half of the main dialog: the SCSI layer and the drive list, the
// track table and the track list, and the drive commands (eject, titles,
// selection). It owns the program's DriveTable and TrackTable and the drive
// command queue (queue()), which the CD player shares; every drive command
// runs on it, so the window stays responsive while a drive answers.
//
// Other features reach it with driveController(dialog): jobs copy tracks()
// and selectedDrive() and use transport() from their worker; titles and
// progress come back through setTrackTitle() and setTrackProgress().

#include "cdrip/scsi/aspi_layer.h"
#include "cdrip/scsi/drive_table.h"
#include "cdrip/scsi/track_table.h"
#include "cdrip/ui/drive_command_queue.h"
#include "cdrip/ui/drive_view.h"
#include "cdrip/ui/player_drive.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QPoint;
class QTreeWidgetItem;

namespace brenlow {

class DriveController : public QObject, public PlayerDrive {
    Q_OBJECT
public:
    /// Builds the drive feature shown in `view` without loading the layer;
    /// load() does that.
    DriveController(DriveView& view, QObject* parent);
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
    DriveCommandQueue& queue() const { return *queue_; }
    std::optional<DriveTarget> selectedTarget() const override;
    std::vector<DriveTarget> everyTarget() const override;
    int currentTrack() const override { return currentTrack_; }
    void setCurrentTrack(int index) override;
    int focusedRow() const override;

    // --- what other features change -------------------------------------------
    void setTrackTitle(int index, const QString& title);
    void setTrackProgress(int index, int percent);
    /// A job's change of a track's selection (a ripped track is unselected).
    void setTrackSelected(int index, bool selected);
    /// Registers a job feature: how to know that its job runs, and how to stop
    /// it and wait for its worker. Each feature registers once; a job runs
    /// when any of them says so.
    void setJobControl(std::function<bool()> running, std::function<void()> stopAndWait);
    bool jobRunning() const override;

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

signals:
    /// A table of contents was read (or failed: tracks() is empty then).
    void tableOfContentsRead();
    /// The disc view was emptied (the disc's CDDB query goes with it).
    void discCleared();
    /// The disc's titles are about to be left (drive change): save them.
    void leavingDisc();
    /// The user changed a track's title (dialog 113): save the disc's titles.
    void trackTitleEdited(int index);
    /// The disc view is emptied under the player: a track playing stops.
    void playingStopped();
    /// The drive no longer plays for a reason of its own (eject, drive change).
    void playingLost();
    /// Listen (pop-up menu 175): play the focused track.
    void listenRequested();

private:
    void scanDrives();
    void fillDriveList();
    void showTracks();
    void fillRow(QTreeWidgetItem* item, const Track& track) const;
    void redrawRow(int index);
    void redrawRows();
    template <class Work, class Done>
    void onSelectedDrive(Work work, Done done)
    {
        postToDrive(*queue_, selectedTarget(), std::move(work), std::move(done));
    }
    void applyTableOfContents(const TrackTable& tracks, bool ok);
    void emptyTrackView();
    bool refuseWhileJobRuns() const;
    void stopJobAndWait();

    DriveView& view_;
    DriveCommandQueue* queue_;
    std::shared_ptr<AspiLayer> layer_;
    DriveTable drives_;
    TrackTable tracks_;
    int currentTrack_ = -1;
    struct JobControl {
        std::function<bool()> running;
        std::function<void()> stopAndWait;
    };
    std::vector<JobControl> jobs_;
};

/// Where attachDriveCommands loads the layer from: by default the program's
/// own folder and AspiLayer::libraryFileName(). An empty argument restores
/// its default.
void setAspiLayerLocation(const QString& folder, const QString& fileName = QString());

} // namespace brenlow
