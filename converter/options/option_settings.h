#pragma once
// What the option windows read and change of the program they belong to: the
// encoder settings, the writer's output format and the format text the main
// window shows. The main window implements it; the option windows know
// nothing else of it.

#include "converter/common/settings_loaders.h"

#include <QString>

class QWidget;

namespace quandor::audio {
class AudioFileWriter;
class MP3LameEncoder;
} // namespace quandor::audio

namespace tavrel {

class OptionSettings {
public:
    virtual ~OptionSettings() = default;

    /// The window the option windows open over.
    virtual QWidget* ownerWindow() = 0;
    /// The full path of Config.ini.
    virtual QString configFile() const = 0;

    /// The LAME settings the MP3 output is made with.
    virtual quandor::audio::MP3LameEncoder& lameSettings() = 0;
    /// The writer whose output format the windows set.
    virtual quandor::audio::AudioFileWriter& writer() = 0;
    /// The sample rate and channel count of the conversion's temporary WAV.
    virtual int frequency() const = 0;
    virtual int channels() const = 0;
    /// The AAC settings in use.
    virtual AacSettings aacSettings() const = 0;

    /// The format text shown for the chosen output.
    virtual QString formatText() const = 0;
    /// The writer's format changed: `text` is what to show for it now.
    virtual void formatTextChanged(const QString& text) = 0;
};

} // namespace tavrel
