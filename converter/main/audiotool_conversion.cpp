// The conversion side of the main window: the settings loaders, the options
// button, the transcoding pump, the run with Cancel and Close, and the
// progress reports. The work is done by ConversionEngine; this file lends it
// the window's components, flags and controls.

#include "converter/main/audiotool.h"

#include "converter/main/captions.h"
#include "converter/main/conversion_engine.h"
#include "converter/main/file_list_view.h"
#include "converter/main/progress.h"
#include "converter/common/settings_loaders.h"
#include "converter/options/option_windows.h"
#include "platform/shell/services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidgetItem>

namespace tavrel {

namespace {

// The window's controls as the conversion engine sees them.
class WindowConversionView final : public ConversionView {
public:
    explicit WindowConversionView(Audiotool& window) : w_(window) {}

    int entryCount() const override { return w_.entryCount(); }
    QString entryKey(int position) const override { return w_.entryKey(position); }
    QString entryName(int position) const override { return w_.entryName(position); }
    void showCurrentFile(const QString& name) override
    {
        w_.Label4->setText(captions::text(captions::CurrentFile) + name);
    }
    void showPositionText(const QString& text) override { w_.Label5->setText(text); }
    void revealEntry(int position) override
    {
        QTreeWidgetItem* item = w_.entryItem(position);
        if (!item)
            return;
        w_.ListView1->clearSelection();
        w_.ListView1->setCurrentItem(item);
        item->setSelected(true);
        w_.ListView1->scrollToItem(item);
        w_.LayoutFileList();
    }
    void setConvertingControls(bool converting) override
    {
        w_.progressDisplay().settle();   // an entry starts or the run ends: show where it stands
        w_.Command4->setEnabled(converting);
        for (QWidget* control : {static_cast<QWidget*>(w_.Command3), static_cast<QWidget*>(w_.Command5),
                                 static_cast<QWidget*>(w_.Command2), static_cast<QWidget*>(w_.Image1),
                                 static_cast<QWidget*>(w_.Image5), static_cast<QWidget*>(w_.Combo1)})
            control->setEnabled(!converting);
    }
    QString outputFormat() const override { return w_.Combo1->currentText(); }
    bool saveBesideSource() const override { return w_.Check1->isChecked(); }
    QString outputFolder() const override { return w_.Text1->text(); }
    void setOutputFolder(const QString& folder) override { w_.Text1->setText(folder); }
    void showError(const QString& text, const QString& title) override
    {
        quandor::shell::messageBox(&w_, text, title, quandor::shell::MessageButtons::Ok,
                                   quandor::shell::MessageIcon::Critical);
    }
    QString caption(int line, const QString& builtIn) const override
    {
        const QString text = captions::text(line);
        return text.isEmpty() ? builtIn : text;
    }

