#include "converter/options/aac_options_window.h"
#include "converter/options/ogg_options_window.h"
#include "converter/options/wav_options_window.h"

#include "tests/converter/options/option_test_support.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QtEndian>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace tavrel {
namespace {

using test::ProgramFolder;

/// The bit rates of a Vorbis identification header, bit/s (0 or -1 when unset).
struct VorbisHeader {
    int channels = 0;
    int rate = 0;
    qint32 maximum = 0;
    qint32 nominal = 0;
    qint32 minimum = 0;
};

VorbisHeader vorbisHeader(const QByteArray& file)
{
    VorbisHeader h;
    const qsizetype at = file.indexOf(QByteArray("\x01vorbis", 7));
    if (at < 0 || at + 7 + 21 > file.size())
        return h;
    const char* p = file.constData() + at + 7;
    h.channels = static_cast<unsigned char>(p[4]);
    h.rate = qFromLittleEndian<qint32>(p + 5);
    h.maximum = qFromLittleEndian<qint32>(p + 9);
    h.nominal = qFromLittleEndian<qint32>(p + 13);
    h.minimum = qFromLittleEndian<qint32>(p + 17);
    return h;
}

std::map<QString, QString> section(const ProgramFolder& folder, const QString& name, const QStringList& keys)
{
    std::map<QString, QString> values;
    for (const QString& key : keys)
        values[key] = folder.value(name, key);
    return values;
}

// ---- Ogg Vorbis -------------------------------------------------------------------

/// Ticks or clears a box as a click does (its rule runs), whatever it showed.
void tick(QCheckBox* box, bool on)
{
    if (box->isChecked() != on)
        box->click();
}

/// The main window at its start, with the Ogg format chosen in the format list.
std::unique_ptr<Audiotool> startedOnOgg(const ProgramFolder& folder)
{
    auto main = folder.started();
    main->Combo1->setCurrentText(QStringLiteral("Ogg"));
    main->Combo1_Click();
    return main;
}

struct OggShown {
    QString frequency;
    QString channels;
    bool quality;
    int qualityValue;
    bool vbr;
    const char* nominal;
    const char* minimum;
    const char* maximum;
};

void expectShown(const FrmOgg& w, const OggShown& shown)
{
    EXPECT_EQ(w.cmbFrequency->currentText(), shown.frequency);
    EXPECT_EQ(w.cmbChMode->currentText(), shown.channels);
    EXPECT_EQ(w.chQuality->isChecked(), shown.quality);
    EXPECT_EQ(w.sldrQuality->value(), shown.qualityValue);
    EXPECT_EQ(w.sldrQuality->isEnabled(), shown.quality);
    EXPECT_EQ(w.chVbr->isChecked(), shown.vbr);
    EXPECT_EQ(w.sldrMinBitrate->isEnabled(), !shown.quality && shown.vbr);
    EXPECT_EQ(w.lblBitrate->text(), QStringLiteral("Current nominal bitrate: %1 kbit").arg(shown.nominal));
    EXPECT_EQ(w.lblMinBitrate->text(), QStringLiteral("Current min bitrate: %1 kbit").arg(shown.minimum));
    EXPECT_EQ(w.lblMaxBitrate->text(), QStringLiteral("Current max bitrate: %1 kbit").arg(shown.maximum));
}

TEST(OggOptions, RateModesReachTheKeysAndTheIdentificationHeader)
{
    quandor::test::RecordingServices services;
    const struct {
        const char* name;
        std::function<void(FrmOgg&)> set;
        std::map<QString, QString> keys;
        VorbisHeader header; ///< bit rates in bit/s; -1: only "not the nominal" is checked
    } cases[] = {
        {"quality 5 at 22.05 kHz mono, VBR box still ticked",
         [](FrmOgg& w) {
             w.cmbFrequency->setCurrentIndex(4);
             w.cmbChMode->setCurrentIndex(0);
             tick(w.chQuality, false);
             tick(w.chVbr, true);
             tick(w.chQuality, true);
             w.sldrQuality->setValue(500);
         },
         {{"1", "1"}, {"2", "1"}, {"3", "22050"}, {"4", "1"}, {"5", "500"}, {"6", "128"}, {"7", "128"}, {"8", ""}},
         {1, 22050, -1, -1, -1}},
        {"managed 96..192 around 128",
         [](FrmOgg& w) {
             tick(w.chQuality, false);
             tick(w.chVbr, true);
             w.sldrMinBitrate->setValue(7);
             w.sldrMaxBitrate->setValue(11);
         },
         {{"1", "0"}, {"2", "1"}, {"3", "44100"}, {"4", "2"}, {"6", "128"}, {"7", "192"}, {"8", "96"}},
         {2, 44100, 192000, 128000, 96000}},
        {"nominal 160 alone",
         [](FrmOgg& w) {
             tick(w.chQuality, false);
             w.sldrBitrate->setValue(10);
         },
         {{"1", "0"}, {"2", "0"}, {"6", "160"}, {"7", "128"}, {"8", "128"}},
         {2, 44100, -1, 160000, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        auto main = folder.started();
        {
            FrmOgg window(main->optionSettings());
            window.loadaudiotool();
            c.set(window);
            ASSERT_TRUE(window.ApplyOggSettings()) << services.messageTexts().join('\n').toStdString();
        }
        for (const auto& [key, value] : c.keys)
            EXPECT_EQ(folder.value("OGG", key), value) << "key " << key.toStdString();
        EXPECT_EQ(main->Text2->text(), main->FileWenc.FormatString());

        const QString out = folder.file(QStringLiteral("out.ogg"));
        ASSERT_TRUE(test::encodeSample(*main, out));
        const VorbisHeader h = vorbisHeader(quandor::test::readAll(out));
        EXPECT_EQ(h.channels, c.header.channels);
        EXPECT_EQ(h.rate, c.header.rate);
        if (c.header.nominal >= 0) {
            EXPECT_EQ(h.nominal, c.header.nominal);
        }
        if (c.header.maximum >= 0) {
            EXPECT_EQ(h.maximum, c.header.maximum);
        }
        if (c.header.minimum >= 0) {
            EXPECT_EQ(h.minimum, c.header.minimum);
        }
        if (quandor::test::haveCheckingTool(QStringLiteral("ogginfo"))) {
            const auto info = quandor::test::runTool(QStringLiteral("ogginfo"), {out});
            EXPECT_EQ(info.exitCode, 0) << info.out.toStdString();
        }

        // The main window's loader restores the same format at the next start.
        main.reset();
        auto again = folder.started();
        again->Combo1->setCurrentText(QStringLiteral("Ogg"));
        again->Combo1_Click();
        EXPECT_EQ(again->Text2->text(), again->FileWenc.FormatString());
    }
}

TEST(OggOptions, RefusedFormatIsReportedAndNotStoredAndOpeningShowsTheFormatInEffect)
{
    quandor::test::RecordingServices services;
    ProgramFolder folder;
    auto main = folder.started();
    const QByteArray before = folder.configBytes();
    const QString summary = main->Text2->text();
    {
        FrmOgg window(main->optionSettings());
        window.loadaudiotool();
        tick(window.chQuality, false);           // the bit rate governs
        window.cmbFrequency->setCurrentIndex(0); // 8 kHz at 320 kbit/s: libvorbis refuses
        window.sldrBitrate->setValue(14);
        window.cmdOk_Click();
        EXPECT_TRUE(window.isVisible() || window.result() == 0);
        ASSERT_EQ(services.messageTexts(), QStringList{"Incorrect format"});
        EXPECT_EQ(folder.configBytes(), before);
        EXPECT_EQ(main->Text2->text(), summary);

        // Cancel after moving everything changes nothing either.
        window.cmbChMode->setCurrentIndex(0);
        window.chQuality->click();
        window.cmdCancel_Click();
        EXPECT_EQ(folder.configBytes(), before);
    }

    // The next opening shows the settings in effect again, not what the
    // refused and cancelled choices left in the controls.
    FrmOgg window(main->optionSettings());
    window.cmbFrequency->setCurrentIndex(4);
    window.loadaudiotool();
    expectShown(window, {"44 100 Hz", "Stereo", true, 400, false, "128", "128", "128"});
    EXPECT_FALSE(window.chVbr->isEnabled());
    EXPECT_FALSE(window.sldrBitrate->isEnabled());
    window.chQuality->click();
    EXPECT_FALSE(window.sldrQuality->isEnabled());
    EXPECT_TRUE(window.chVbr->isEnabled());
    EXPECT_TRUE(window.sldrBitrate->isEnabled());
}

TEST(OggOptions, OpensOnTheSettingsInEffectAndOkWithoutAChangeKeepsThem)
{
    quandor::test::RecordingServices services;
    const struct {
        const char* name;
        std::function<void(FrmOgg&)> set; ///< what a first session applied; null: nothing
        OggShown shown;                   ///< what the window shows after a restart
    } cases[] = {
        {"first start: the loader's quality 4",
         nullptr,
         {"44 100 Hz", "Stereo", true, 400, false, "128", "128", "128"}},
        {"22.05 kHz mono quality 7",
         [](FrmOgg& w) {
             w.cmbFrequency->setCurrentIndex(4);
             w.cmbChMode->setCurrentIndex(0);
             tick(w.chQuality, true);
             w.sldrQuality->setValue(700);
         },
         {"22 050 Hz", "Mono", true, 700, false, "128", "128", "128"}},
        {"quality 2.5 with the VBR box and its rates kept from before",
         [](FrmOgg& w) {
             tick(w.chQuality, false);
             tick(w.chVbr, true);
             w.sldrMinBitrate->setValue(6);
             w.sldrMaxBitrate->setValue(12);
             w.sldrBitrate->setValue(10);
             tick(w.chQuality, true);
             w.sldrQuality->setValue(250);
         },
         {"44 100 Hz", "Stereo", true, 250, true, "160", "64", "224"}},
        {"managed 96..192 around 160 at 32 kHz",
         [](FrmOgg& w) {
             w.cmbFrequency->setCurrentIndex(6);
             tick(w.chQuality, false);
             tick(w.chVbr, true);
             w.sldrBitrate->setValue(10);
             w.sldrMinBitrate->setValue(7);
             w.sldrMaxBitrate->setValue(11);
             w.sldrQuality->setValue(800);
         },
         {"32 000 Hz", "Stereo", false, 800, true, "160", "96", "192"}},
        {"nominal 96 alone, mono",
         [](FrmOgg& w) {
             tick(w.chQuality, false);
             w.cmbChMode->setCurrentIndex(0);
             w.sldrBitrate->setValue(7);
         },
         {"44 100 Hz", "Mono", false, 400, false, "96", "128", "128"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        if (c.set) {
            auto first = startedOnOgg(folder);
            FrmOgg window(first->optionSettings());
            window.loadaudiotool();
            c.set(window);
            ASSERT_TRUE(window.ApplyOggSettings()) << services.messageTexts().join('\n').toStdString();
        }
        auto main = startedOnOgg(folder);
        const QString summary = main->Text2->text();
        const QByteArray stored = folder.configBytes();

        {
            FrmOgg window(main->optionSettings());
            window.cmbFrequency->setCurrentIndex(0); // whatever an earlier opening left
            window.loadaudiotool();
            expectShown(window, c.shown);

            window.show();
            window.cmdOk_Click();
            EXPECT_FALSE(window.isVisible());
        }
        EXPECT_EQ(main->Text2->text(), summary) << "Ok without a change changed the format";
        if (c.set) {
            EXPECT_EQ(folder.configBytes(), stored) << "Ok without a change rewrote the stored choice";
        }
        // And what Ok stored is what the next start puts in effect.
        main.reset();
        EXPECT_EQ(startedOnOgg(folder)->Text2->text(), summary);
    }
    EXPECT_TRUE(services.messages.isEmpty()) << services.messageTexts().join('\n').toStdString();
}

TEST(OggOptions, OkWithoutAChangeKeepsAnOlderFileByteForByte)
{
    quandor::test::RecordingServices services;
    // Files written before the minimum had a key of its own: "6" stands for both.
    const struct {
        const char* name;
        std::vector<std::pair<const char*, const char*>> keys;
    } files[] = {
        {"quality 7 at 22.05 kHz mono",
         {{"1", "1"}, {"2", "0"}, {"3", "22050"}, {"4", "1"}, {"5", "700"}, {"6", "96"}, {"7", "160"}}},
        {"managed 96..160",
         {{"1", "0"}, {"2", "1"}, {"3", "44100"}, {"4", "2"}, {"5", "400"}, {"6", "96"}, {"7", "160"}}},
        {"nominal 112 alone",
         {{"1", "0"}, {"2", "0"}, {"3", "48000"}, {"4", "2"}, {"5", "300"}, {"6", "112"}, {"7", "128"}}},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        ProgramFolder folder;
        for (const auto& [key, value] : f.keys)
            folder.setValue(QStringLiteral("OGG"), QLatin1String(key), QLatin1String(value));
        auto main = startedOnOgg(folder);
        const QByteArray stored = folder.configBytes();
        for (int opening = 0; opening < 2; ++opening) {
            FrmOgg window(main->optionSettings());
            window.loadaudiotool();
            window.show();
            window.cmdOk_Click();
            EXPECT_FALSE(window.isVisible());
            EXPECT_EQ(folder.configBytes(), stored) << opening;
        }
        EXPECT_TRUE(folder.value(QStringLiteral("OGG"), QStringLiteral("8")).isEmpty());

        // A minimum of its own does get its key.
        FrmOgg window(main->optionSettings());
        window.loadaudiotool();
        window.cmbFrequency->setCurrentIndex(7);
        window.cmbChMode->setCurrentIndex(1);
        tick(window.chQuality, false);
        tick(window.chVbr, true);
        window.sldrBitrate->setValue(10);
        window.sldrMinBitrate->setValue(6);
        window.sldrMaxBitrate->setValue(11);
        ASSERT_TRUE(window.ApplyOggSettings());
        EXPECT_EQ(folder.value(QStringLiteral("OGG"), QStringLiteral("6")), QStringLiteral("160"));
        EXPECT_EQ(folder.value(QStringLiteral("OGG"), QStringLiteral("8")), QStringLiteral("64"));
    }
    EXPECT_TRUE(services.messages.isEmpty()) << services.messageTexts().join('\n').toStdString();
}

// ---- WAV --------------------------------------------------------------------------

TEST(WavOptions, StoredIndicesLoadAndAppliedFormatsReachTheFile)
{
    quandor::test::RecordingServices services;
    const struct {
        const char* name;
        int frequency, channel, bits; ///< indices chosen
        const char* keys[3];
        int hertz, channels;
        const char* codec;
    } cases[] = {
        {"8000 Hz mono 8 bits", 10, 0, 4, {"10", "0", "4"}, 8000, 1, "pcm_u8"},
        {"48000 Hz stereo 16 bits", 2, 1, 5, {"2", "1", "5"}, 48000, 2, "pcm_s16le"},
        {"22050 Hz stereo 24 bits", 6, 1, 6, {"6", "1", "6"}, 22050, 2, "pcm_s24le"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        auto main = folder.started();
        {
            FrmWav window(main->optionSettings());
            window.Form_Load();
            window.Option1[c.frequency]->setChecked(true);
            window.Option2[c.channel]->setChecked(true);
            window.Option3[c.bits]->setChecked(true);
            window.Command1_Click();
            EXPECT_TRUE(services.messages.isEmpty());
        }
        EXPECT_EQ(folder.value("Wav", "Frequency"), c.keys[0]);
        EXPECT_EQ(folder.value("Wav", "Channel"), c.keys[1]);
        EXPECT_EQ(folder.value("Wav", "bits"), c.keys[2]);
        const QString out = folder.file(QStringLiteral("out.wav"));
        ASSERT_TRUE(test::encodeSample(*main, out));
        const auto stream = quandor::test::firstAudioStream(quandor::test::ffprobe(out));
        EXPECT_EQ(stream.value("codec_name").toString(), c.codec);
        EXPECT_EQ(stream.value("sample_rate").toString(), QString::number(c.hertz));
        EXPECT_EQ(stream.value("channels").toInt(), c.channels);

        // Reopening shows the stored choice.
        FrmWav again(main->optionSettings());
        again.Form_Load();
        EXPECT_TRUE(again.Option1[c.frequency]->isChecked());
        EXPECT_TRUE(again.Option2[c.channel]->isChecked());
        EXPECT_TRUE(again.Option3[c.bits]->isChecked());
    }

    // Stored texts that fit no button keep the design choice; the others apply.
    ProgramFolder folder;
    auto main = folder.started();
    for (const char* bad : {"12", "x", "-1"}) {
        folder.setValue("Wav", "Frequency", bad);
        folder.setValue("Wav", "Channel", "0");
        folder.setValue("Wav", "bits", "4");
        FrmWav window(main->optionSettings());
        window.Form_Load();
        EXPECT_TRUE(window.Option1[3]->isChecked()) << bad;
        EXPECT_TRUE(window.Option2[0]->isChecked()) << bad;
        EXPECT_TRUE(window.Option3[4]->isChecked()) << bad;
        EXPECT_EQ(window.Option2[1]->text(), QString::fromUtf8("St\u00e9r\u00e9o"));
    }
}

TEST(WavOptions, RefusedFormatWarnsAndClosingWithoutAFormatRestoresTheCdFormat)
{
    quandor::test::RecordingServices services;
    ProgramFolder folder;
    auto main = folder.started();
    main->Text2->clear();
    {
        FrmWav window(main->optionSettings());
        window.Form_Load();
        window.Option3[0]->setChecked(true); // 2 bits: the writer refuses
        window.Command1_Click();
        EXPECT_EQ(services.messageTexts(),
                  QStringList{"Can't set this format to the encoder. Please modify format options."});
        EXPECT_TRUE(main->Text2->text().isEmpty());
        EXPECT_EQ(folder.value("Wav", "bits"), "0");
        window.reject(); // the close box
    }
    EXPECT_EQ(folder.value("Wav", "Frequency"), "3");
    EXPECT_EQ(folder.value("Wav", "Channel"), "1");
    EXPECT_EQ(folder.value("Wav", "bits"), "5");
    EXPECT_FALSE(main->Text2->text().isEmpty());

    // With a format in place, the close box changes nothing.
    const QByteArray before = folder.configBytes();
    const QString summary = main->Text2->text();
    FrmWav window(main->optionSettings());
    window.Form_Load();
    window.Option1[10]->setChecked(true);
    window.reject();
    EXPECT_EQ(folder.configBytes(), before);
    EXPECT_EQ(main->Text2->text(), summary);
}

// ---- AAC --------------------------------------------------------------------------

const QStringList AacKeys{"Quality", "QualityRate", "BitRate", "Profile", "BandW", "ADTS", "TNS", "LFE", "MidSide"};

TEST(AacOptions, OkWritesTheNineKeysAndTheMainWindowReadsThemBack)
{
    const struct {
        const char* name;
        std::function<void(FrmAac&)> set;
        std::map<QString, QString> keys;
    } cases[] = {
        {"no change",
         [](FrmAac&) {},
         {{"Quality", "False"},
          {"QualityRate", "100"},
          {"BitRate", "128"},
          {"Profile", "Main"},
          {"BandW", "16000"},
          {"ADTS", "MPEG-2"},
          {"TNS", "False"},
          {"LFE", "False"},
          {"MidSide", "False"}}},
        {"quality 250, LC, MPEG-4, every box",
         [](FrmAac& w) {
             w.Option4->setChecked(true);
             w.Slider1->setValue(250);
             w.Combo1->setCurrentText("96");
             w.Combo2->setCurrentText("Low complexity");
             w.Combo3->setCurrentText("19500");
             w.Option2->setChecked(true);
             w.Check3->setChecked(true);
             w.Check2->setChecked(true);
             w.Check4->setChecked(true);
         },
         {{"Quality", "True"},
          {"QualityRate", "250"},
          {"BitRate", "96"},
          {"Profile", "Low complexity"},
          {"BandW", "19500"},
          {"ADTS", "MPEG-4"},
          {"TNS", "True"},
          {"LFE", "True"},
          {"MidSide", "True"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        auto main = folder.started();
        {
            FrmAac window(main->optionSettings());
            window.fillFrom(main->optionSettings().aacSettings());
            c.set(window);
            window.Command1_Click();
        }
        EXPECT_EQ(section(folder, "Aac", AacKeys), c.keys);
        main->LoadAacSettings();
        EXPECT_EQ(main->engine().outputSettings().aac.profile, c.keys.at("Profile"));
        EXPECT_EQ(main->engine().outputSettings().aac.adts, c.keys.at("ADTS"));
        EXPECT_EQ(QString::number(main->engine().outputSettings().aac.bitRate), c.keys.at("BitRate"));
    }
}

TEST(AacOptions, AutoBitRateSurvivesTheRoundTrip)
{
    ProgramFolder folder;
    auto main = folder.started();
    {
        FrmAac window(main->optionSettings());
        window.fillFrom(main->optionSettings().aacSettings());
        window.Combo1->setCurrentText("Auto");
        window.Combo2->setCurrentText("Low complexity");
        window.Command1_Click();
    }
    main->LoadAacSettings();
    EXPECT_EQ(main->engine().outputSettings().aac.profile, "Low complexity")
        << "Auto must not reset the other settings";
    EXPECT_EQ(main->engine().outputSettings().aac.formatString(), "AAC - MPEG-2; Average Bitrate=Auto kbits/s");
    FrmAac reopened(main->optionSettings());
    reopened.fillFrom(main->optionSettings().aacSettings());
    EXPECT_EQ(reopened.Combo1->currentText(), "Auto");
}

TEST(AacOptions, SliderLabelUnlistedTextsAndCancel)
{
    ProgramFolder folder;
    auto main = folder.started();
    // Values no item shows, as a hand-edited Config.ini may hold them.
    folder.setValue(QStringLiteral("Aac"), QStringLiteral("BitRate"), QStringLiteral("100"));
    folder.setValue(QStringLiteral("Aac"), QStringLiteral("Profile"), QStringLiteral("High"));
    folder.setValue(QStringLiteral("Aac"), QStringLiteral("BandW"), QStringLiteral("1234"));
    main->LoadAacSettings();
    ASSERT_EQ(main->engine().outputSettings().aac.bitRate, 100);
    ASSERT_EQ(main->engine().outputSettings().aac.profile, "High");
    ASSERT_EQ(main->engine().outputSettings().aac.bandWidth, 1234);
    const QByteArray before = folder.configBytes();
    FrmAac window(main->optionSettings());
    window.fillFrom(main->optionSettings().aacSettings());
    EXPECT_EQ(window.Combo1->currentText(), "128");
    EXPECT_EQ(window.Combo2->currentText(), "Main");
    EXPECT_EQ(window.Combo3->currentText(), "16000");
    for (int end : {50, 250}) {
        window.Slider1->setValue(end);
        EXPECT_EQ(window.Label4->text(), QString::number(end));
    }
    window.Combo1->setCurrentText("Auto");
    window.Command2_Click();
    EXPECT_EQ(folder.configBytes(), before);
}

} // namespace
} // namespace tavrel
