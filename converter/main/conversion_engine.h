#pragma once
// The conversion run of the converter: for each list entry, decode AAC, M4A
// and APE sources to a temporary WAV, collect the source's tag, choose the
// target folder and base name, run the output step of the chosen format and
// remove the temporary WAV. It knows no widgets: it lives as long as the main
// window, keeps the conversion settings, the entry at work and the run's
// flags to itself, drives the window's components and shows itself through a
// view (ConversionView). It runs on the window's thread, letting the event
// loop run at every progress report.

#include "converter/common/settings_loaders.h"
#include "converter/main/apply_tag.h"
#include "converter/main/free_name.h"
#include "converter/main/progress.h"
#include "platform/files/working_file.h"

#include <QString>
#include <atomic>
#include <functional>
#include <optional>

namespace quandor::audio {
class AudioFileReader;
class AudioFileWriter;
class AacDecoder;
class M4aDecoder;
class AacEncoder;
} // namespace quandor::audio

namespace tavrel {

/// What a run is asked to make, as the window holds it when the run starts.
struct RunRequest {
    QString format;                ///< the output format chosen in the format list
    QString outputFolder;          ///< the output folder box, as typed
    bool saveBesideSource = false; ///< "Save in the file's directory" ticked
};

/// What the run shows and asks of the main window.
class ConversionView : public ProgressSurface {
public:
    virtual int entryCount() const = 0;
    virtual QString entryKey(int position) const = 0;  ///< the source's full path
    virtual QString entryName(int position) const = 0; ///< the name shown in the list
    /// The current-file label; `name` empty shows the caption alone.
    virtual void showCurrentFile(const QString& name) = 0;
    /// The "2 / 7" label; empty after the run.
    virtual void showPositionText(const QString& text) = 0;
    /// Selects the entry alone, scrolls it into view and places the row bars.
    virtual void revealEntry(int position) = 0;
    /// Converting: Cancel on, the other commands off; idle: the reverse.
    virtual void setConvertingControls(bool converting) = 0;
    /// What the user asked for when the run starts; read once per run.
    virtual RunRequest runRequest() const = 0;
    /// A critical message box titled `title`.
    virtual void showError(const QString& text, const QString& title) = 0;
    /// Line `line` of the language file in use, else `builtIn`.
    virtual QString caption(int line, const QString& builtIn) const
    {
        (void)line;
        return builtIn;
    }
};

/// The component objects the run drives (owned by the main window).
struct ConversionComponents {
    quandor::audio::AudioFileReader& reader;
    quandor::audio::AudioFileWriter& writer;
    quandor::audio::AacDecoder& aacDecoder;
    quandor::audio::M4aDecoder& m4aDecoder;
    quandor::audio::AacEncoder& aacEncoder;
};

/// Where a run stands (the engine's own; the window asks isConverting / isTranscoding).
struct RunFlags {
    bool converting = false;
    bool transcoding = false;
    bool cancelRequested = false;
    std::atomic<int> apeKillFlag{0}; ///< non-zero stops the APE library
};

/// Settings of the output steps.
struct OutputSettings {
    int frequency = 44100; ///< temporary WAV and AAC input format
    int channels = 2;
    AacSettings aac;
    int apeLevel = 2000;
};

/// The per-entry state; the tag values are set afresh for every entry.
struct EntryState {
    int currentIndex = 0;
    QString currentFileName;
    QString realFileName;
    bool decoded = false; ///< the entry went through the decode stage
    QString targetBaseName;
    TagValues tag;
};

/// The outcome of one step: fine, or the reason it failed.
struct StepResult {
    bool ok = true;
    QString error;
    static StepResult failure(const QString& reason) { return {false, reason}; }
};

/// The formats of the format list, as it shows them.
namespace formats {
inline const QString Mp3 = QStringLiteral("Mp3");
inline const QString Wav = QStringLiteral("Wav");
inline const QString Ogg = QStringLiteral("Ogg");
inline const QString Aac = QStringLiteral("AAC");
inline const QString Ape = QStringLiteral("APE (MonKey's audio)");
inline const QString Wma = QStringLiteral("Wma");
} // namespace formats

/// The conversion run. The window asks it to start a run, to cancel it, whether
/// one is under way and to take new settings; the entry at work and the run's
/// flags are its own, so every entry starts from the same state whoever asks.
class ConversionEngine {
public:
    /// Temporary WAV files go to `tempFolder` (the system's temporary folder unless given).
    ConversionEngine(ConversionComponents components, ConversionView& view, QString tempFolder = temporaryFolder());
    ConversionEngine(const ConversionEngine&) = delete;
    ConversionEngine& operator=(const ConversionEngine&) = delete;

