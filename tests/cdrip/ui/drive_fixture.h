#pragma once
// A main dialog over emulated drives: each test writes its drives' INI file
// and disc images into its start folder, loads them into the layer (the same
// library the dialog loads from the program folder) and opens the dialog.

#include "shell_fixture.h"

#include "cdrip/ui/main_dialog.h"
#include "platform/aspi/emulated_drives.h"

#include <memory>
#include <vector>

namespace brenlow {
class CdPlayer;
class DriveController;
} // namespace brenlow

namespace brenlow::test {

class DriveTest : public ShellTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Writes "<name>.bin" (zero-filled, `lengths` frames of audio tracks
    /// numbered from `firstTrack`) and its cue sheet; returns the cue's name.
    QString writeAudioDisc(const QString& name, const std::vector<int>& lengths, int firstTrack = 1);
    /// Loads `ini` (the text of the drives' INI file) into the layer.
    void loadDrives(const QString& ini);
    /// One CD-ROM drive at 1:0:0 holding a three-track disc of 18235, 1000 and 500 frames.
    void loadThreeTrackDrive();

    /// Opens the main dialog (modal dialogs are recorded, not run) and waits
    /// for its first table-of-contents read.
    MainDialog& openDialog();
    DriveController& drives();
    CdPlayer& player();
    /// Waits until every drive command sent has been answered.
    void settle();
    /// Runs the event loop for `ms` milliseconds.
    void spin(int ms);

    /// The CDBs sent to `device`, as "A5 00 ..." texts, since the last clear.
    QStringList sentCommands(const quandor::aspi::DeviceAddress& device = {1, 0, 0}) const;
    /// The row texts of the track list: "01-|Track 01|04:03.10|0%".
    QStringList rows() const;
    /// The text of status bar part `part`, as its label shows it.
    QString statusPart(int part) const;
    /// Clicks the banner link (1071) and returns the address it opens (the
    /// maker's page with the SCSI layer's state).
    QString bannerLinkTarget();
    /// Clicks button `id` of the main dialog.
    void click(int id);
    /// Makes row `row` the focused and selected row of the track list.
    void focusRow(int row);

    std::unique_ptr<MainDialog> dialog_;
    QStringList modalDialogs_; ///< object names of the dialogs run modally
};

} // namespace brenlow::test
