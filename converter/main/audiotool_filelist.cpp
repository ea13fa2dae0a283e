// The file list: adding by dialog and by drop, probing each file for its
// duration, removing entries, the count label, the output folder and the
// colour of new entries.
#include "converter/main/audiotool.h"

#include "converter/common/lang_loader.h"
#include "converter/main/captions.h"
#include "converter/main/config_values.h"
#include "converter/main/conversion_engine.h"
#include "converter/main/file_list_text.h"
#include "converter/main/file_list_view.h"
#include "converter/options/option_windows.h"

#include "platform/files/regular_file.h"
#include "platform/mac/mac_library.h"
#include "platform/shell/services.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidgetItem>

namespace tavrel {

namespace {

using quandor::shell::MessageButtons;
using quandor::shell::MessageIcon;
using quandor::shell::MessageResult;

/// The add-file dialog's filters: the name, then the patterns.
QString addFileFilter()
{
    static const char* const filters[][2] = {
        {"Audio files (*.wav;*.mp3;*.ogg;*.wma;*.aac;*.ape;*.m4a)",
         "*.wav;*.WAV;*.mp3;*.MP3;*.ogg;*.OGG;*.wma;*.WMA;*.aac;*.AAC;*.ape;*.APE;*.apl;*.APL;*.m4a;*.M4A"},
        {"AAC Files(*.aac)", "*.aac;*.AAC"},
        {"APE Files(*.ape)", "*.APL;*.apl;*.ape;*.APE"},
        {"M4A Files(*.m4a)", "*.m4a;*.M4A"},
        {"MP3 Files(*.mp3)", "*.mp3;*.MP3"},
        {"OGG Files(*.ogg)", "*.ogg;*.OGG"},
        {"WAV Files(*.wav)", "*.wav;*.WAV"},
        {"WMA Files(*.wma)", "*.wma;*.WMA"},
    };
    QStringList parts;
    for (const auto& filter : filters) {
        QString patterns = QLatin1String(filter[1]);
        parts.append(QLatin1String(filter[0]) + QStringLiteral(" (") + patterns.replace(u';', u' ') + u')');
    }
    return parts.join(QStringLiteral(";;"));
}

QColor colorOf(quint32 stored)
{
    return QColor(config::redOf(stored), config::greenOf(stored), config::blueOf(stored));
}

} // namespace

// ---- Adding -----------------------------------------------------------------

void Audiotool::AddFileToList(const QString& path)
{
    for (int position = 1; position <= ListView1->entryCount(); ++position) {
        if (ListView1->entryKey(position) == path) {
            quandor::shell::messageBox(this,
                                       captions::text(captions::AlreadyListed) + QStringLiteral("\r\n\r\n") + path,
                                       QStringLiteral("Dranvel"), MessageButtons::Ok, MessageIcon::Warning);
            return;
        }
    }
    if (!probeAndAppend(path)) {
        quandor::shell::messageBox(this, cannotAddMessage(path), QStringLiteral("Tavrel"), MessageButtons::Ok,
                                   MessageIcon::Warning);
        return;
    }
    UpdateFileCount();
    AfterListChange();
}

bool Audiotool::probeAndAppend(const QString& path)
{
    // A FIFO or a device would hold the window in open() for good.
    if (!quandor::files::isRegularFile(path))
        return false;
    const QString name = fileNamePart(path);
    const QString kind = kindOf(path);
    if (kind == QLatin1String("aac") || kind == QLatin1String("m4a")) {
        probeAacDecoder_.InputFile = path;
        probeAacDecoder_.OutputFile.clear();
        probeM4aDecoder_.InputFile = path;
        probeM4aDecoder_.OutputFile.clear();
        const double seconds =
            probeAacDecoder_.IsMpeg4() ? probeM4aDecoder_.M4ADuration() : probeAacDecoder_.AACDuration();
        if (!(seconds > 1.0))
            return false;
        appendEntry(path, name, durationTextFromSeconds(seconds));
        return true;
    }
    if (kind == QLatin1String("ape") || kind == QLatin1String("apl")) {
        // An APE file whose length cannot be read is refused like any other
        // unreadable source, rather than listed with a meaningless duration.
        const int seconds = quandor::mac::GetDurationTrack(path);
        if (seconds < 0)
            return false;
        appendEntry(path, name, durationTextFromWholeSeconds(seconds));
        return true;
    }
    if (!probeReader_.Open(path, 0, 1))
        return false;
    const qint64 milliseconds = probeReader_.DurationMs();
    probeReader_.Close();
    appendEntry(path, name, durationTextFromMilliseconds(milliseconds));
    return true;
}

void Audiotool::appendEntry(const QString& path, const QString& name, const QString& duration)
{
    auto* item = new QTreeWidgetItem(ListView1);
    const int position = ListView1->entryCount();
    item->setText(0, entryNumberText(position));
    item->setIcon(0, style()->standardIcon(QStyle::SP_MediaVolume));
    item->setData(0, EntryKeyRole, path);
    item->setText(1, name);
    item->setForeground(1, colorOf(TrackColor));
    item->setData(1, Qt::UserRole, TrackColor);
    item->setText(2, duration);
    item->setData(RowProgressColumn, RowProgressRole, 0.0);
}

void Audiotool::Image1_Click()
{
    // The conversion reads the list: nothing is added while it runs.
    if (engine_->isConverting())
        return;
    quandor::shell::FileDialogRequest request;
    request.title = captions::text(captions::AddFileDialogTitle);
    request.folder = AddFileFolder;
    request.filter = addFileFilter();
    const QStringList chosen = quandor::shell::services().openFileNames(this, request, true);
    if (chosen.isEmpty())
        return;
    if (chosen.size() == 1) {
        const QString& path = chosen.front();
        AddFileToList(path);
        const qsizetype slash = path.lastIndexOf(u'/');
        if (slash >= 0)
            AddFileFolder = path.left(slash + 1);
    } else {
        addfile->setEnabled(false);
        Image1->setEnabled(false);
        for (const QString& path : chosen)
            AddFileToList(path);
        addfile->setEnabled(true);
        Image1->setEnabled(true);
        AddFileFolder = QFileInfo(chosen.front()).path();
    }
    Lang_Loader::SaveIni(this, configFile(), {{config_keys::AddFileFolder, AddFileFolder}});
}

void Audiotool::ListView1_OLEDragDrop(const QStringList& paths)
{
    if (engine_->isConverting())
        return;
    addfile->setEnabled(false);
    Image1->setEnabled(false);
    for (const QString& path : paths) {
        if (isAcceptedDrop(path) && !QFileInfo(path).isDir())
            AddFileToList(path);
    }
    addfile->setEnabled(true);
    Image1->setEnabled(true);
}

// ---- Removing ---------------------------------------------------------------

void Audiotool::renumberEntries()
{
    for (int position = 1; position <= ListView1->entryCount(); ++position)
        ListView1->entryItem(position)->setText(0, entryNumberText(position));
}

void Audiotool::removeSelectedEntries()
{
    for (;;) {
        int first = 0;
        for (int position = 1; position <= ListView1->entryCount(); ++position) {
            if (ListView1->entryItem(position)->isSelected()) {
                first = position;
                break;
            }
        }
        if (first == 0)
            return;
        // The row's bar goes with its row; the bars below move up with theirs.
        delete ListView1->takeTopLevelItem(first - 1);
        UpdateFileCount();
        renumberEntries();
        ListView1->repaintRows();
    }
}

void Audiotool::Deletefromlist_Click()
{
    if (engine_->isConverting() || engine_->isTranscoding())
        return;
    removeSelectedEntries();
}

void Audiotool::ListView1_KeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    if (!engine_->isConverting() && !engine_->isTranscoding()) {
        if (keyCode == 65 && shift.testFlag(Qt::ControlModifier))
            ListView1->selectAll();
        else if (keyCode == 46)
            removeSelectedEntries();
    }
    UpdateFileCount();
}

