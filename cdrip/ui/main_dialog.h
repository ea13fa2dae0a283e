#pragma once
// The ripper's main window (dialog 101, menu 109): every control under its id
// as objectName ("1054"), every menu command as a QAction named by its command
// id ("40012"), the three-part status bar and the five-column track list.
//
// The dialog sets itself up in its constructor, in the order the program's
// start-up needs, and lets each feature wire itself in (main_dialog_parts.h):
//   language, menus, labels, [Output] settings, tool tips
//   -> attachRipCommands     (encoder settings: fills settings().compression ...)
//   -> button icons, compression menu checks, status bar, track list
//   -> the drive controller and the CD player, created here (they see the
//      dialog only as their DriveView and PlayerView)
//   -> attachDriveCommands   (genre list, SCSI layer and drive scan)
//   -> attachImageCommands
//   -> attachCddbCommands    (the automatic-lookup setting)
//   -> first-start check, Artist/Album defaults
//   -> (when the drive scan reports) tableOfContentsReader, if the drive list
//      is not empty: entry 0 selected
//
// The dialog itself connects the configuration (1040, 40002), language (40036),
// about (40017), quit (40001), ASPI information (40024), homepage (40025) and the
// banner link (1071). Every other command is left to its feature.
//
// Everything here lives on the window thread. Worker threads never touch the
// dialog: a job copies settings() into its snapshot, the code that starts it
// calls disableMainControls() before the worker runs, and enableMainControls()
// when the worker has reported its end.

#include "cdrip/ui/drive_view.h"
#include "cdrip/ui/language_table.h"
#include "cdrip/ui/player_view.h"
#include "cdrip/ui/ripper_settings.h"

#include <QDialog>
#include <QHash>
#include <QString>
#include <functional>
#include <span>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollBar;
class QTimer;
class QTreeWidget;

namespace brenlow {

class CdPlayer;
class DriveController;
class MainStatusBar;
class TrackListView;

/// Runs a dialog modally and returns its result (QDialog::exec by default;
/// tests install their own).
using ModalRunner = std::function<int(QDialog&)>;

/// Why the main dialog ends: its close box / Escape (command 2) or Quit (40001).
enum class CloseReason { Cancel, Quit };

class MainDialog : public QDialog, public DriveView, public PlayerView {
    Q_OBJECT
public:
    /// Builds and sets up the dialog for the program started in `startFolder`
    /// (Ripper.ini, My Music, the CDDB cache are under it), with its Lang
    /// folder in `programFolder`, the executable's folder.
    MainDialog(QString startFolder, QString programFolder, QWidget* parent = nullptr);
    /// The program started in its own folder: everything is under `startFolder`.
    explicit MainDialog(QString startFolder, QWidget* parent = nullptr);
    ~MainDialog() override;

    // --- program-wide state -------------------------------------------------
    const QString& startFolder() const override { return startFolder_; }
    const QString& programFolder() const { return programFolder_; }
    const RipperIni& ripperIni() const { return ini_; }
    /// The settings read so far (window thread only; jobs copy them).
    RipperSettings& settings() { return settings_; }
    const RipperSettings& settings() const { return settings_; }
    const LanguageTable& language() const override { return language_; }
    /// Language line n (1..300).
    QString text(int line) const override { return language_.line(line); }
    /// The state of the SCSI layer ("ASPI ok." or a short failure text): the
    /// about dialog shows it, the banner link sends it to the maker's page.
    void setAspiStatusText(const QString& text) override { aspiStatusText_ = text; }
    /// "<start folder>/Images/fond.jpg", the picture behind the empty track list.
    QString backgroundImagePath() const;

    // --- controls -----------------------------------------------------------
    /// Any control by its id (nullptr for an unknown id).
    QWidget* control(int id) const;
    QPushButton* button(int id) const;
    /// A menu command by its id (nullptr for an unknown id).
    QAction* command(int id) const;
    QComboBox* driveCombo() const override;   ///< 1054
    QLineEdit* artistField() const override;  ///< 1016
    QLineEdit* albumField() const override;   ///< 1017
    QComboBox* genreCombo() const;            ///< 1021
    QLineEdit* yearField() const override;    ///< 1022
    QScrollBar* positionBar() const override; ///< 1090, the player's position
    QLabel* bannerLink() const;               ///< 1071
    /// The menu bar: File, Action, Edit, Option, Information.
    QMenuBar* menus() const { return menuBar_; }
    /// The owner-drawn track list: columns check box, number, title, length,
    /// progress. It shows the background picture while it has no rows.
    QTreeWidget* trackList() const override;
    /// Timer 1100, the player clock: running every 1000 ms from the start.
    QTimer* playerClock() const { return playerClock_; }

