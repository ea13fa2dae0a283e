#include "converter/main/window_option_settings.h"

#include "converter/main/conversion_engine.h"

#include <QLineEdit>

namespace tavrel {

QWidget* WindowOptionSettings::ownerWindow()
{
    return &owner_;
}

QString WindowOptionSettings::configFile() const
{
    return configFile_;
}

quandor::audio::MP3LameEncoder& WindowOptionSettings::lameSettings()
{
    return lame_;
}

quandor::audio::AudioFileWriter& WindowOptionSettings::writer()
{
    return writer_;
}

int WindowOptionSettings::frequency() const
{
    return engine_.outputSettings().frequency;
}

int WindowOptionSettings::channels() const
{
    return engine_.outputSettings().channels;
}

AacSettings WindowOptionSettings::aacSettings() const
{
    return engine_.outputSettings().aac;
}

QString WindowOptionSettings::formatText() const
{
    return formatText_.text();
}

void WindowOptionSettings::formatTextChanged(const QString& text)
{
    formatText_.setText(text);
}

} // namespace tavrel