    // Progress goes through the window's paced displays.
    QString percentLabel() const override { return w_.progressDisplay().percentLabel(); }
    void setPercentLabel(const QString& text) override { w_.progressDisplay().setPercentLabel(text); }
    void setBarFraction(double fraction) override { w_.progressDisplay().setBarFraction(fraction); }
    void setRowProgress(int position, double value) override { w_.progressDisplay().setRowProgress(position, value); }
    void yield() override { w_.progressDisplay().yield(); }
    void settle() override { w_.progressDisplay().settle(); }

private:
    Audiotool& w_;
};

// One use of the engine: the window's settings and per-entry state go in, and
// the state comes back out when it is done (the last entry's tag and target
// base name outlive a run).
class ConversionSession {
public:
    explicit ConversionSession(Audiotool& window)
        : window_(window),
          view_(window),
          engine_(ConversionComponents{window.FileRenc, window.FileWenc, window.AACdecoder1, window.m4aDecoder,
                                       window.AACencoder},
                  ConversionFlags{window.Converting, window.Transcoding, window.CancelRequested,
                                  window.ApeKillFlag},
                  view_)
    {
        OutputSettings& s = engine_.settings;
        s.frequency = window.Frequency;
        s.channels = window.Channels;
        s.apeLevel = window.ApeCompressionLevel;
        s.aac.quality = window.AACquality;
        s.aac.qualityRate = static_cast<std::int16_t>(window.AACqualityRate);
        s.aac.bitRate = static_cast<std::int16_t>(window.AACBitRate);
        s.aac.profile = window.AACProfile;
        s.aac.bandWidth = static_cast<std::int16_t>(window.AACBandW);
        s.aac.adts = window.AACADTS;
        s.aac.tns = window.AACTNS;
        s.aac.lfe = window.AACLFE;
        s.aac.midSide = window.AACMidSide;

        EntryState& e = engine_.state;
        e.currentIndex = window.CurrentIndex;
        e.currentFileName = window.CurrentFileName;
        e.realFileName = window.RealFileName;
        e.decoded = window.EncodageParticulier;
        e.targetBaseName = window.TargetBaseName;
        e.tag = TagValues{window.TagTitle, window.TagArtist, window.TagAlbum, window.TagComment,
                          window.TagYear,  window.TagGenre,  window.TagTrack};
    }
    ~ConversionSession()
    {
        const EntryState& e = engine_.state;
        window_.CurrentIndex = e.currentIndex;
        window_.CurrentFileName = e.currentFileName;
        window_.RealFileName = e.realFileName;
        window_.EncodageParticulier = e.decoded;
        window_.TargetBaseName = e.targetBaseName;
        window_.TagTitle = e.tag.title;
        window_.TagArtist = e.tag.artist;
        window_.TagAlbum = e.tag.album;
        window_.TagComment = e.tag.comment;
        window_.TagYear = e.tag.year;
        window_.TagGenre = e.tag.genre;
        window_.TagTrack = e.tag.track;
    }
    ConversionSession(const ConversionSession&) = delete;
    ConversionSession& operator=(const ConversionSession&) = delete;

    ConversionEngine& engine() { return engine_; }
    ConversionView& view() { return view_; }

