// The CDDB feature's wiring: the automatic-lookup setting, the lookup command
// (1501 / 40013), the cache lookup after each table-of-contents read, and the
// user entry saved when a disc is left, a title edited or the dialog closed.
#include "cdrip/ui/cddb_lookup_controller.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/main_dialog.h"
#include "cdrip/ui/main_dialog_parts.h"

#include <QAction>
#include <QPushButton>

namespace brenlow {

void attachCddbCommands(MainDialog& dialog)
{
    // Reads [CDDB] (Auto among them), writing back every absent key.
    dialog.settings().cddb = readCddbSettings(dialog.ripperIni());

    auto* lookup = new CddbLookupController(dialog);
    if (QPushButton* button = dialog.button(main_ids::CddbLookup))
        QObject::connect(button, &QPushButton::clicked, lookup, &CddbLookupController::requestLookup);
    if (QAction* action = dialog.command(command_ids::CddbLookup))
        QObject::connect(action, &QAction::triggered, lookup, &CddbLookupController::requestLookup);

    if (DriveController* drives = driveController(dialog)) {
        QObject::connect(drives, &DriveController::discCleared, lookup, &CddbLookupController::discCleared);
        // A failed read shows no disc: its query goes with it.
        QObject::connect(drives, &DriveController::tableOfContentsRead, lookup, [drives, lookup] {
            if (drives->tracks().empty())
                lookup->discCleared();
        });
        QObject::connect(drives, &DriveController::leavingDisc, lookup, &CddbLookupController::saveEntry);
        QObject::connect(drives, &DriveController::trackTitleEdited, lookup, &CddbLookupController::saveEntry);
    }
    // Quit ends the program without writing the cache; the close box saves.
    dialog.addCloseStep([lookup](CloseReason reason) {
        if (reason == CloseReason::Cancel)
            lookup->saveEntry();
    });
}

void afterTableOfContents(MainDialog& dialog)
{
    if (CddbLookupController* lookup = cddbLookup(dialog))
        lookup->tableOfContentsRead();
}

} // namespace brenlow
