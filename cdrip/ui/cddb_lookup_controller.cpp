#include "cdrip/ui/cddb_lookup_controller.h"

#include "cdrip/cddb/cddb_entry.h"
#include "cdrip/ui/cddb_match_dialog.h"
#include "cdrip/ui/cddb_wait_dialog.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/main_dialog.h"
#include "cdrip/ui/message_lines.h"
#include "platform/shell/services.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

namespace brenlow {
namespace {

constexpr int kNoMatchLine = 64;
const char* const kControllerName = "cddbLookup";

QString requestFile(const QString& startFolder)
{
    return QDir(startFolder).filePath(QStringLiteral("request.txt"));
}

/// The genre list's entry for `genre`: the first whose text starts with it,
/// ignoring case, searched from entry 1 on and then entry 0; -1 when none.
int findGenre(const QComboBox& combo, const QString& genre)
{
    if (genre.isEmpty())
        return -1;
    const int count = combo.count();
    for (int step = 1; step <= count; ++step) {
        const int index = step % count;
        if (combo.itemText(index).startsWith(genre, Qt::CaseInsensitive))
            return index;
    }
    return -1;
}

} // namespace

CddbLookupController::CddbLookupController(MainDialog& dialog) : QObject(&dialog), dialog_(dialog)
{
    setObjectName(QString::fromLatin1(kControllerName));
}

CddbLookupController* cddbLookup(const MainDialog& dialog)
{
    return dialog.findChild<CddbLookupController*>(QString::fromLatin1(kControllerName), Qt::FindDirectChildrenOnly);
}

CddbCache CddbLookupController::cache() const
{
    return CddbCache(dialog_.startFolder());
}

// --- the disc ------------------------------------------------------------------

void CddbLookupController::tableOfContentsRead()
{
    query_ = {};
    DriveController* drives = driveController(dialog_);
    if (!drives)
        return;
    query_ = formatCddbQuery(drives->tracks());
    if (query_.command.isEmpty())
        return;

    const CddbCache cached = cache();
    if (cached.findEntry(query_.command)) {
        // An index value whose file is gone or unreadable changes nothing.
        if (const std::optional<CddbEntry> entry = cached.load(query_.command))
            showEntry(*entry);
        return;
    }
    if (dialog_.settings().cddb.autoLookup) {
        // Once the drive's answer has been handled: the lookup runs its own
        // modal loop.
        QTimer::singleShot(0, this, [this, command = query_.command] {
            if (query_.command == command && !dialog_.jobRunning())
                startLookup();
        });
    }
}

void CddbLookupController::discCleared()
{
    query_ = {};
}

void CddbLookupController::showEntry(const CddbEntry& entry)
{
    dialog_.artistField()->setText(entry.artist);
    dialog_.albumField()->setText(entry.album);
    dialog_.yearField()->setText(entry.year);
    QComboBox* genres = dialog_.genreCombo();
    genres->setCurrentIndex(findGenre(*genres, entry.genre));
    if (DriveController* drives = driveController(dialog_)) {
        for (const auto& [index, title] : entry.titles) {
            if (index < drives->tracks().count())
                drives->setTrackTitle(index, title);
        }
    }
}

void CddbLookupController::saveEntry()
{
    DriveController* drives = driveController(dialog_);
    // No tracks shown (a failed read): nothing of this disc to keep, and an
    // empty entry must not replace the titles saved for it.
    if (query_.command.isEmpty() || !drives || drives->tracks().empty())
        return;
    CddbEntry entry;
    entry.artist = dialog_.artistField()->text();
    entry.album = dialog_.albumField()->text();
    entry.year = dialog_.yearField()->text();
    const QComboBox* genres = dialog_.genreCombo();
    entry.genre = genres->currentIndex() >= 0 ? genres->currentText() : QString();
    const TrackTable& tracks = drives->tracks();
    for (int i = 0; i < tracks.count(); ++i)
        entry.titles[i] = tracks.at(i)->title;
    cache().saveUserEntry(query_.command, query_.discId, entry, tracks.count());
}

// --- the lookup ----------------------------------------------------------------

void CddbLookupController::requestLookup()
{
    if (dialog_.jobRunning())
        return;
    QFile::remove(requestFile(dialog_.startFolder()));
    startLookup();
}

void CddbLookupController::startLookup()
{
    if (query_.command.isEmpty() || wait_ || !dialog_.beginJob())
        return;
    const CddbSettings settings = readCddbSettings(dialog_.ripperIni());
    setup_.server = {settings.server, settings.queryPath, settings.user, settings.site};
    setup_.requestFile = requestFile(dialog_.startFolder());
    setup_.limits = limits_;

    CddbWaitDialog wait(dialog_.language());
    wait_ = &wait;
    runStep([setup = setup_, command = query_.command](const std::atomic<bool>& cancel) {
        return runCddbQuery(setup, command, cancel);
    });
    dialog_.runSecondaryDialog(wait);
    // Cancelled: the transfer under way is aborted and whatever the worker
    // still reports is dropped (its generation is over).
    if (wait.cancelled())
        worker_.requestStop();
    wait_ = nullptr;
    ++generation_;
    worker_.wait();
    dialog_.endJob();
}

void CddbLookupController::runStep(std::function<CddbStep(const std::atomic<bool>&)> work)
{
    worker_.start(std::move(work), [this, generation = generation_](const CddbStep& step) {
        if (generation == generation_)
            stepDone(step);
    });
}

void CddbLookupController::stepDone(const CddbStep& step)
{
    if (worker_.stopRequested() || !wait_)
        return;
    switch (step.kind) {
    case CddbStepKind::Entry:
        storeAndShow(step);
        break;
    case CddbStepKind::NoMatch:
        quandor::shell::messageBox(&dialog_, dialog_.text(kNoMatchLine), QStringLiteral("Brenlow"));
        break;
    case CddbStepKind::Choose: {
        CddbMatchDialog choice(dialog_.language(), step.matches);
        const int answer = dialog_.runSecondaryDialog(choice);
        if (answer == QDialog::Accepted && wait_ && !worker_.stopRequested()) {
            const CddbMatch match = step.matches.at(static_cast<size_t>(choice.chosenNumber() - 1));
            runStep(
                [setup = setup_, match](const std::atomic<bool>& cancel) { return runCddbRead(setup, match, cancel); });
            return; // the wait dialog stays up for the read
        }
        break;
    }
    case CddbStepKind::Refused:
        quandor::shell::messageBox(&dialog_, message_lines::RefusedCddbAnswer.in(dialog_.language()),
                                   QStringLiteral("Brenlow"));
        break;
    case CddbStepKind::Failed:
    case CddbStepKind::Cancelled:
        break;
    }
    endWait();
}

void CddbLookupController::storeAndShow(const CddbStep& step)
{
    cache().storeServerReply(query_.command, step.category, step.discId, step.reply);
    if (const std::optional<CddbEntry> entry = parseCddbEntry(step.reply))
        showEntry(*entry);
}

void CddbLookupController::endWait()
{
    if (wait_)
        wait_->finish();
}

} // namespace brenlow
