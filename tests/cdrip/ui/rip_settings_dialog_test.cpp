// The "Audio compression configuration" dialog: what it shows, what it
// enables, what it stores.
#include "cdrip/encode/encoder_settings.h"
#include "cdrip/ui/encoder_settings_dialog.h"
#include "platform/profile/profile_file.h"
#include "tests/support/tools.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>

using namespace brenlow;
using quandor::profile::readString;
using quandor::profile::writeString;

namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    QString ini() const { return dir.filePath(QStringLiteral("Ripper.ini")); }
    template <typename T>
    T* child(EncoderSettingsDialog& d, int id) const
    {
        T* w = d.findChild<T*>(QString::number(id));
        EXPECT_TRUE(w) << id;
        return w;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(SettingsDialogTest, FreshFileGetsEveryDefaultWritten)
{
    const EncoderSettings loaded = LoadMp3Settings(ini());
    EXPECT_EQ(loaded, EncoderSettings{});
    const std::vector<std::tuple<const char*, const char*, const char*>> keys = {{"MP3", "Bitrate", "128"},
                                                                                 {"MP3", "VBRBitrate", "128"},
                                                                                 {"MP3", "Channel", "Joint-Stereo"},
                                                                                 {"MP3", "Present", "NORMAL"},
                                                                                 {"MP3", "Frequency", "44100"},
                                                                                 {"MP3", "VBRMETHOD", "Default"},
                                                                                 {"MP3", "VBRQUALITY", "VBR-7"},
                                                                                 {"MP3", "CRC", "0"},
                                                                                 {"MP3", "VBR", "0"},
                                                                                 {"MP3", "VBRHEADER", "0"},
                                                                                 {"MP3", "COPYRIGHT", "0"},
                                                                                 {"MP3", "ORIGINAL", "0"},
                                                                                 {"MP3", "PRIVATE", "0"},
                                                                                 {"COMPRESSION", "Select", "MP3"},
                                                                                 {"Ogg", "QUALITYRATE", "0.50"},
                                                                                 {"Ogg", "Frequency", "44100"},
                                                                                 {"Ogg", "Channel", "Stereo"},
                                                                                 {"Ogg", "Bitrate", "128"},
                                                                                 {"Ogg", "VBR", "0"},
                                                                                 {"Ogg", "QUALITY", "1"},
                                                                                 {"Ogg", "MinBitrate", "128"},
                                                                                 {"Ogg", "MaxBitrate", "128"}};
    for (const auto& [section, key, value] : keys)
        EXPECT_EQ(readString(ini(), QLatin1String(section), QLatin1String(key)), QLatin1String(value)) << key;
}

TEST_F(SettingsDialogTest, StoredTextsAreMatchedAndOkStoresTheListValues)
{
    EXPECT_TRUE(writeString(ini(), QStringLiteral("MP3"), QStringLiteral("Channel"), QStringLiteral("Joint-Stereo")));
    EXPECT_TRUE(writeString(ini(), QStringLiteral("MP3"), QStringLiteral("Present"), QStringLiteral("Bogus")));
    EXPECT_TRUE(writeString(ini(), QStringLiteral("Ogg"), QStringLiteral("Frequency"), QStringLiteral("96000")));
    EXPECT_TRUE(writeString(ini(), QStringLiteral("Ogg"), QStringLiteral("QUALITYRATE"), QStringLiteral("0.70")));
    EncoderSettingsDialog dialog(ini(), QStringLiteral("OK"), QStringLiteral("Cancel"));
    EXPECT_EQ(child<QComboBox>(dialog, 1042)->currentText(), QStringLiteral("Joint-stereo"));
    EXPECT_EQ(child<QComboBox>(dialog, 1043)->currentText(), QStringLiteral("NORMAL"));
    EXPECT_EQ(child<QComboBox>(dialog, 1079)->currentText(), QStringLiteral("44100"));
    EXPECT_EQ(child<QLabel>(dialog, 1119)->text(), QStringLiteral("224 Kbps"));
    child<QComboBox>(dialog, 1086)->setCurrentText(QStringLiteral("0.50"));
    EXPECT_EQ(child<QLabel>(dialog, 1119)->text(), QStringLiteral("160 Kbps"));
    child<QCheckBox>(dialog, 1083)->click(); // Ogg Vorbis chosen
    dialog.accept();
    EXPECT_EQ(readString(ini(), QStringLiteral("MP3"), QStringLiteral("Channel")), QStringLiteral("Joint-stereo"));
    EXPECT_EQ(readString(ini(), QStringLiteral("MP3"), QStringLiteral("Present")), QStringLiteral("NORMAL"));
    EXPECT_EQ(readString(ini(), QStringLiteral("Ogg"), QStringLiteral("Frequency")), QStringLiteral("44100"));
    EXPECT_EQ(readString(ini(), QStringLiteral("Ogg"), QStringLiteral("QUALITYRATE")), QStringLiteral("0.50"));
    EXPECT_EQ(readString(ini(), QStringLiteral("COMPRESSION"), QStringLiteral("Select")), QStringLiteral("OGG"));
    EXPECT_EQ(LoadMp3Settings(ini()), dialog.settings()) << "memory and file agree";
}

TEST_F(SettingsDialogTest, CancelWritesNothing)
{
    LoadMp3Settings(ini());
    const QByteArray before = quandor::test::readAll(ini());
    EncoderSettingsDialog dialog(ini(), QStringLiteral("OK"), QStringLiteral("Cancel"));
    child<QComboBox>(dialog, 1044)->setCurrentText(QStringLiteral("320"));
    child<QCheckBox>(dialog, 1083)->click();
    dialog.reject();
    EXPECT_EQ(quandor::test::readAll(ini()), before);
}

TEST_F(SettingsDialogTest, EnableMatrix)
{
    struct Row {
        const char* what;
        bool mp3, mp3Vbr, oggQuality, oggVbr;
        std::vector<int> enabled;
    };
    const std::vector<int> all = {1044, 1042, 1123, 1125, 1126, 1127, 1124, 1092, 1093, 1091, 1128,
                                  1043, 1090, 1079, 1080, 1081, 1084, 1085, 1086, 1087, 1038};
    const std::vector<Row> rows = {
        {"mp3 basic", true, false, true, false, {1044, 1042, 1123, 1125, 1126, 1127, 1124}},
        {"mp3 extended",
         true,
         true,
         false,
         true,
         {1044, 1042, 1123, 1125, 1126, 1127, 1124, 1092, 1093, 1091, 1128, 1043, 1090}},
        {"ogg by quality", false, true, true, true, {1079, 1080, 1087, 1086}},
        {"ogg nominal", false, false, false, false, {1079, 1080, 1087, 1081, 1038}},
        {"ogg managed", false, false, false, true, {1079, 1080, 1087, 1081, 1038, 1084, 1085}},
    };
    for (const Row& row : rows) {
        EncoderSettingsDialog dialog(ini(), QStringLiteral("OK"), QStringLiteral("Cancel"));
        const auto setCheck = [&](int id, bool on) {
            if (child<QCheckBox>(dialog, id)->isChecked() != on)
                child<QCheckBox>(dialog, id)->click();
        };
        child<QCheckBox>(dialog, row.mp3 ? 1082 : 1083)->click();
        setCheck(1124, row.mp3Vbr);
        setCheck(1087, row.oggQuality);
        setCheck(1038, row.oggVbr);
        // Clicking a switch of a disabled page does not happen in use; apply once more.
        child<QCheckBox>(dialog, row.mp3 ? 1082 : 1083)->click();
        for (int id : all) {
            const bool expected = std::find(row.enabled.begin(), row.enabled.end(), id) != row.enabled.end();
            EXPECT_EQ(dialog.findChild<QWidget*>(QString::number(id))->isEnabled(), expected)
                << row.what << ": control " << id;
        }
        EXPECT_NE(child<QCheckBox>(dialog, 1082)->isChecked(), child<QCheckBox>(dialog, 1083)->isChecked());
    }
}