void Audiotool::ListView1_MouseDown(Qt::MouseButton button)
{
    LastMouseButton = button == Qt::RightButton ? 2 : button == Qt::LeftButton ? 1 : 0;
}

void Audiotool::ListView1_MouseUp(Qt::MouseButton, const QPoint& globalPosition)
{
    if (ListView1->selectedPosition() > 0 && !engine_->isTranscoding() && !engine_->isConverting()
        && LastMouseButton == 2)
        Popup->popup(globalPosition);
}

void Audiotool::UpdateFileCount()
{
    Label10->setText(QString::number(ListView1->entryCount()) + u' ' + captions::text(captions::FilesWord));
}

void Audiotool::Image5_Click()
{
    if (ListView1->entryCount() == 0 || engine_->isConverting())
        return;
    const MessageResult answer =
        quandor::shell::messageBox(this, captions::text(captions::DeleteAllQuestion), QStringLiteral("Tavrel"),
                                   MessageButtons::YesNo, MessageIcon::None);
    if (answer != MessageResult::Yes)
        return;
    if (ListView1->selectedPosition() == 0)
        return;
    ListView1->clear();
    UpdateFileCount();
}

// ---- Output folder, colour, tag editor ---------------------------------------

void Audiotool::Command1_Click()
{
    const QString folder =
        Lang_Loader::BrowseForFolder(this, captions::text(captions::OutputFolderTitle), Text1->text());
    if (!folder.isEmpty())
        Text1->setText(folder);
}

void Audiotool::trackcolor_Click()
{
    const std::optional<QColor> chosen = quandor::shell::services().chooseColor(this, colorOf(TrackColor));
    if (!chosen || !chosen->isValid())
        return;
    const quint32 stored = config::storedColor(chosen->red(), chosen->green(), chosen->blue());
    Lang_Loader::SaveIni(this, configFile(), {{config_keys::TrackColor, QString::number(stored)}});
    TrackColor = stored;
}

void Audiotool::TagEditor_Click()
{
    showTagEditor();
}

// ---- Row bars -----------------------------------------------------------------

void Audiotool::AfterListChange()
{
    for (int position = 1; position <= ListView1->entryCount(); ++position)
        ListView1->entryItem(position)->setData(RowProgressColumn, RowBarLoadedRole, true);
    ListView1->repaintRows();
}

} // namespace tavrel