    // Runs one output step the way the run does, reporting a failure.
    void outputStep(StepResult (ConversionEngine::*step)())
    {
        const QString source = engine_.state.decoded ? engine_.state.realFileName : engine_.state.currentFileName;
        const StepResult result = (engine_.*step)();
        if (!result.ok && !window_.CancelRequested)
            view_.showError(entryFailureMessage(source, result.error), QStringLiteral("Tavrel"));
    }

private:
    Audiotool& window_;
    WindowConversionView view_;
    ConversionEngine engine_;
};

} // namespace

// ---- settings loaders ------------------------------------------------------------------

void Audiotool::LoadSettings()
{
    const Mp3Settings s = loadMp3Settings(configFile());
    auto& e = MP3LameEncoder;
    const auto set = [](auto& property, const auto& value) {
        if (value)
            property = *value;
    };
    set(e.AbrBitrate, s.abrBitrate);
    set(e.AthControl, s.athControl);
    set(e.Bitrate, s.bitrate);
    set(e.BitReservoir, s.bitReservoir);
    set(e.BlockTypesDiffer, s.blockTypesDiffer);
    set(e.ChannelCount, s.channelCount);
    set(e.Emphasis, s.emphasis);
    set(e.EncoderQuality, s.encoderQuality);
    set(e.ErrorProtection, s.errorProtection);
    set(e.OutputFrequency, s.outputFrequency);
    set(e.HighpassFrequency, s.highpassFrequency);
    set(e.HighpassWidth, s.highpassWidth);
    set(e.LowpassFrequency, s.lowpassFrequency);
    set(e.LowpassWidth, s.lowpassWidth);
    set(e.ShortBlocks, s.shortBlocks);
    set(e.StrictIso, s.strictIso);
    set(e.EnforceMinBitrate, s.enforceMinBitrate);
    set(e.ChannelMode, s.channelMode);
    set(e.MaxVbrBitrate, s.maxVbrBitrate);
    set(e.VbrMethod, s.vbrMethod);
    set(e.VbrQuality, s.vbrQuality);
    set(e.WriteVbrHeader, s.writeVbrHeader);
    FileWenc.SetFormatMP3Ex(MP3LameEncoder);
}

void Audiotool::LoadAacSettings()
{
    const AacSettings s = loadAacSettings(configFile());
    AACquality = s.quality;
    AACqualityRate = s.qualityRate;
    AACBitRate = s.bitRate;
    AACProfile = s.profile;
    AACBandW = s.bandWidth;
    AACADTS = s.adts;
    AACTNS = s.tns;
    AACLFE = s.lfe;
    AACMidSide = s.midSide;
    AACFormatString = s.formatString();
}

void Audiotool::LoadWavSettings()
{
    const WavSettings s = loadWavSettings(configFile());
    FileWenc.SetFormatPCM(s.frequency, s.channels, s.bits);
    Text2->setText(FileWenc.FormatString());
}

void Audiotool::LoadOggSettings()
{
    const OggLoadResult loaded = loadOggSettings(
        configFile(), [this](int frequency, int channels, int nominal, int minimum, int maximum) {
            return FileWenc.IsFormatOggVorbisAvailable(frequency, channels, nominal, minimum, maximum);
        });
    // A value that is not a number leaves the writer as it was.
    if (const std::optional<OggFormat>& f = loaded.format)
        FileWenc.SetFormatOggVorbis(f->frequency, f->channels, f->nominal, f->minimum, f->maximum, f->quality);
}

void Audiotool::LoadApeSettings()
{
    const ApeSettings s = loadApeSettings(configFile());
    ApeCompressionLevel = s.level;
    Combo3->setCurrentText(s.levelText);
}

void Audiotool::Command2_Click()
{
    const QString format = Combo1->currentText();
    if (format == formats::Mp3) {
        showMp3Options(optionSettings());
    } else if (format == formats::Ogg) {
        showOggOptions(optionSettings());
    } else if (format == formats::Wav) {
        showWavOptions(optionSettings());
    } else if (format == formats::Aac) {
        showAacOptions(optionSettings());
        LoadAacSettings();
        Text2->setText(AACFormatString);
    }
}

// ---- the pump, the tag and the output steps ------------------------------------------

void Audiotool::TranscodeFile(const QString& source, const QString& target)
{
    ConversionSession session(*this);
    const StepResult result = session.engine().transcode(source, target);
    if (!result.ok)
        session.view().showError(entryFailureMessage(source, result.error), QStringLiteral("Tavrel"));
}

void Audiotool::ApplyTag(const QString& target)
{
    ConversionSession session(*this);
    session.engine().applyTag(target);
}

void Audiotool::OutputWma() { ConversionSession(*this).outputStep(&ConversionEngine::outputWma); }
void Audiotool::OutputMp3() { ConversionSession(*this).outputStep(&ConversionEngine::outputMp3); }
void Audiotool::OutputOgg() { ConversionSession(*this).outputStep(&ConversionEngine::outputOgg); }
void Audiotool::OutputWav() { ConversionSession(*this).outputStep(&ConversionEngine::outputWav); }
void Audiotool::OutputAac() { ConversionSession(*this).outputStep(&ConversionEngine::outputAac); }
void Audiotool::OutputApe() { ConversionSession(*this).outputStep(&ConversionEngine::outputApe); }

// ---- the run, Cancel and Close ---------------------------------------------------------

void Audiotool::Command3_Click()
{
    if (Converting)
        return;   // a run is under way (reached through the event loop)
    ConversionSession session(*this);
    session.engine().runAll();
}

void Audiotool::ConvertNow_Click()
{
    if (const int position = selectedPosition(); position > 0)
        ConvertItem(position);
}

void Audiotool::ConvertItem(int position)
{
    if (Converting)
        return;
    ConversionSession session(*this);
    session.engine().runOne(position);
}

void Audiotool::Command4_Click()
{
    if (!Converting)
        return;
    AACencoder.Stop();
    AACdecoder1.Stop();
    m4aDecoder.Stop();
    ApeKillFlag = 1;
    CancelRequested = true;
}

void Audiotool::Command5_Click()
{
    if (!Converting)
        close();
}

// ---- progress reports -------------------------------------------------------------------

void Audiotool::AACdecoder1_Progress(int percent)
{
    WindowConversionView view(*this);
    showPercent(view, CurrentIndex, percent);
}

void Audiotool::m4aDecoder_Progress(int percent)
{
    WindowConversionView view(*this);
    showPercent(view, CurrentIndex, percent);
}

void Audiotool::AACencoder_Progress(double done, double total)
{
    WindowConversionView view(*this);
    showPercent(view, CurrentIndex, encoderPercent(done, total));
}

void Audiotool::ApeProgress(int thousandthsOfPercent)
{
    WindowConversionView view(*this);
    showPercent(view, CurrentIndex, apeCallbackPercent(thousandthsOfPercent));
}

} // namespace tavrel
