// The conversion side of the main window: the settings loaders, the options
// button, the run with Cancel and Close. The work, its settings and its state
// belong to the window's ConversionEngine; this file wires the controls to it.

#include "converter/main/audiotool.h"

#include "converter/common/settings_loaders.h"
#include "converter/main/conversion_engine.h"
#include "converter/main/file_list_view.h"
#include "converter/options/option_windows.h"

#include <QComboBox>
#include <QLineEdit>

namespace tavrel {

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
    OutputSettings settings = engine_->outputSettings();
    settings.aac = loadAacSettings(configFile());
    engine_->applySettings(settings);
}

void Audiotool::LoadWavSettings()
{
    const WavSettings s = loadWavSettings(configFile());
    FileWenc.SetFormatPCM(s.frequency, s.channels, s.bits);
    Text2->setText(FileWenc.FormatString());
}

void Audiotool::LoadOggSettings()
{
    const OggLoadResult loaded =
        loadOggSettings(configFile(), [this](int frequency, int channels, int nominal, int minimum, int maximum) {
            return FileWenc.IsFormatOggVorbisAvailable(frequency, channels, nominal, minimum, maximum);
        });
    // A value that is not a number leaves the writer as it was.
    if (const std::optional<OggFormat>& f = loaded.format)
        FileWenc.SetFormatOggVorbis(f->frequency, f->channels, f->nominal, f->minimum, f->maximum, f->quality);
}

void Audiotool::LoadApeSettings()
{
    const ApeSettings s = loadApeSettings(configFile());
    OutputSettings settings = engine_->outputSettings();
    settings.apeLevel = s.level;
    engine_->applySettings(settings);
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
        Text2->setText(engine_->outputSettings().aac.formatString());
    }
}

// ---- the run, Cancel and Close ---------------------------------------------------------

void Audiotool::Command3_Click()
{
    engine_->runAll();
}

void Audiotool::ConvertNow_Click()
{
    if (const int position = ListView1->selectedPosition(); position > 0)
        ConvertItem(position);
}

void Audiotool::ConvertItem(int position)
{
    engine_->runOne(position);
}

void Audiotool::Command4_Click()
{
    engine_->cancel();
}

void Audiotool::Command5_Click()
{
    if (!engine_->isConverting())
        close();
}

} // namespace tavrel
