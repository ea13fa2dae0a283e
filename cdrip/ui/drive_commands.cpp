// The drive feature of the main dialog: the genre list, the SCSI layer and
// the drive scan, and the commands of the track list and the CD player.
#include "cdrip/scsi/aspi_layer.h"
#include "cdrip/ui/cd_player.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/genre_combo.h"
#include "cdrip/ui/main_dialog.h"
#include "cdrip/ui/main_dialog_parts.h"
#include "platform/shell/services.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

namespace brenlow {
namespace {

struct LayerLocation {
    QString folder;
    QString fileName;
};

LayerLocation& layerLocation()
{
    static LayerLocation location;
    return location;
}

template <class Receiver>
void onButton(MainDialog& dialog, int id, Receiver* receiver, void (Receiver::*command)())
{
    if (QPushButton* button = dialog.button(id))
        QObject::connect(button, &QPushButton::clicked, receiver, command);
}

/// Menu items that reach their buttons go through the button, so the two
/// behave alike (a disabled button ignores the click).
void menuToButton(MainDialog& dialog, int commandId, int buttonId)
{
    QAction* action = dialog.command(commandId);
    QPushButton* button = dialog.button(buttonId);
    if (action && button)
        QObject::connect(action, &QAction::triggered, button, [button] { button->click(); });
}

void onMenu(MainDialog& dialog, int id, DriveController* drives, std::function<void()> work)
{
    if (QAction* action = dialog.command(id))
        QObject::connect(action, &QAction::triggered, drives, std::move(work));
}

/// Button 1047: the output folder ([SAUVEGARDE] Chemin, its default
/// written back when absent), opened in the file manager.
void openOutputFolder(const MainDialog& dialog)
{
    quandor::shell::services().openUrl(dialog.ripperIni().text(ripper_keys::OutputFolder));
}

void connectButtons(MainDialog& dialog, DriveController* drives, CdPlayer* player)
{
    onButton(dialog, main_ids::ReadTableOfContents, drives, &DriveController::rereadTableOfContents);
    onButton(dialog, main_ids::ClearView, drives, &DriveController::clearView);
    onButton(dialog, main_ids::Play, player, &CdPlayer::playFocused);
    onButton(dialog, main_ids::StopPlaying, player, &CdPlayer::stop);
    onButton(dialog, main_ids::PauseResume, player, &CdPlayer::pauseResume);
    onButton(dialog, main_ids::NextTrack, player, &CdPlayer::next);
    onButton(dialog, main_ids::PreviousTrack, player, &CdPlayer::previous);
    onButton(dialog, main_ids::Eject, drives, &DriveController::eject);
    if (QPushButton* unselect = dialog.button(main_ids::UnselectAll))
        QObject::connect(unselect, &QPushButton::clicked, drives, [drives] { drives->selectAll(false); });
    if (QPushButton* select = dialog.button(main_ids::SelectAll))
        QObject::connect(select, &QPushButton::clicked, drives, [drives] { drives->selectAll(true); });
    if (QPushButton* output = dialog.button(main_ids::OutputFolder))
        QObject::connect(output, &QPushButton::clicked, drives, [&dialog] { openOutputFolder(dialog); });
    menuToButton(dialog, command_ids::ReadTableOfContents, main_ids::ReadTableOfContents);
    menuToButton(dialog, command_ids::ClearView, main_ids::ClearView);
    onMenu(dialog, command_ids::SelectAll, drives, [drives] { drives->selectAll(true); });
    onMenu(dialog, command_ids::UnselectAll, drives, [drives] { drives->selectAll(false); });
}

void connectDriveList(MainDialog& dialog, DriveController* drives)
{
    // The start-up selects entry 0 and then reads its disc; only later
    // changes of the selection are drive changes.
    auto shownDrive = std::make_shared<int>(-1);
    QObject::connect(dialog.driveCombo(), &QComboBox::currentIndexChanged, drives, [drives, shownDrive](int index) {
        const int previous = *shownDrive;
        *shownDrive = index;
        if (previous != -1 && index != previous)
            drives->changeDrive();
    });
    dialog.setTableOfContentsReader([&dialog, drives, shownDrive] {
        *shownDrive = dialog.driveCombo()->currentIndex();
        drives->readTableOfContents();
    });
}

void connectTrackList(MainDialog& dialog, DriveController* drives)
{
    QTreeWidget* list = dialog.trackList();
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, drives, [drives] { drives->toggleFocusedSelection(); });
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(list, &QWidget::customContextMenuRequested, drives, [drives, list](const QPoint& at) {
        if (QMenu* menu = drives->trackPopupMenu())
            menu->popup(list->viewport()->mapToGlobal(at));
    });
}

void connectPlayer(MainDialog& dialog, DriveController* drives, CdPlayer* player)
{
    QScrollBar* bar = dialog.positionBar();
    bar->setTracking(false);
    bar->setRange(0, 0);
    QObject::connect(drives, &DriveController::playingStopped, player, &CdPlayer::stopAndForget);
    QObject::connect(drives, &DriveController::playingLost, player, &CdPlayer::forgetPlaying);
    QObject::connect(drives, &DriveController::listenRequested, player, &CdPlayer::playFocused);
    QObject::connect(bar, &QScrollBar::actionTriggered, player, &CdPlayer::seek);
    QObject::connect(bar, &QScrollBar::sliderReleased, player,
                     [player, bar] { player->seekTo(bar->sliderPosition()); });
    QObject::connect(dialog.playerClock(), &QTimer::timeout, player, &CdPlayer::clockTick);
}

void stopPlayerOnClose(MainDialog& dialog, DriveController* drives, CdPlayer* player)
{
    dialog.addCloseStep([drives, player](CloseReason) {
        if (player->isPlaying())
            player->stop();
        drives->waitUntilIdle();
    });
}

} // namespace

void attachDriveCommands(MainDialog& dialog, DriveController& driveController, CdPlayer& player)
{
    fillGenreCombo(*dialog.genreCombo());
    DriveController* drives = &driveController;
    connectButtons(dialog, drives, &player);
    connectDriveList(dialog, drives);
    connectTrackList(dialog, drives);
    connectPlayer(dialog, drives, &player);
    stopPlayerOnClose(dialog, drives, &player);
    const LayerLocation& location = layerLocation();
    drives->load(location.folder.isEmpty() ? QCoreApplication::applicationDirPath() : location.folder,
                 location.fileName.isEmpty() ? AspiLayer::libraryFileName() : location.fileName);
}

void setAspiLayerLocation(const QString& folder, const QString& fileName)
{
    layerLocation() = {folder, fileName};
}

} // namespace brenlow
