#include "cdrip/ui/config_dialog.h"

#include "cdrip/ui/main_dialog.h"
#include "platform/profile/profile_file.h"
#include "shell_fixture.h"
#include "tests/support/tools.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace brenlow::test {
namespace {

using quandor::profile::readString;
using quandor::profile::writeString;

class ConfigDialogTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        language.setLine(85, QStringLiteral("Choose the output folder"));
        language.setLine(63, QStringLiteral("OK"));
        language.setLine(83, QStringLiteral("Close"));
        language.setLine(65, QStringLiteral("Output path :"));
    }
    QLineEdit* field(ConfigDialog& dialog, int id) { return dialog.findChild<QLineEdit*>(QString::number(id)); }
    QCheckBox* check(ConfigDialog& dialog, int id) { return dialog.findChild<QCheckBox*>(QString::number(id)); }
    void click(ConfigDialog& dialog, int id) { dialog.findChild<QPushButton*>(QString::number(id))->click(); }
    QByteArray fileBytes() const { return quandor::test::readAll(ripperIni()); }
    QString stored(const char* section, const char* key) const
    {
        return readString(ripperIni(), QString::fromLatin1(section), QString::fromLatin1(key),
                          QStringLiteral("<absent>"));
    }

    LanguageTable language;
    RipperIni ini{startFolder()};
    RipperSettings settings;
};

TEST_F(ConfigDialogTest, OpeningShowsEveryValueAndWritesBackOnlyAbsentOnes)
{
    EXPECT_TRUE(writeString(ripperIni(), QStringLiteral("CDDB"), QStringLiteral("Serveur"),
                            QStringLiteral("http://127.0.0.1:8880")));
    EXPECT_TRUE(writeString(ripperIni(), QStringLiteral("CDDB"), QStringLiteral("Auto"), QStringLiteral("true")));
    EXPECT_TRUE(writeString(ripperIni(), QStringLiteral("Output"), QStringLiteral("Rep"), QStringLiteral("TRUE")));
    ConfigDialog dialog(ini, language, settings);
    EXPECT_EQ(field(dialog, 1034)->text(), QStringLiteral("http://127.0.0.1:8880"));
    EXPECT_EQ(field(dialog, 1029)->text(), QStringLiteral("~cddb/cddb.cgi"));
    EXPECT_EQ(field(dialog, 1032)->text(), QStringLiteral("Brenlow"));
    EXPECT_EQ(field(dialog, 1033)->text(), QStringLiteral("1.4"));
    EXPECT_EQ(field(dialog, 1049)->text(), QStringLiteral("%N - %T"));
    EXPECT_EQ(field(dialog, 1026)->text(), ini.defaultOf(ripper_keys::OutputFolder));
    EXPECT_TRUE(check(dialog, 1037)->isChecked());
    EXPECT_FALSE(check(dialog, 1074)->isChecked());
    EXPECT_TRUE(settings.cddb.autoLookup);
    for (int id : {1026, 1030, 1031, 1032, 1033, 1049})
        EXPECT_TRUE(field(dialog, id)->isReadOnly()) << id;
    for (int id : {1034, 1029})
        EXPECT_FALSE(field(dialog, id)->isReadOnly()) << id;
    EXPECT_EQ(stored("CDDB", "Query"), QStringLiteral("~cddb/cddb.cgi"));
    EXPECT_EQ(stored("Output", "Rep"), QStringLiteral("TRUE"));
    EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("1134"))->title(), QStringLiteral("Output path :"));

    // Everything is present now: opening again writes nothing.
    const QByteArray before = fileBytes();
    ConfigDialog again(ini, language, settings);
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(ConfigDialogTest, DefaultThenCloseLeavesTheFileByteIdentical)
{
    ConfigDialog dialog(ini, language, settings);
    const QByteArray opened = fileBytes();
    click(dialog, 1035);
    EXPECT_EQ(field(dialog, 1049)->text(), QStringLiteral("%N - %T"));
    EXPECT_TRUE(check(dialog, 1037)->isChecked());
    EXPECT_TRUE(check(dialog, 1074)->isChecked());
    click(dialog, 2);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(fileBytes(), opened);
}

TEST_F(ConfigDialogTest, OkWritesTheEightKeysAndNeverTheClientNameOrVersion)
{
    EXPECT_TRUE(writeString(ripperIni(), QStringLiteral("CDDB"), QStringLiteral("nom"), QStringLiteral("Custom")));
    EXPECT_TRUE(writeString(ripperIni(), QStringLiteral("CDDB"), QStringLiteral("version"), QStringLiteral("9.9")));
    ConfigDialog dialog(ini, language, settings);
    services_.folderAnswers.push_back(QStringLiteral("/music/rips"));
    click(dialog, 1027);
    field(dialog, 1034)->setText(QStringLiteral("http://cddb.test"));
    field(dialog, 1029)->setText(QStringLiteral("cgi/cddb"));
    field(dialog, 1030)->setText(QStringLiteral("someone"));
    field(dialog, 1031)->setText(QStringLiteral("host.test"));
    field(dialog, 1032)->setText(QStringLiteral("Changed"));
    field(dialog, 1033)->setText(QStringLiteral("0.0"));
    click(dialog, 1081);
    click(dialog, 1077);
    click(dialog, 1078);
    check(dialog, 1037)->setChecked(true);
    check(dialog, 1074)->setChecked(false);
    click(dialog, 1);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(services_.folderDialogs, QStringList{QStringLiteral("Choose the output folder")});
    EXPECT_EQ(stored("SAUVEGARDE", "Chemin"), QStringLiteral("/music/rips"));
    EXPECT_EQ(stored("CDDB", "Serveur"), QStringLiteral("http://cddb.test"));
    EXPECT_EQ(stored("CDDB", "Query"), QStringLiteral("cgi/cddb"));
    EXPECT_EQ(stored("CDDB", "user"), QStringLiteral("someone"));
    EXPECT_EQ(stored("CDDB", "site"), QStringLiteral("host.test"));
    EXPECT_EQ(stored("Output", "Nom"), QStringLiteral("%A %C"));
    EXPECT_EQ(stored("CDDB", "Auto"), QStringLiteral("true"));
    EXPECT_EQ(stored("Output", "Rep"), QStringLiteral("false"));
    EXPECT_EQ(stored("CDDB", "nom"), QStringLiteral("Custom"));
    EXPECT_EQ(stored("CDDB", "version"), QStringLiteral("9.9"));

    EXPECT_EQ(settings.output.fileNamePattern, QStringLiteral("%A %C"));
    EXPECT_FALSE(settings.output.saveInArtistAlbum);
    EXPECT_TRUE(settings.cddb.autoLookup);
    EXPECT_EQ(settings.cddb.server, QStringLiteral("http://cddb.test"));
    EXPECT_TRUE(services_.messages.isEmpty()) << services_.messageTexts().join(u'|').toStdString();
}

