#include "converter/main/conversion_engine.h"

#include "converter/main/free_name.h"
#include "converter/main/source_tag.h"
#include "converter/main/transcode.h"
#include "platform/audio/aac_components.h"
#include "platform/mac/mac_library.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace tavrel {

namespace {

// The last three characters of a path, lower-cased: the way sources are told
// apart. A temporary WAV, which has no name, is what its shown name says.
QString kindOf(const QString& path)
{
    return quandor::files::shownNameOf(path).right(3).toLower();
}

bool isOneOf(const QString& kind, std::initializer_list<const char*> kinds)
{
    for (const char* candidate : kinds) {
        if (kind == QLatin1String(candidate))
            return true;
    }
    return false;
}

// The folder part of a path, up to and including its last separator.
QString folderOf(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.left(slash + 1);
}

bool endsWithSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'));
}

// Clears the component's progress hook when the engine is done with it.
template <typename Hook>
class HookScope {
public:
    HookScope(Hook& hook, Hook value) : hook_(hook) { hook_ = std::move(value); }
    ~HookScope() { hook_ = nullptr; }
    HookScope(const HookScope&) = delete;
    HookScope& operator=(const HookScope&) = delete;

private:
    Hook& hook_;
};

} // namespace

bool sourceFileExists(const QString& path)
{
    // Only existence counts: on Linux a leading dot is part of a name the
    // user chose to list, not a hidden attribute.
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString missingSourceReason()
{
    return QStringLiteral("the file cannot be found any more");
}

QString missingFolderReason()
{
    return targetCreationFailure() + QStringLiteral(": ") + qt_error_string(ENOENT);
}

QString entryFailureMessage(const QString& source, const QString& reason)
{
    return QStringLiteral("Could not convert %1\n%2").arg(QDir::toNativeSeparators(source), reason);
}

ConversionEngine::ConversionEngine(ConversionComponents components, ConversionView& view, QString tempFolder)
    : components_(components),
      view_(view),
      tempFolder(std::move(tempFolder))
{}

// ---- the runs -------------------------------------------------------------------

void ConversionEngine::runAll()
{
    if (flags.converting)
        return; // reached again through the event loop of the run under way
    beginRun();
    const int count = view_.entryCount();
    if (count > 0 && !acceptRequest(1)) {
        endState();
        return;
    }
    for (int position = 1; position <= count && !flags.cancelRequested; ++position) {
        if (position > view_.entryCount())
            break; // the list shrank under the run
        state.currentIndex = position;
        state.currentFileName = view_.entryKey(position);
        view_.showCurrentFile(view_.entryName(position));
        view_.showPositionText(QStringLiteral("%1 / %2").arg(position).arg(view_.entryCount()));
        view_.revealEntry(position);
        if (!sourceFileExists(state.currentFileName)) {
            reportEntryFailure(state.currentFileName, missingSourceReason());
            continue;
        }
        if (convertEntry(position, Mode::All) == EntryOutcome::EndRun)
            break;
    }
    endState();
}

void ConversionEngine::runOne(int position)
{
    if (flags.converting)
        return;
    beginRun();
    if (position >= 1 && position <= view_.entryCount() && acceptRequest(position)) {
        state.currentIndex = position;
        state.currentFileName = view_.entryKey(position);
        view_.showCurrentFile(view_.entryName(position));
        view_.showPositionText(QStringLiteral("1 / %1").arg(view_.entryCount()));
        if (sourceFileExists(state.currentFileName))
            convertEntry(position, Mode::Single);
        else
            reportEntryFailure(state.currentFileName, missingSourceReason());
    }
    endState();
}

void ConversionEngine::beginRun()
{
    // Under way from here: a message about an entry may be up before any
    // entry converts, and Cancel must reach the run while it is.
    flags.cancelRequested = false;
    flags.converting = true;
    view_.setConvertingControls(true);
    request_ = view_.runRequest();
}

bool ConversionEngine::acceptRequest(int firstPosition)
{
    if (request_.saveBesideSource || !request_.outputFolder.trimmed().isEmpty())
        return true;
    // No folder at all is a folder that is not there; read as the root of the
    // file system it would put the files where the user never asked.
    reportEntryFailure(view_.entryKey(firstPosition), missingFolderReason());
    return false;
}

void ConversionEngine::cancel()
{
    if (!flags.converting)
        return;
    components_.aacEncoder.Stop();
    components_.aacDecoder.Stop();
    components_.m4aDecoder.Stop();
    flags.apeKillFlag = 1;
    flags.cancelRequested = true;
}

int ConversionEngine::yearForUndated() const
{
    // Asked afresh: the window lives across many runs, and days.
    return QDate::currentDate().year();
}

void ConversionEngine::endState()
{
    view_.showCurrentFile(QString());
    view_.showPositionText(QString());
    view_.setConvertingControls(false);
    flags.converting = false;
}

// ---- one entry ------------------------------------------------------------------

ConversionEngine::EntryOutcome ConversionEngine::convertEntry(int position, Mode mode)
{
    const QString source = state.currentFileName;
    // Every value comes from this entry's own source: what it lacks stays
    // empty (no genre, no track) rather than carrying the previous entry's.
    state.tag = TagValues{};
    state.tag.year = QString::number(yearForUndated());
    view_.setConvertingControls(true);
    view_.setRowProgress(position, 0.1);
    state.decoded = false;

    // The temporary WAV has no name: it goes with the entry, or with the
    // process however that ends, and never touches a file of the user's.
    quandor::files::WorkingFile tempWav;
    const auto finish = [&](EntryOutcome outcome) {
        tempWav.release();
        return outcome;
    };
    const auto failed = [&](const QString& reason) {
        if (!flags.cancelRequested)
            reportEntryFailure(source, reason);
        return finish(EntryOutcome::Skipped);
    };

    if (isOneOf(kindOf(state.currentFileName), {"aac", "m4a"})) {
        state.realFileName = state.currentFileName;
        state.decoded = true;
        if (const StepResult made = createTemporaryWav(state.currentFileName, tempWav); !made.ok)
            return failed(made.error);
        const StepResult decoded = decodeCompressed(tempWav.path());
        if (!decoded.ok)
            return failed(decoded.error);
        state.currentFileName = tempWav.path();
    }

    if (!isOneOf(kindOf(state.currentFileName), {"aac", "wav", "avi", "ape", "apl"}))
        readSourceTag(mode);

    if (isOneOf(kindOf(state.currentFileName), {"ape", "apl"})) {
        state.realFileName = state.currentFileName;
        state.decoded = true;
        readApeTag();
        if (const StepResult made = createTemporaryWav(state.currentFileName, tempWav); !made.ok)
            return failed(made.error);
        const StepResult decoded = decodeApe(tempWav.path());
        if (!decoded.ok)
            return failed(decoded.error);
        state.currentFileName = tempWav.path();
    }

    if (flags.cancelRequested)
        return finish(EntryOutcome::Done);
    if (const StepResult target = prepareTarget(); !target.ok)
        return failed(target.error);
    if (const StepResult output = runOutputStep(request_.format); !output.ok)
        return failed(output.error);
    return finish(EntryOutcome::Done);
}

StepResult ConversionEngine::decodeCompressed(const QString& tempWav)
{
    auto& aac = components_.aacDecoder;
    auto& m4a = components_.m4aDecoder;
    aac.InputFile = state.currentFileName;
    aac.OutputFile = tempWav;
    m4a.InputFile = state.currentFileName;
    m4a.OutputFile = tempWav;
    const auto report = [this](int percent) { decoderProgress(percent); };
    HookScope<std::function<void(int)>> aacHook(aac.Progress, report);
    HookScope<std::function<void(int)>> m4aHook(m4a.Progress, report);

    const bool mpeg4 = aac.IsMpeg4();
    const bool stopped = mpeg4 ? m4a.Decode() : aac.Decode();
    resetProgress(view_);
    if (stopped)
        return StepResult::failure(mpeg4 ? m4a.LastError() : aac.LastError());
    if (QFileInfo(tempWav).size() == 0)
        return StepResult::failure(QStringLiteral("the decoder wrote no audio"));
    return {};
}

StepResult ConversionEngine::decodeApe(const QString& tempWav)
{
    flags.apeKillFlag = 0;
    QString writeError;
    const quandor::mac::Result result = quandor::mac::DecompressFile(
        state.currentFileName, tempWav, nullptr, [this](int thousandths) { apeProgress(thousandths); },
        &flags.apeKillFlag, &writeError);
    resetProgress(view_);
    if (result != quandor::mac::Result::Success)
        return StepResult::failure(writeError.isEmpty() ? quandor::mac::describe(result) : writeError);
    return {};
}

void ConversionEngine::readSourceTag(Mode mode)
{
    const std::optional<TagValues> values = readSourceTagValues(state.currentFileName);
    if (mode == Mode::All)
        view_.yield();
    takeSourceTag(values);
}

void ConversionEngine::readApeTag()
{
    takeSourceTag(readApeTagValues(state.currentFileName));
}

void ConversionEngine::takeSourceTag(const std::optional<TagValues>& values)
{
    // Without a tag the values of the entry's reset stand (no genre, no track, the current year).
    if (values)
        state.tag = *values;
}

StepResult ConversionEngine::prepareTarget()
{
    if (!QFileInfo(state.currentFileName).isFile())
        return StepResult::failure(QStringLiteral("the file to convert has disappeared"));
    // A decoded entry is named after its real source, never after the temporary WAV.
    const QString named = state.decoded ? state.realFileName : state.currentFileName;
    const QString fileName = QFileInfo(named).fileName();
    const QString folder = folderOf(named);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString baseName = dot > 0 ? fileName.left(dot) : fileName;

    if (request_.saveBesideSource) {
        state.targetBaseName = folder + baseName;
        return {};
    }
    QString outputFolder = request_.outputFolder;
    if (!endsWithSeparator(outputFolder))
        outputFolder += QLatin1Char('/');
    state.targetBaseName = outputFolder + baseName;
    return {};
}

void ConversionEngine::reportEntryFailure(const QString& source, const QString& reason)
{
    view_.showError(entryFailureMessage(source, reason), QStringLiteral("Tavrel"));
}

StepResult ConversionEngine::createTemporaryWav(const QString& source, quandor::files::WorkingFile& tempWav) const
{
    QString error;
    if (!tempWav.create(tempFolder, temporaryWavName(tempFolder, source), &error))
        return StepResult::failure(error);
    return {};
}

} // namespace tavrel
