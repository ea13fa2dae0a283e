#include "converter/options/mp3_options_window.h"
#include "converter/options/option_controls.h"

#include "tests/converter/options/mp3_stream.h"
#include "tests/converter/options/option_test_support.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace tavrel {
namespace {

using quandor::audio::MP3LameEncoder;
using test::ProgramFolder;

std::map<QString, QString> mp3Keys(const ProgramFolder& folder)
{
    std::map<QString, QString> keys;
    for (int key = 1; key <= 22; ++key)
        keys[QString::number(key)] = folder.value(QStringLiteral("Mp3"), QString::number(key));
    return keys;
}

/// The 22 keys as the object's values should read.
std::map<QString, QString> expectedKeys(const MP3LameEncoder& e)
{
    using options::trueFalse;
    const QString v[22] = {QString::number(e.AbrBitrate),
                           QString::number(e.AthControl),
                           QString::number(e.Bitrate),
                           trueFalse(e.BitReservoir),
                           trueFalse(e.BlockTypesDiffer),
                           QString::number(e.ChannelCount),
                           QString::number(e.Emphasis),
                           QString::number(e.EncoderQuality),
                           trueFalse(e.ErrorProtection),
                           QString::number(e.OutputFrequency),
                           QString::number(e.HighpassFrequency),
                           QString::number(e.HighpassWidth),
                           QString::number(e.LowpassFrequency),
                           QString::number(e.LowpassWidth),
                           trueFalse(e.ShortBlocks),
                           trueFalse(e.StrictIso),
                           trueFalse(e.EnforceMinBitrate),
                           QString::number(e.ChannelMode),
                           QString::number(e.MaxVbrBitrate),
                           QString::number(e.VbrMethod),
                           QString::number(e.VbrQuality),
                           trueFalse(e.WriteVbrHeader)};
    std::map<QString, QString> keys;
    for (int key = 1; key <= 22; ++key)
        keys[QString::number(key)] = v[key - 1];
    return keys;
}

struct ControlCase {
    const char* name;
    std::function<void(FrmMp3&)> set;
    std::map<QString, QString> keys; ///< keys that must read so after Apply
    std::function<void(const test::Mp3Stream&, const QJsonObject& stream)> check;
};

TEST(Mp3Options, ControlsReachTheKeysAndTheEncodedStream)
{
    quandor::test::RecordingServices services;
    const ControlCase cases[] = {
        {"dual channels, CRC, emphasis 2, 32 kHz, 320 kbit/s",
         [](FrmMp3& w) {
             w.cmbChMode->setCurrentIndex(4);
             w.chErrorProtection->setChecked(true);
             w.cmbEmphasis->setCurrentIndex(2);
             w.cmbFrequency->setCurrentIndex(6);
             w.sldrBitrate->setValue(14);
             w.cmbVBRCodingMethod->setCurrentIndex(0);
         },
         {{"6", "2"}, {"18", "4"}, {"9", "True"}, {"7", "2"}, {"10", "32000"}, {"3", "320"}, {"20", "-1"}},
         [](const test::Mp3Stream& s, const QJsonObject& probe) {
             ASSERT_TRUE(s.audioFrame);
             EXPECT_EQ(s.audioFrame->mode, 2);
             EXPECT_TRUE(s.audioFrame->crc);
             EXPECT_EQ(s.audioFrame->emphasis, 3); // CCITT J.17 in the frame header
             EXPECT_EQ(s.audioFrame->kbps, 320);
             EXPECT_EQ(probe.value("sample_rate").toString(), "32000");
             EXPECT_EQ(probe.value("channels").toInt(), 2);
         }},
        {"mono at 22.05 kHz and 64 kbit/s, emphasis 50/15",
         [](FrmMp3& w) {
             w.cmbChMode->setCurrentIndex(0);
             w.cmbFrequency->setCurrentIndex(4);
             w.sldrBitrate->setValue(6);
             w.cmbEmphasis->setCurrentIndex(1);
         },
         {{"6", "1"}, {"18", "2"}, {"10", "22050"}, {"3", "64"}, {"7", "1"}, {"9", "False"}},
         [](const test::Mp3Stream& s, const QJsonObject& probe) {
             ASSERT_TRUE(s.audioFrame);
             EXPECT_EQ(s.audioFrame->mode, 3);
             EXPECT_FALSE(s.audioFrame->crc);
             EXPECT_EQ(s.audioFrame->emphasis, 1);
             EXPECT_EQ(s.audioFrame->kbps, 64);
             EXPECT_EQ(probe.value("sample_rate").toString(), "22050");
             EXPECT_EQ(probe.value("channels").toInt(), 1);
         }},
        {"ABR 160 with a 16 kHz low-pass and filters on",
         [](FrmMp3& w) {
             w.cmbVBRCodingMethod->setCurrentIndex(5);
             w.udAbrBitrate->setValue(160);
             w.chLFilt->setChecked(true);
             w.udLFiltF->setValue(16000);
             w.chHFilt->setChecked(true);
             w.udHFiltF->setValue(100);
         },
         {{"20", "4"}, {"1", "160"}, {"13", "16000"}, {"11", "100"}, {"22", "True"}},
         [](const test::Mp3Stream& s, const QJsonObject&) {
             ASSERT_TRUE(s.hasLameTag);
             EXPECT_EQ(s.vbrMethod, 2); // LAME tag: ABR
             EXPECT_EQ(s.lowpassHz, 16000);
             EXPECT_EQ(s.abrKbps, 160);
         }},
        {"joint stereo CBR without the VBR header",
         [](FrmMp3& w) {
             w.cmbChMode->setCurrentIndex(2);
             w.cmbVBRCodingMethod->setCurrentIndex(1);
             w.chWriteVBRHeader->setChecked(false);
             w.cmbVBRCodingMethod->setCurrentIndex(0);
         },
         {{"22", "False"}, {"20", "-1"}, {"18", "2"}, {"6", "2"}},
         [](const test::Mp3Stream& s, const QJsonObject&) {
             EXPECT_FALSE(s.hasInfoFrame);
             ASSERT_TRUE(s.audioFrame);
             EXPECT_EQ(s.audioFrame->mode, 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        auto main = folder.started();
        FrmMp3 window(main->optionSettings());
        window.AppelAudioTool();
        c.set(window);
        ASSERT_TRUE(window.ApplyMP3Settings()) << services.messageTexts().join('\n').toStdString();
        const auto keys = mp3Keys(folder);
        for (const auto& [key, value] : c.keys)
            EXPECT_EQ(keys.at(key), value) << "key " << key.toStdString();
        EXPECT_EQ(keys, expectedKeys(main->MP3LameEncoder));
        EXPECT_EQ(main->Text2->text(), main->FileWenc.FormatString());
        EXPECT_FALSE(main->Text2->text().isEmpty());

        const QString out = folder.file(QStringLiteral("out.mp3"));
        ASSERT_TRUE(test::encodeSample(*main, out)) << main->FileWenc.LastError().toStdString();
        const auto probe = quandor::test::firstAudioStream(quandor::test::ffprobe(out));
        c.check(test::readMp3Stream(quandor::test::readAll(out)), probe);
    }
}

TEST(Mp3Options, PresetAltPresetAndCommandLineReloadTheControlsAndSurviveARestart)
{
    quandor::test::RecordingServices services;
    const struct {
        const char* name;
        std::function<void(FrmMp3&)> choose;
    } cases[] = {
        {"preset CD",
         [](FrmMp3& w) {
             w.tabMP3->setCurrentIndex(4);
             w.opPreset[8]->click();
         }},
        {"preset Phone without a click", [](FrmMp3& w) { w.tabMP3->setCurrentIndex(4); }},
        {"alt preset Insane",
         [](FrmMp3& w) {
             w.tabMP3->setCurrentIndex(5);
             w.opAltPreset[4]->click();
         }},
        {"command line",
         [](FrmMp3& w) {
             w.tabMP3->setCurrentIndex(6);
             w.txtCommLine->setText(QStringLiteral("-b 192 -m m"));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder folder;
        auto main = folder.started();
        MP3LameEncoder after;
        {
            FrmMp3 window(main->optionSettings());
            window.AppelAudioTool();
            c.choose(window);
            ASSERT_TRUE(window.ApplyMP3Settings()) << services.messageTexts().join('\n').toStdString();
            after = main->MP3LameEncoder;
            EXPECT_EQ(mp3Keys(folder), expectedKeys(after));

            // The controls show the object: pushing them back from a data tab
            // keeps it (a width of 0 shows as 5 or 760 but stays 0 untouched).
            const MP3LameEncoder shown = after;
            window.tabMP3->setCurrentIndex(0);
            ASSERT_TRUE(window.ApplyMP3Settings());
            EXPECT_EQ(mp3Keys(folder), expectedKeys(shown)) << "controls did not show what was applied";
            after = main->MP3LameEncoder;
        }

        // A restart reads the same values back into the object.
        main.reset();
        auto again = folder.started();
        EXPECT_EQ(expectedKeys(again->MP3LameEncoder), expectedKeys(after));
    }
    // -b 192 -m m: mono at 192 kbit/s.
    ProgramFolder folder;
    auto main = folder.started();
    FrmMp3 window(main->optionSettings());
    window.AppelAudioTool();
    window.tabMP3->setCurrentIndex(6);
    window.txtCommLine->setText(QStringLiteral("-b 192 -m m"));
    ASSERT_TRUE(window.ApplyMP3Settings());
    EXPECT_EQ(folder.value("Mp3", "3"), "192");
    EXPECT_EQ(folder.value("Mp3", "6"), "1");
    EXPECT_EQ(window.cmbChMode->currentIndex(), 0);
    EXPECT_EQ(window.frmBitrate->title(), "Current bitrate: 192 kbit");
}

/// Average bit rate in kbit/s of a whole file, as ffprobe reckons it.
double averageKbps(const QString& file)
{
    return quandor::test::ffprobe(file).value("format").toObject().value("bit_rate").toString().toDouble() / 1000.0;
}

/// Encodes a few seconds of music-like sound with the main window's writer.
bool encodeMusic(Audiotool& main, const QString& path)
{
    auto& writer = main.FileWenc;
    const QByteArray pcm = quandor::test::makeMusicPcm({44100, 2, 16}, 44100 * 4);
    if (!writer.SetSourceFormat(44100, 4) || !writer.Open(path))
        return false;
    const bool written = writer.WriteChunk(pcm);
    return writer.Close() && written;
}

TEST(Mp3Options, CommandLineBelowTheGeneralBitrateGivesItsOwnRate)
{
    quandor::test::RecordingServices services;
    const struct {
        const char* line;
        const char* summary;
        double kbps; ///< the stream's average, within 15 %; 0: not checked (VBR follows the sound)
    } cases[] = {
        // LAME itself lowers the rate for this bit rate when none is named.
        {"--abr 96", "MP3 32000 Hz, ABR 96 kbit/s, joint stereo", 96},
        {"--preset 96", "MP3 32000 Hz, ABR 96 kbit/s, joint stereo", 96},
        {"--abr 64 -m m", "MP3 44100 Hz, ABR 64 kbit/s, mono", 64},
        {"-V 6", "MP3 44100 Hz, VBR quality 6 (32-320 kbit/s), joint stereo", 0},
    };
    for (int general : {9, 14}) { // 128 and 320 kbit/s on the General tab
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.line << " after " << options::bitrateStep(general) << " kbit/s");
            ProgramFolder folder;
            auto main = folder.started();
            FrmMp3 window(main->optionSettings());
            window.AppelAudioTool();
            window.sldrBitrate->setValue(general);
            ASSERT_TRUE(window.ApplyMP3Settings());
            window.tabMP3->setCurrentIndex(6);
            window.txtCommLine->setText(QString::fromLatin1(c.line));
            ASSERT_TRUE(window.ApplyMP3Settings()) << services.messageTexts().join('\n').toStdString();
            EXPECT_EQ(main->Text2->text(), QLatin1String(c.summary));
            EXPECT_EQ(folder.value("Mp3", "3"), "32"); // LAME's own floor, not the General tab's rate
            EXPECT_EQ(window.frmBitrate->title(), "Current bitrate: 32 kbit");

            const QString out = folder.file(QStringLiteral("out.mp3"));
            ASSERT_TRUE(encodeMusic(*main, out)) << main->FileWenc.LastError().toStdString();
            if (c.kbps > 0) {
                EXPECT_NEAR(averageKbps(out), c.kbps, c.kbps * 0.15);
            }
        }
    }
}

TEST(Mp3Options, VbrTabKeepsTheGeneralBitrateAsItsMinimumAndSaysSo)
{
    // On the VBR tab the General tab's rate stays the floor; a target below
    // it is written at the floor, and the summary states that rate.
    quandor::test::RecordingServices services;
    ProgramFolder folder;
    auto main = folder.started();
    FrmMp3 window(main->optionSettings());
    window.AppelAudioTool();
    window.sldrBitrate->setValue(10); // 160 kbit/s
    window.cmbVBRCodingMethod->setCurrentIndex(5);
    window.udAbrBitrate->setValue(96);
    window.tabMP3->setCurrentIndex(2);
    ASSERT_TRUE(window.ApplyMP3Settings());
    EXPECT_EQ(folder.value("Mp3", "1"), "96");
    EXPECT_EQ(folder.value("Mp3", "3"), "160");
    EXPECT_EQ(main->Text2->text(), "MP3 44100 Hz, ABR 160 kbit/s, joint stereo");
    const QString out = folder.file(QStringLiteral("out.mp3"));
    ASSERT_TRUE(encodeMusic(*main, out));
    EXPECT_NEAR(averageKbps(out), 160.0, 160.0 * 0.15);
}

TEST(Mp3Options, EveryTabIsVisibleInEveryLanguage)
{
    quandor::test::RecordingServices services;
    ProgramFolder folder;
    const QDir shipped(QStringLiteral(TAVREL_LANG_SOURCE_DIR));
    const QStringList names = shipped.entryList({QStringLiteral("*.lng")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        QFile file(shipped.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        folder.addLanguage(name, file.readAll());
    }
    auto main = folder.started();
    ASSERT_EQ(main->LangueName.size(), names.size());
    for (qsizetype language = 0; language < main->LangueName.size(); ++language) {
        SCOPED_TRACE(main->LangueName[language]->text().toStdString());
        main->LangueName_Click(static_cast<int>(language));
        FrmMp3 window(main->optionSettings());
        window.AppelAudioTool();
        window.show();
        QCoreApplication::processEvents();
        const QTabBar* bar = window.tabMP3->tabBar();
        EXPECT_LE(bar->sizeHint().width(), bar->width());
        for (int tab = 0; tab < bar->count(); ++tab) {
            EXPECT_TRUE(bar->rect().contains(bar->tabRect(tab))) << bar->tabText(tab).toStdString();
        }
        for (const QToolButton* arrow : bar->findChildren<QToolButton*>())
            EXPECT_FALSE(arrow->isVisible()) << "scroll arrows are showing";
        window.close();
    }
}

TEST(Mp3Options, LoadingShowsFiltersWidthsChannelsAndUnlistedValues)
{
    ProgramFolder folder;
    auto main = folder.started();
    MP3LameEncoder& e = main->MP3LameEncoder;
    e.HighpassFrequency = -1;
    e.LowpassFrequency = -1;
    e.HighpassWidth = 0;
    e.LowpassWidth = 0;
    e.ChannelCount = 2;
    e.ChannelMode = 0; // no valid mode: must not show (and later send) mono
    e.Bitrate = 40;    // not a slider step
    e.OutputFrequency = 44100;
    e.VbrMethod = -1;

    FrmMp3 window(main->optionSettings());
    window.AppelAudioTool();
    EXPECT_FALSE(window.chHFilt->isChecked());
    EXPECT_FALSE(window.chLFilt->isChecked());
    EXPECT_EQ(window.udHFiltF->value(), 30);
    EXPECT_EQ(window.udLFiltF->value(), 15160);
    EXPECT_EQ(window.udHFiltW->value(), 5);
    EXPECT_EQ(window.udLFiltW->value(), 760);
    EXPECT_FALSE(window.udHFiltF->isEnabled());
    EXPECT_FALSE(window.lblLFiltW->isEnabled());
    EXPECT_EQ(window.cmbChMode->currentIndex(), 1);
    EXPECT_EQ(window.frmBitrate->title(), "Current bitrate: 40 kbit");
    EXPECT_EQ(window.cmbVBRCodingMethod->currentIndex(), 0);
    EXPECT_FALSE(window.sldrVbrBitrate->isEnabled());
    EXPECT_EQ(window.cmbFrequency->itemText(0), "  8 000 Hz");
    EXPECT_EQ(window.cmbFrequency->itemText(2), "12 000 Hz ");

    // What the controls cannot show stays as it was while its control is untouched.
    quandor::test::RecordingServices services;
    ASSERT_TRUE(window.ApplyMP3Settings());
    EXPECT_EQ(e.HighpassWidth, 0);
    EXPECT_EQ(e.LowpassWidth, 0);
    EXPECT_EQ(e.ChannelMode, 0);
    EXPECT_EQ(e.Bitrate, 40);
    // Changed, a control sends what it shows, and the keys follow.
    window.chHFilt->setChecked(true);
    window.udLFiltW->setValue(800);
    ASSERT_TRUE(window.ApplyMP3Settings());
    EXPECT_EQ(folder.value("Mp3", "11"), "30");
    EXPECT_EQ(folder.value("Mp3", "13"), "-1");
    EXPECT_EQ(folder.value("Mp3", "12"), "0");
    EXPECT_EQ(folder.value("Mp3", "14"), "800");
    EXPECT_EQ(folder.value("Mp3", "6"), "2");
    EXPECT_EQ(folder.value("Mp3", "3"), "40");

    // A frequency outside the list keeps the object's own value.
    e.OutputFrequency = 44056;
    window.LoadMP3Settings();
    EXPECT_EQ(window.cmbFrequency->currentIndex(), -1);
    window.ApplyMP3Settings();
    EXPECT_EQ(e.OutputFrequency, 44056);
}

TEST(Mp3Options, OkWithoutAChangeLeavesTheEncoderAndTheFileAsTheyWere)
{
    quandor::test::RecordingServices services;
    for (const char* line : {"-V 3 --lowpass 12", "-b 128", "--abr 40 --highpass 0.1", "-m m"}) {
        SCOPED_TRACE(line);
        ProgramFolder folder;
        auto main = folder.started();
        {
            FrmMp3 window(main->optionSettings());
            window.AppelAudioTool();
            window.tabMP3->setCurrentIndex(6);
            window.txtCommLine->setText(QString::fromLatin1(line));
            ASSERT_TRUE(window.ApplyMP3Settings()) << window.txtCommLine->text().toStdString();
        }
        const QByteArray keys = folder.configBytes();
        const MP3LameEncoder applied = main->MP3LameEncoder;
        const QString first = folder.path() + QStringLiteral("/first.mp3");
        ASSERT_TRUE(test::encodeSample(*main, first));

        // Opened again on any tab and closed with Ok untouched, twice.
        for (const int tab : {0, 1, 2, 3, 0}) {
            FrmMp3 window(main->optionSettings());
            window.AppelAudioTool();
            window.tabMP3->setCurrentIndex(tab);
            window.cmdOk_Click();
            EXPECT_EQ(expectedKeys(main->MP3LameEncoder), expectedKeys(applied)) << tab;
            EXPECT_EQ(folder.configBytes(), keys) << tab;
        }
        const QString again = folder.path() + QStringLiteral("/again.mp3");
        ASSERT_TRUE(test::encodeSample(*main, again));
        EXPECT_EQ(quandor::test::readAll(again), quandor::test::readAll(first));
        EXPECT_TRUE(services.messages.isEmpty());
    }
}

TEST(Mp3Options, VbrCodingMethodEnablesItsControls)
{
    ProgramFolder folder;
    auto main = folder.started();
    FrmMp3 window(main->optionSettings());
    window.AppelAudioTool();
    const struct {
        int position;
        bool quality, abr, advanced;
    } rules[] = {{0, false, false, false}, {1, true, false, true}, {4, true, false, true}, {5, false, true, true}};
    for (const auto& r : rules) {
        window.cmbVBRCodingMethod->setCurrentIndex(r.position);
        EXPECT_EQ(window.udVbrQuality->isEnabled(), r.quality) << r.position;
        EXPECT_EQ(window.udAbrBitrate->isEnabled(), r.abr) << r.position;
        EXPECT_EQ(window.frmVbrAdvanced->isEnabled(), r.advanced) << r.position;
        EXPECT_EQ(window.chWriteVBRHeader->isEnabled(), r.advanced) << r.position;
        EXPECT_TRUE(window.cmbVBRCodingMethod->isEnabled());
    }
}

TEST(Mp3Options, CancelAndRefusalsWriteNothing)
{
    quandor::test::RecordingServices services;
    ProgramFolder folder;
    auto main = folder.started();
    const QByteArray before = folder.configBytes();
    const QString summary = main->Text2->text();
    {
        FrmMp3 window(main->optionSettings());
        window.AppelAudioTool();
        window.cmbChMode->setCurrentIndex(4);
        window.sldrQuality->setValue(7); // goes to the object at once
        window.cmdCancel_Click();
    }
    EXPECT_EQ(folder.configBytes(), before);
    EXPECT_EQ(main->MP3LameEncoder.EncoderQuality, 7);
    EXPECT_EQ(main->Text2->text(), summary);

    // An unknown option is reported and changes nothing.
    const MP3LameEncoder kept = main->MP3LameEncoder;
    FrmMp3 window(main->optionSettings());
    window.AppelAudioTool();
    window.tabMP3->setCurrentIndex(6);
    window.txtCommLine->setText(QStringLiteral("-b 192 --no-such-switch"));
    EXPECT_FALSE(window.ApplyMP3Settings());
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(folder.configBytes(), before);
    EXPECT_EQ(expectedKeys(main->MP3LameEncoder), expectedKeys(kept));
}

TEST(Mp3Options, OkAfterARefusedLineKeepsTheWindowAndTheLineForCorrection)
{
    quandor::test::RecordingServices services;
    ProgramFolder folder;
    auto main = folder.started();
    const QByteArray before = folder.configBytes();
    FrmMp3 window(main->optionSettings());
    window.AppelAudioTool();
    window.show();
    window.tabMP3->setCurrentIndex(6);
    for (const char* bad : {"--preset medum", "--resample 1e95", "--highpass nan"}) {
        SCOPED_TRACE(bad);
        window.txtCommLine->setText(QString::fromLatin1(bad));
        window.cmdOk_Click();
        EXPECT_TRUE(window.isVisible()) << "the window closed on a refused line";
        EXPECT_EQ(window.txtCommLine->text(), QLatin1String(bad));
        EXPECT_EQ(window.tabMP3->currentIndex(), 6);
        ASSERT_FALSE(services.messageTexts().isEmpty());
        EXPECT_TRUE(services.messageTexts().last().startsWith(QStringLiteral("Bad value for ")))
            << services.messageTexts().last().toStdString();
        EXPECT_EQ(folder.configBytes(), before);
    }

    // Corrected, the line is applied and Ok closes the window.
    window.txtCommLine->setText(QStringLiteral("--preset medium"));
    window.cmdOk_Click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(folder.value("Mp3", "20"), "0"); // VBR, LAME's default method
    EXPECT_EQ(folder.value("Mp3", "21"), "4");
    EXPECT_EQ(main->Text2->text(), "MP3 44100 Hz, VBR quality 4 (32-320 kbit/s), joint stereo");
}

} // namespace
} // namespace tavrel
