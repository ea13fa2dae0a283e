#pragma once
// The main dialog is the frame; each feature wires its own menu commands,
// buttons and start-up work into it. The dialog calls these while it sets
// itself up, in the order its start-up needs.

namespace brenlow {

class CdPlayer;
class DriveController;
class MainDialog;

/// Drives, table of contents, track list commands and the CD player: wires
/// the two (created by the dialog) to its controls and loads the SCSI layer.
void attachDriveCommands(MainDialog& dialog, DriveController& drives, CdPlayer& player);
/// Rips, encoder settings, the tag editor.
void attachRipCommands(MainDialog& dialog);
/// CDDB lookups and the local cache.
void attachCddbCommands(MainDialog& dialog);
/// Disc images, the image burner, erasing.
void attachImageCommands(MainDialog& dialog);

/// Called after every table-of-contents read (the cache lookup and the automatic query).
void afterTableOfContents(MainDialog& dialog);

} // namespace brenlow
