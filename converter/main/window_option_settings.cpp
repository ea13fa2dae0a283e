#include "converter/main/window_option_settings.h"

#include "converter/main/audiotool.h"

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
    return window_.Frequency;
}

int WindowOptionSettings::channels() const
{
    return window_.Channels;
}

AacSettings WindowOptionSettings::aacSettings() const
{
    AacSettings s;
    s.quality = window_.AACquality;
    s.qualityRate = static_cast<std::int16_t>(window_.AACqualityRate);
    s.bitRate = static_cast<std::int16_t>(window_.AACBitRate);
    s.profile = window_.AACProfile;
    s.bandWidth = static_cast<std::int16_t>(window_.AACBandW);
    s.adts = window_.AACADTS;
    s.tns = window_.AACTNS;
    s.lfe = window_.AACLFE;
    s.midSide = window_.AACMidSide;
    return s;
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
