#pragma once
// The main window as the option windows see it: its encoder settings, its
// writer and the format text box (Text2).

#include "converter/options/option_settings.h"

namespace tavrel {

class Audiotool;

class WindowOptionSettings final : public OptionSettings {
public:
    explicit WindowOptionSettings(Audiotool& window) : window_(window) {}

    QWidget* ownerWindow() override;
    QString configFile() const override;
    quandor::audio::MP3LameEncoder& lameSettings() override;
    quandor::audio::AudioFileWriter& writer() override;
    int frequency() const override;
    int channels() const override;
    AacSettings aacSettings() const override;
    QString formatText() const override;
    void formatTextChanged(const QString& text) override;

private:
    Audiotool& window_;
};

} // namespace tavrel