TEST_F(ConfigDialogTest, OkThatCannotWriteTellsTheUserOnceAndNamesTheFile)
{
    ConfigDialog dialog(ini, language, settings);
    // A folder where the file should be cannot be replaced, even by root.
    ASSERT_TRUE(QFile::remove(ripperIni()));
    ASSERT_TRUE(QDir().mkdir(ripperIni()));
    field(dialog, 1034)->setText(QStringLiteral("http://cddb.test"));
    click(dialog, 1);

    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].text, QStringLiteral("The settings could not be saved to %1.").arg(ripperIni()));
    EXPECT_EQ(services_.messages[0].title, QStringLiteral("Brenlow"));
    // The session keeps what the user chose.
    EXPECT_EQ(settings.cddb.server, QStringLiteral("http://cddb.test"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ConfigDialogTest, LongValuesAreStoredWhole)
{
    // Longer than any fixed field the dialog was first drawn with.
    const QString folder = QStringLiteral("/music/") + QString(300, QLatin1Char('f'));
    const QString server = QStringLiteral("http://") + QString(280, QLatin1Char('s')) + QStringLiteral(".test");
    ConfigDialog dialog(ini, language, settings);
    services_.folderAnswers.push_back(folder);
    click(dialog, 1027);
    field(dialog, 1034)->setText(server);
    click(dialog, 1);
    EXPECT_EQ(stored("SAUVEGARDE", "Chemin"), folder);
    EXPECT_EQ(stored("CDDB", "Serveur"), server);
    EXPECT_EQ(settings.output.folder, folder);

    ConfigDialog reopened(ini, language, settings);
    EXPECT_EQ(field(reopened, 1026)->text(), folder);
}

TEST_F(ConfigDialogTest, CancelledFolderBrowserKeepsTheFolder)
{
    ConfigDialog dialog(ini, language, settings);
    const QString before = field(dialog, 1026)->text();
    click(dialog, 1027); // no answer queued: cancelled
    EXPECT_EQ(field(dialog, 1026)->text(), before);
}

TEST_F(ConfigDialogTest, PatternButtonsAppendTokensSeparatedBySpaces)
{
    struct Case {
        const char* start;
        std::vector<int> buttons;
        const char* result;
    };
    const Case cases[] = {
        {"", {1075, 1080, 1076}, "%N - %T"},  {"%N -", {1076}, "%N - %T"},
        {"", {1077, 1078, 1079}, "%A %C %Y"}, {"%T", {1081}, ""},
        {"%T", {1081, 1079}, "%Y"},
    };
    for (const Case& c : cases) {
        ConfigDialog dialog(ini, language, settings);
        field(dialog, 1049)->setText(QString::fromLatin1(c.start));
        for (int id : c.buttons)
            click(dialog, id);
        EXPECT_EQ(field(dialog, 1049)->text(), QString::fromLatin1(c.result)) << c.result;
    }
}

TEST_F(ConfigDialogTest, AppendPastThePatternLimitIsRefusedWhole)
{
    ConfigDialog dialog(ini, language, settings);
    const QString nearlyFull = QString(kFileNamePatternLimit - 3, QLatin1Char('x'));
    field(dialog, 1049)->setText(nearlyFull);
    EXPECT_TRUE(dialog.appendToPattern(QStringLiteral("%N"))); // exactly the limit
    EXPECT_EQ(field(dialog, 1049)->text().size(), kFileNamePatternLimit);
    const QString full = field(dialog, 1049)->text();
    EXPECT_FALSE(dialog.appendToPattern(QStringLiteral("-")));
    click(dialog, 1076);
    EXPECT_EQ(field(dialog, 1049)->text(), full);
}

TEST_F(ConfigDialogTest, MainDialogOkUpdatesItsSettings)
{
    markStartedBefore();
    MainDialog main(startFolder());
    main.setModalRunner([](QDialog& shown) {
        auto& config = static_cast<ConfigDialog&>(shown);
        config.findChild<QPushButton*>(QStringLiteral("1081"))->click();
        config.findChild<QPushButton*>(QStringLiteral("1076"))->click();
        config.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return config.result();
    });
    main.openConfiguration();
    EXPECT_EQ(main.settings().output.fileNamePattern, QStringLiteral("%T"));
    EXPECT_EQ(stored("Output", "Nom"), QStringLiteral("%T"));
}

} // namespace
} // namespace brenlow::test