    /// Converts every entry in list order ("Convert !"); nothing while a run is under way.
    void runAll();
    /// Converts the entry at `position` alone ("Convert Now"); nothing while a run is under way.
    void runOne(int position);
    /// "Cancel": stops the component at work (the APE library included) and the run
    /// at the next boundary; nothing outside a run.
    void cancel();

    /// A run is under way: the window refuses what a run forbids (another run,
    /// closing, list edits).
    bool isConverting() const { return flags.converting; }
    /// The pump is copying an entry's audio.
    bool isTranscoding() const { return flags.transcoding; }

    /// The settings the next output steps are made with.
    const OutputSettings& outputSettings() const { return settings; }
    void applySettings(const OutputSettings& changed) { settings = changed; }

private:
    enum class EntryOutcome { Done, Skipped, EndRun };
    enum class Mode { All, Single };

    /// Checks the request before any entry starts; false when the run cannot start.
    bool acceptRequest(int firstPosition);
    /// Marks the run as under way from its first step, so that Cancel reaches it.
    void beginRun();
    /// The output step of `format` for state.currentFileName / targetBaseName.
    StepResult runOutputStep(const QString& format);
    StepResult OutputWav();
    StepResult OutputMp3();
    StepResult OutputOgg();
    StepResult OutputWma();
    StepResult OutputAac();
    StepResult OutputApe();

    /// The pump from `source` into `target` in the writer's format, tagging
    /// the target (the failure message of the tag is shown here).
    StepResult TranscodeFile(const QString& source, const QString& target);

    /// Progress reports of the components (percent, done of total, thousandths).
    void decoderProgress(int percent);
    void encoderProgress(double done, double total);
    void apeProgress(int thousandths);

    EntryOutcome convertEntry(int position, Mode mode);
    StepResult decodeCompressed(const QString& tempWav);
    StepResult decodeApe(const QString& tempWav);
    void readSourceTag(Mode mode);
    void readApeTag();
    void takeSourceTag(const std::optional<TagValues>& values);
    StepResult prepareTarget();
    /// What an encoder needs of a WAV to read it as it is: the configured rate
    /// and channels (AAC), or PCM the APE encoder takes at the source's own rate.
    enum class WavInput { ConfiguredFormat, ApeEncodable };
    StepResult makeTemporaryWav(const QString& source, quandor::files::WorkingFile& tempWav, WavInput kind);
    bool needsPcmCopy(const QString& input, WavInput kind);
    /// Points `input` at a WAV the encoder reads: the entry itself, or a temporary
    /// 16-bit PCM copy in `tempWav`. A value ends the step (the copy failed or Cancel came).
    std::optional<StepResult> prepareWavInput(QString& input, quandor::files::WorkingFile& tempWav, WavInput kind);
    /// A temporary WAV for `source` with no name, in the temporary folder.
    StepResult createTemporaryWav(const QString& source, quandor::files::WorkingFile& tempWav) const;
    /// An encoder step: a free target name, the WAV input, `encode`, then the
    /// temporary WAV removed and the progress reset.
    using EncodeStep = std::function<StepResult(const QString& input, const QString& target)>;
    StepResult encodeFromWav(const QString& extension, WavInput kind, const EncodeStep& encode);
    void endState();
    int yearForUndated() const;
    void reportEntryFailure(const QString& source, const QString& reason);

    ConversionComponents components_;
    ConversionView& view_;
    const QString tempFolder;
    OutputSettings settings;
    /// The request of the run under way, read once when it starts.
    RunRequest request_;
    /// The entry at work; the last entry's tag and target base name outlive a run.
    EntryState state;
    RunFlags flags;
};

/// True when `path` names an existing ordinary file (not a folder).
bool sourceFileExists(const QString& path);

/// Why an entry whose file is gone was not converted.
QString missingSourceReason();

/// Why an entry cannot be written where the run was asked to put it: the folder is not there.
QString missingFolderReason();

/// The message for an entry that could not be converted.
QString entryFailureMessage(const QString& source, const QString& reason);

} // namespace tavrel