    /// Status bar parts: 0 credit, 1 track count or player state, 2 disc length.
    void setStatusText(int part, const QString& text) override;
    void showPlayState(const QString& text) override;

    /// Puts the icon of resource `iconResource` on button `controlId` (the
    /// number stays readable as the button's "iconResource" property).
    void setButtonIcon(int controlId, int iconResource);
    /// Shows settings().compression: icon 154 (MP3) or 207 (Ogg) on 1502 and
    /// the check on 40033 or 40034.
    void showCompressionChoice();

    // --- enabling rules (window thread) --------------------------------------
    void disableMainControls();
    void enableMainControls();
    /// For a SCSI layer that cannot be used; nothing enables them again.
    void disableAspiControls() override;

    /// Starts a job on the window thread: false when one already runs;
    /// otherwise the main controls are disabled at once, before the caller
    /// starts its worker, so a quick second click finds them off.
    bool beginJob();
    /// The job's end, once its worker has reported it: enables the controls.
    void endJob();
    bool jobRunning() const { return jobRunning_; }
    /// Before a dialog or a job sends commands of its own to a drive, from
    /// another thread: the player stops, and the drive commands the window
    /// has queued (stops, an eject, a table of contents) end first. An eject
    /// still waiting behind a slow drive would otherwise open the tray in
    /// the middle of a burn or a rip. The window keeps painting meanwhile,
    /// its commands off. False when a job runs or the window is closing.
    bool letDriveCommandsEnd();

    static std::span<const int> mainControlIds();
    static std::span<const int> mainMenuIds();
    static std::span<const int> aspiControlIds();
    static std::span<const int> aspiMenuIds();

    // --- secondary dialogs and hooks -----------------------------------------
    /// Runs `dialog` modally with the main dialog disabled, then enables and
    /// activates the main dialog again. (A dialog whose parent is the main
    /// dialog is modal over it and is not disabled with it.)
    int runSecondaryDialog(QDialog& dialog) override;
    void setModalRunner(ModalRunner runner);

    /// What the start-up calls to read the first disc (entry 0 of the drive
    /// list is selected first). Set by the drive feature.
    void setTableOfContentsReader(std::function<void()> reader);
    /// Selects entry 0 of the drive list, if any, and reads its disc: the
    /// start-up's last step, taken when the drive scan reports.
    void readFirstDisc() override;
    /// Runs afterTableOfContents (the cache lookup and the automatic query).
    void tableOfContentsShown() override;
    /// Work to do before the dialog ends (stop the player, wait for a job,
    /// save the disc's titles), in the order added.
    void addCloseStep(std::function<void(CloseReason)> step);

    /// Ends the dialog as Quit does / as the close box does.
    void quit();
    void reject() override;
    void done(int result) override;
    /// Hiding keeps the dialog's modal loop running (a command may hide it
    /// while its own window runs); only done() ends the dialog.
    void setVisible(bool visible) override;

    /// The configuration, language and about dialogs.
    void openConfiguration();
    void openLanguageChoice();
    void openAbout();

private:
    void buildControls();
    void buildMenus();
    void applyCaptions();
    void reserveStatusRoom();
    void applyToolTips();
    void applyButtonIcons();
    void connectOwnCommands();
    void renameAspiInstaller();
    void checkFirstLaunch();
    void runCloseSteps(CloseReason reason);
    void setControlsEnabled(std::span<const int> controls, std::span<const int> menus, bool on);
    QWidget* addControl(QWidget* widget, int id);

    QString startFolder_;
    QString programFolder_;
    bool ending_ = false;
    RipperIni ini_;
    RipperSettings settings_;
    LanguageTable language_;
    QString aspiStatusText_;
    bool aspiDisabled_ = false;
    bool jobRunning_ = false;
    bool closing_ = false;

    QHash<int, QWidget*> controls_;
    QHash<int, QAction*> commands_;
    QMenuBar* menuBar_ = nullptr;
    MainStatusBar* statusBar_ = nullptr;
    TrackListView* trackList_ = nullptr;
    DriveController* drives_ = nullptr;
    CdPlayer* player_ = nullptr;
    QTimer* playerClock_ = nullptr;

    ModalRunner runModal_;
    std::function<void()> readTableOfContents_;
    std::vector<std::function<void(CloseReason)>> closeSteps_;

    friend DriveController* driveController(const MainDialog& dialog);
    friend CdPlayer* cdPlayer(const MainDialog& dialog);
};

/// The drive feature and the CD player of `dialog` (nullptr until the
/// dialog's set-up has created them).
DriveController* driveController(const MainDialog& dialog);
CdPlayer* cdPlayer(const MainDialog& dialog);

} // namespace brenlow
