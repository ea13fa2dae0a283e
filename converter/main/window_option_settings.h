#pragma once
// The main window as the option windows see it: its encoder settings, its
// writer and the format text box (Text2).

#include "converter/options/option_settings.h"

class QLineEdit;

namespace tavrel {

class ConversionEngine;

class WindowOptionSettings final : public OptionSettings {
public:
    /// The option windows open over `owner`; `formatText` is Text2.
    WindowOptionSettings(QWidget& owner, QString configFile, quandor::audio::MP3LameEncoder& lame,
                         quandor::audio::AudioFileWriter& writer, const ConversionEngine& engine, QLineEdit& formatText)
        : owner_(owner),
          configFile_(std::move(configFile)),
          lame_(lame),
          writer_(writer),
          engine_(engine),
          formatText_(formatText)
    {}

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
    QWidget& owner_;
    const QString configFile_;
    quandor::audio::MP3LameEncoder& lame_;
    quandor::audio::AudioFileWriter& writer_;
    const ConversionEngine& engine_;
    QLineEdit& formatText_;
};

} // namespace tavrel
