#include "converter/main/window_option_settings.h"

#include "converter/main/audiotool.h"
#include "converter/main/conversion_engine.h"

#include <QLineEdit>

namespace tavrel {

QWidget* WindowOptionSettings::ownerWindow()
{
    return &window_;
}

QString WindowOptionSettings::configFile() const
{
    return window_.configFile();
}

quandor::audio::MP3LameEncoder& WindowOptionSettings::lameSettings()
{
    return window_.MP3LameEncoder;
}

quandor::audio::AudioFileWriter& WindowOptionSettings::writer()
{
    return window_.FileWenc;
}

int WindowOptionSettings::frequency() const
{
    return window_.engine().outputSettings().frequency;
}

int WindowOptionSettings::channels() const
{
    return window_.engine().outputSettings().channels;
}

AacSettings WindowOptionSettings::aacSettings() const
{
    return window_.engine().outputSettings().aac;
}

QString WindowOptionSettings::formatText() const
{
    return window_.Text2->text();
}

void WindowOptionSettings::formatTextChanged(const QString& text)
{
    window_.Text2->setText(text);
}

} // namespace tavrel
