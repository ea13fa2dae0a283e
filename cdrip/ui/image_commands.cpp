// The disc-image feature of the main dialog: the disc read into a .bin/.cue
// image (40031), the image burner (40032) and erasing a rewritable disc (40035).
#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/ui/burn_dialog.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/erase_dialog.h"
#include "cdrip/ui/image_progress_dialog.h"
#include "cdrip/ui/main_dialog.h"
#include "cdrip/ui/main_dialog_parts.h"
#include "platform/isoburn/isoburn.h"
#include "platform/shell/services.h"

#include <QAction>

namespace brenlow {

namespace {

using quandor::shell::MessageButtons;
using quandor::shell::MessageIcon;

const QString kTitle = QStringLiteral("Brenlow");

int setParameter(const DriveAddress& drive, std::uint8_t options)
{
    return SetParameter(drive.adapter, drive.target, drive.lun, options, 8, 8);
}

void startDiscImage(MainDialog& dialog)
{
    DriveController* drives = driveController(dialog);
    if (!drives || !drives->transport() || dialog.jobRunning())
        return;
    drives->rereadTableOfContents();
    if (!dialog.letDriveCommandsEnd())
        return;
    const DriveRecord* drive = drives->selectedDrive();
    if (drives->tracks().empty() || !drive) {
        quandor::shell::messageBox(&dialog, QStringLiteral("No Audio CD in the device. Can't process !"),
                                   QStringLiteral("No cd"), MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    // The drive tested is the selected one: its adapter, LUN and target.
    const int verdict = VerifData(drive->address.adapter, drive->address.lun, drive->address.target);
    if (verdict == 1) {
        quandor::shell::messageBox(&dialog, dialog.text(55), kTitle, MessageButtons::Ok, MessageIcon::None);
        return;
    }
    if (verdict != 0)
        return;

    quandor::shell::FileDialogRequest request;
    request.filter = QStringLiteral("Bin/Cue files (*.bin)");
    request.fileName = QStringLiteral("My Audio CD");
    request.defaultSuffix = QStringLiteral("bin");
    const QString chosen = quandor::shell::services().saveFileName(&dialog, request);
    if (chosen.isEmpty() || !dialog.beginJob())
        return;

    DiscImageSnapshot snapshot;
    snapshot.transport = drives->transport();
    snapshot.drive = drive->address;
    snapshot.tracks = drives->tracks();
    snapshot.paths = imagePathsFor(chosen);
    ImageProgressDialog progress(std::move(snapshot), dialog.language(), &dialog);
    dialog.runSecondaryDialog(progress);
    dialog.endJob();
    if (const QString text = discImageFailureText(progress.result(), dialog.language()); !text.isEmpty())
        quandor::shell::messageBox(&dialog, text, kTitle, MessageButtons::Ok, MessageIcon::Warning);
}

void openBurner(MainDialog& dialog)
{
    DriveController* drives = driveController(dialog);
    if (!drives || !dialog.letDriveCommandsEnd())
        return;
    BurnDialog burner(drives->transport(), drives->drives(), dialog.language(), setParameter);
    dialog.hide();
    dialog.runSecondaryDialog(burner);
    dialog.show();
}

void openEraser(MainDialog& dialog)
{
    DriveController* drives = driveController(dialog);
    if (!drives || !dialog.letDriveCommandsEnd())
        return;
    EraseDialog eraser(drives->transport(), drives->drives(), dialog.language(), &dialog);
    dialog.runSecondaryDialog(eraser);
}

} // namespace

void attachImageCommands(MainDialog& dialog)
{
    const auto onCommand = [&dialog](int id, void (*work)(MainDialog&)) {
        if (QAction* action = dialog.command(id))
            QObject::connect(action, &QAction::triggered, &dialog, [&dialog, work] { work(dialog); });
    };
    onCommand(command_ids::DiscImage, startDiscImage);
    onCommand(command_ids::ImageBurner, openBurner);
    onCommand(command_ids::EraseDisc, openEraser);
}

} // namespace brenlow
