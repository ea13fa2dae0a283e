// The rip feature: commands, buttons and the dialogs of the encoder settings
// and the tag editor, wired into the main dialog.
#include "cdrip/ui/rip_commands.h"

#include "cdrip/encode/lame_library.h"
#include "cdrip/encode/rip_runner.h"
#include "cdrip/encode/scsi_sector_reader.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/encoder_settings_dialog.h"
#include "cdrip/ui/main_dialog.h"
#include "cdrip/ui/main_dialog_parts.h"
#include "cdrip/ui/message_lines.h"
#include "cdrip/ui/tag_editor_dialog.h"
#include "platform/shell/services.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace brenlow {
namespace {

using quandor::shell::MessageButtons;
using quandor::shell::MessageIcon;
using quandor::shell::MessageResult;

QString& lameFolder()
{
    static QString folder;
    return folder;
}

QStringList& tagEditorRoots()
{
    static QStringList roots;
    return roots;
}

const QString kTitle = QStringLiteral("Brenlow");
/// Says a file kept after a read error holds only part of its track.
constexpr int kPartialTrackLine = 205;

} // namespace

void setLameLibraryFolder(const QString& folder)
{
    lameFolder() = folder;
}
void setTagEditorRoots(const QStringList& roots)
{
    tagEditorRoots() = roots;
}

RipCommands* ripCommands(const MainDialog& dialog)
{
    return dialog.findChild<RipCommands*>(QString(), Qt::FindDirectChildrenOnly);
}

RipCommands::RipCommands(MainDialog& dialog) : QObject(&dialog), dialog_(dialog), runner_(new RipRunner(this))
{
    runner_->setStopQuestion([this] {
        return quandor::shell::messageBox(&dialog_, dialog_.text(59), kTitle, MessageButtons::OkCancel,
                                          MessageIcon::Information)
            == MessageResult::Ok;
    });
    connect(runner_, &RipRunner::trackProgress, this, [this](int index, int percent) {
        if (DriveController* drives = driveController(dialog_))
            drives->setTrackProgress(index, percent);
    });
    connect(runner_, &RipRunner::trackFinished, this, [this](int index) {
        if (DriveController* drives = driveController(dialog_))
            drives->setTrackSelected(index, false);
    });
    connect(runner_, &RipRunner::problem, this, &RipCommands::report);
    connect(runner_, &RipRunner::finished, this, &RipCommands::finish);
}

RipCommands::~RipCommands() = default;

bool RipCommands::running() const
{
    return runner_->isRunning();
}

void RipCommands::waitUntilDone()
{
    runner_->wait();
}

void RipCommands::rip(bool compressed)
{
    DriveController* drives = driveController(dialog_);
    if (runner_->isRunning() || !drives)
        return;
    // The selection is checked once the window's own drive commands have
    // ended: a table of contents still being read may change it.
    if (!dialog_.letDriveCommandsEnd() || runner_->isRunning())
        return;
    if (!drives->tracks().anyAudioSelected()) {
        quandor::shell::messageBox(&dialog_, dialog_.text(48), dialog_.text(49), MessageButtons::Ok,
                                   MessageIcon::Warning);
        return;
    }
    if (!compressed) {
        startJob(RipFormat::Wav);
        return;
    }
    startJob(dialog_.settings().compressionIsMp3() ? RipFormat::Mp3 : RipFormat::Ogg);
}

void RipCommands::startJob(RipFormat format)
{
    DriveController* drives = driveController(dialog_);
    const DriveRecord* drive = drives->selectedDrive();
    if (!drive || !drives->transport()) {
        quandor::shell::messageBox(&dialog_, message_lines::NoDriveSelected.in(dialog_.language()), kTitle,
                                   MessageButtons::Ok, MessageIcon::Warning);
        return;
    }

    RipJob job;
    job.format = format;
    job.drive = std::make_shared<ScsiSectorReader>(drives->transport(), drive->address);
    for (int i = 0; i < drives->tracks().count(); ++i) {
        const Track& t = *drives->tracks().at(i);
        if (t.selected != 1)
            continue;
        RipTrack track;
        track.index = i;
        track.number = t.number > 0 ? t.number : i + 1;
        track.title = t.title;
        track.start = t.start;
        track.lengthSectors = t.lengthFrames;
        track.audio = !t.dataTrack();
        job.tracks.append(track);
    }
    const RipperSettings& settings = dialog_.settings();
    job.naming.outputFolder = dialog_.ripperIni().text(ripper_keys::OutputFolder);
    job.naming.artistAlbumFolders = settings.output.saveInArtistAlbum;
    job.naming.pattern = settings.output.fileNamePattern;
    job.naming.artist = dialog_.artistField()->text();
    job.naming.album = dialog_.albumField()->text();
    job.naming.year = dialog_.yearField()->text();
    job.genre = dialog_.genreCombo()->currentIndex() < 0 ? QString() : dialog_.genreCombo()->currentText();
    // The settings of Ripper.ini at this moment, as the settings dialog stored them.
    job.encoder = LoadMp3Settings(dialog_.ripperIni().file());
    const QString folder = lameFolder().isEmpty() ? QCoreApplication::applicationDirPath() : lameFolder();
    job.lameLibraryPath = lameLibraryPath(folder);

    dialog_.disableMainControls();
    runner_->start(std::move(job));
}

