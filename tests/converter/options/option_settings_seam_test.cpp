// The option windows against a settings stand-in alone: this program links
// the option windows without the main window, and checks that what they read
// and change goes through the settings interface.

#include "converter/options/ogg_options_window.h"
#include "converter/options/option_settings.h"
#include "converter/options/wav_options_window.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/mp3_lame_encoder.h"
#include "platform/profile/profile_file.h"
#include "tests/support/recording_services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

class StandInSettings final : public OptionSettings {
public:
    QWidget* ownerWindow() override { return nullptr; }
    QString configFile() const override { return QDir(folder.path()).filePath(QStringLiteral("Config.ini")); }
    quandor::audio::MP3LameEncoder& lameSettings() override { return lame; }
    quandor::audio::AudioFileWriter& writer() override { return fileWriter; }
    int frequency() const override { return 22050; }
    int channels() const override { return 1; }
    AacSettings aacSettings() const override { return {}; }
    QString formatText() const override { return shown; }
    void formatTextChanged(const QString& text) override
    {
        shown = text;
        ++notices;
    }

    QTemporaryDir folder;
    quandor::audio::MP3LameEncoder lame;
    quandor::audio::AudioFileWriter fileWriter;
    QString shown;
    int notices = 0;
};

TEST(OptionSettingsSeam, OggShowsTheWritersFormatOrStartsFromTheConversionsRateAndChannels)
{
    StandInSettings settings;
    {
        FrmOgg window(settings);
        window.loadaudiotool();
        EXPECT_EQ(window.cmbFrequency->currentText(), "22 050 Hz");
        EXPECT_EQ(window.cmbChMode->currentText(), "Mono");
    }
    ASSERT_TRUE(settings.fileWriter.SetFormatOggVorbis(32000, 2, 160, 0, 0, -1));
    FrmOgg window(settings);
    window.loadaudiotool();
    EXPECT_EQ(window.cmbFrequency->currentText(), "32 000 Hz");
    EXPECT_EQ(window.cmbChMode->currentText(), "Stereo");
    EXPECT_FALSE(window.chQuality->isChecked());
    EXPECT_EQ(window.Bitrate, 160);
}

TEST(OptionSettingsSeam, WavApplySetsTheWritersFormatAndReportsItsText)
{
    quandor::test::RecordingServices services;
    StandInSettings settings;
    {
        FrmWav window(settings);
        window.Form_Load();
        window.Option1[2]->setChecked(true); // 48000 Hz
        window.Command1_Click();
    }
    EXPECT_EQ(settings.notices, 1);
    EXPECT_FALSE(settings.shown.isEmpty());
    EXPECT_EQ(settings.shown, settings.fileWriter.FormatString());
    EXPECT_EQ(quandor::profile::readString(settings.configFile(), QStringLiteral("Wav"), QStringLiteral("Frequency")),
              "2");

    // Closed while no format is shown: the audio-CD format comes back, and is reported.
    settings.shown.clear();
    {
        FrmWav window(settings);
        window.reject();
    }
    EXPECT_EQ(settings.notices, 2);
    EXPECT_EQ(settings.shown, settings.fileWriter.FormatString());
    EXPECT_EQ(quandor::profile::readString(settings.configFile(), QStringLiteral("Wav"), QStringLiteral("Frequency")),
              "3");
}

} // namespace
} // namespace tavrel