void RipCommands::stop()
{
    runner_->requestStop();
}

void RipCommands::report(const RipReport& r)
{
    QString text;
    MessageIcon icon = MessageIcon::Critical;
    switch (r.problem) {
    case RipProblem::LameNotLoaded:
        text = dialog_.text(56);
        icon = MessageIcon::Information;
        break;
    case RipProblem::LameEntryMissing:
        text = dialog_.text(57);
        icon = MessageIcon::Information;
        break;
    case RipProblem::LameRefused:
        text = dialog_.text(58);
        icon = MessageIcon::Information;
        break;
    case RipProblem::ReadFailed:
        text = dialog_.text(60);
        if (!r.path.isEmpty())
            // The file is kept, as it is: the user must not take it for the whole track.
            text += QLatin1Char('\n')
                + dialog_.language()
                      .text(kPartialTrackLine,
                            QStringLiteral("Track %1 was read only in part: %2 holds only the part "
                                           "of the track read before the error."))
                      .arg(r.trackNumber)
                      .arg(r.path);
        break;
    case RipProblem::VorbisRefused:
        text = message_lines::OggEncoderRefused.in(dialog_.language());
        icon = MessageIcon::Information;
        break;
    case RipProblem::FolderFailed:
        text = withPathAndReason(message_lines::FolderNotCreated, dialog_.language(), r.path, r.reason);
        break;
    case RipProblem::CreateFailed:
        text = withPathAndReason(message_lines::FileNotCreated, dialog_.language(), r.path, r.reason);
        break;
    case RipProblem::WriteFailed:
        text = withPathAndReason(message_lines::FileNotWritten, dialog_.language(), r.path, r.reason);
        break;
    case RipProblem::TagFailed:
        text = withPathAndReason(message_lines::TagNotWritten, dialog_.language(), r.path, r.reason);
        break;
    }
    quandor::shell::messageBox(&dialog_, text, kTitle, MessageButtons::Ok, icon);
}

void RipCommands::finish()
{
    dialog_.enableMainControls();
}

void RipCommands::openEncoderSettings()
{
    EncoderSettingsDialog settings(dialog_.ripperIni().file(), dialog_.text(63), dialog_.text(51), &dialog_);
    if (dialog_.runSecondaryDialog(settings) == QDialog::Accepted)
        dialog_.settings().compression = settings.settings().compression;
    dialog_.showCompressionChoice();
}

void RipCommands::chooseCompression(bool mp3)
{
    const QString choice = mp3 ? QStringLiteral("MP3") : QStringLiteral("OGG");
    saveCompressionChoice(dialog_.ripperIni().file(), choice);
    dialog_.settings().compression = choice;
    dialog_.showCompressionChoice();
}

void RipCommands::openTagEditor()
{
    TagEditorDialog editor(dialog_.language(), tagEditorRoots());
    dialog_.runSecondaryDialog(editor);
}

void attachRipCommands(MainDialog& dialog)
{
    CreateMusicFolders(dialog.startFolder());
    dialog.settings().compression = LoadMp3Settings(dialog.ripperIni().file()).compression;

    auto* commands = new RipCommands(dialog);
    const auto onCommand = [&dialog, commands](int buttonId, int menuId, auto work) {
        if (QPushButton* button = buttonId ? dialog.button(buttonId) : nullptr)
            QObject::connect(button, &QPushButton::clicked, commands, work);
        if (QAction* action = menuId ? dialog.command(menuId) : nullptr)
            QObject::connect(action, &QAction::triggered, commands, work);
    };
    onCommand(main_ids::RipCompressed, command_ids::RipCompressed, [commands] { commands->rip(true); });
    onCommand(main_ids::RipWav, command_ids::RipWav, [commands] { commands->rip(false); });
    onCommand(main_ids::StopRip, 0, [commands] { commands->stop(); });
    onCommand(main_ids::EncoderSettings, command_ids::EncoderSettings, [commands] { commands->openEncoderSettings(); });
    onCommand(0, command_ids::CompressToMp3, [commands] { commands->chooseCompression(true); });
    onCommand(0, command_ids::CompressToOgg, [commands] { commands->chooseCompression(false); });
    onCommand(0, command_ids::TagEditor, [commands] { commands->openTagEditor(); });

    dialog.addCloseStep([commands](CloseReason) {
        commands->runner().cancel();
        commands->waitUntilDone();
    });
    // The drive feature is attached after this one: tell it about the rip
    // once the dialog is up, so it can refuse or stop while a rip runs.
    QTimer::singleShot(0, commands, [&dialog, commands] {
        if (DriveController* drives = driveController(dialog))
            drives->setJobControl([commands] { return commands->running(); },
                                  [commands] {
                                      commands->runner().cancel();
                                      commands->waitUntilDone();
                                  });
    });
}

} // namespace brenlow
