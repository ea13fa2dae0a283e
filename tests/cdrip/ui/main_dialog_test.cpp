#include "cdrip/ui/main_dialog.h"

#include "cdrip/encode/encoder_settings.h"

#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/burn_controls.h"
#include "cdrip/ui/design_scale.h"
#include "cdrip/ui/link_label.h"
#include "cdrip/ui/main_status_bar.h"
#include "cdrip/ui/track_list_view.h"
#include "platform/profile/profile_file.h"
#include "shell_fixture.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

namespace brenlow::test {
namespace {

using quandor::profile::readString;

class MainDialogTest : public ShellTest {
protected:
    std::unique_ptr<MainDialog> open()
    {
        auto dialog = std::make_unique<MainDialog>(startFolder());
        dialog->setModalRunner([this](QDialog& shown) {
            shownDialogs << shown.objectName();
            return 0;
        });
        return dialog;
    }
    QStringList setupPagesOpened() const { return services_.openedUrls.filter(QStringLiteral("setup6En.php?ASPI=")); }

    QStringList shownDialogs;
};

constexpr RipperKey kEveryKey[] = {
    ripper_keys::OutputFolder, ripper_keys::FileNamePattern, ripper_keys::SaveInArtistAlbum,
    ripper_keys::CddbServer,   ripper_keys::CddbQuery,       ripper_keys::CddbUser,
    ripper_keys::CddbSite,     ripper_keys::CddbClientName,  ripper_keys::CddbClientVersion,
    ripper_keys::CddbAuto,
};

TEST_F(MainDialogTest, FirstStartWritesOnlyDefaultsToRipperIni)
{
    markStartedBefore();
    auto dialog = open();
    ASSERT_TRUE(QFile::exists(ripperIni()));
    const RipperIni ini(startFolder());
    for (const RipperKey& key : kEveryKey) {
        const QString stored = readString(ripperIni(), QString::fromLatin1(key.section), QString::fromLatin1(key.key),
                                          QStringLiteral("<absent>"));
        if (stored != QStringLiteral("<absent>")) {
            EXPECT_EQ(stored, ini.defaultOf(key)) << key.section << '/' << key.key;
        }
    }
    for (const EncoderKey& key : encoderKeys()) {
        const QString stored = readString(ripperIni(), QString::fromLatin1(key.section), QString::fromLatin1(key.key),
                                          QStringLiteral("<absent>"));
        if (stored != QStringLiteral("<absent>")) {
            EXPECT_EQ(stored, encoderKeyText(key, EncoderSettings{})) << key.section << '/' << key.key;
        }
    }
    EXPECT_EQ(readString(ripperIni(), QStringLiteral("Output"), QStringLiteral("Nom")), QStringLiteral("%N - %T"));
    EXPECT_EQ(readString(ripperIni(), QStringLiteral("Output"), QStringLiteral("Rep")), QStringLiteral("true"));
    EXPECT_EQ(dialog->settings().output.fileNamePattern, QStringLiteral("%N - %T"));
    EXPECT_TRUE(dialog->settings().output.saveInArtistAlbum);
    EXPECT_EQ(dialog->settings().startFolder, startFolder());
}

TEST_F(MainDialogTest, StoredOutputSettingsAreRead)
{
    markStartedBefore();
    EXPECT_TRUE(quandor::profile::writeString(ripperIni(), QStringLiteral("Output"), QStringLiteral("Nom"),
                                              QStringLiteral("%Y %A - %C - %N %T")));
    EXPECT_TRUE(quandor::profile::writeString(ripperIni(), QStringLiteral("Output"), QStringLiteral("Rep"),
                                              QStringLiteral("TRUE")));
    auto dialog = open();
    // A pattern longer than the field's limit is kept whole.
    EXPECT_EQ(dialog->settings().output.fileNamePattern, QStringLiteral("%Y %A - %C - %N %T"));
    EXPECT_FALSE(dialog->settings().output.saveInArtistAlbum);
}

TEST_F(MainDialogTest, EveryControlAndCommandIsThereUnderItsId)
{
    markStartedBefore();
    auto dialog = open();
    EXPECT_EQ(dialog->objectName(), QStringLiteral("101"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Brenlow"));
    for (int id :
         {1500, 1501, 1502, 1023, 1005, 1039, 1040, 1041, 1047, 1045, 1042, 1043, 1044, 1048, 1049, 1050, 1051}) {
        EXPECT_NE(dialog->findChild<QPushButton*>(QString::number(id)), nullptr) << id;
        EXPECT_EQ(dialog->button(id), dialog->findChild<QPushButton*>(QString::number(id)));
    }
    for (int id : {1129, 1130, 1131, 1132, 1133, 1071})
        EXPECT_NE(dialog->findChild<QLabel*>(QString::number(id)), nullptr) << id;
    for (int id : {1016, 1017, 1022})
        EXPECT_NE(dialog->findChild<QLineEdit*>(QString::number(id)), nullptr) << id;
    for (int id : {1054, 1021})
        EXPECT_NE(dialog->findChild<QComboBox*>(QString::number(id)), nullptr) << id;
    EXPECT_NE(dialog->findChild<QScrollBar*>(QStringLiteral("1090")), nullptr);
    EXPECT_EQ(dialog->driveCombo(), dialog->findChild<QComboBox*>(QStringLiteral("1054")));
    EXPECT_EQ(dialog->genreCombo(), dialog->findChild<QComboBox*>(QStringLiteral("1021")));
    EXPECT_EQ(dialog->control(9999), nullptr);
    EXPECT_EQ(dialog->command(9999), nullptr);

    for (int id : {40001, 40012, 40013, 40014, 40015, 40031, 40032, 40035, 40016, 40008,
                   40009, 40011, 40002, 40028, 40033, 40034, 40036, 40024, 40025, 40017}) {
        QAction* action = dialog->findChild<QAction*>(QString::number(id));
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(dialog->command(id), action);
        EXPECT_FALSE(action->text().isEmpty()) << id;
    }
    EXPECT_TRUE(dialog->playerClock()->isActive());
    EXPECT_EQ(dialog->playerClock()->interval(), 1000);
}

TEST_F(MainDialogTest, CaptionsComeFromTheChosenLanguage)
{
    struct Case {
        const char* langue;
        QStringList menus;
        const char* readToc; // 40012
        const char* device;  // 1129
        const char* unknown; // line 43 in Artist and Album
    };
    const Case cases[] = {
        {"1", {"File", "Action", "Edit", "Option", "Information"}, "Read CD TOC", "Device :", "Unknown"},
        {"0",
         {"Fichier", "Action", "\u00c9dition", "Options", "Information"},
         "Lire le sommaire du CD",
         "Lecteur :",
         "Inconnu"},
        {"2",
         {"Datei", "Aktion", "Bearbeiten", "Optionen", "Information"},
         "Inhaltsverzeichnis der CD lesen",
         "Laufwerk :",
         "Unbekannt"},
    };
    for (const Case& c : cases) {
        markStartedBefore(QString::fromLatin1(c.langue));
        auto dialog = open();
        QStringList menus;
        for (QAction* menu : dialog->menus()->actions())
            menus << menu->text();
        EXPECT_EQ(menus, c.menus) << c.langue;
        EXPECT_EQ(dialog->command(40012)->text(), QString::fromUtf8(c.readToc));
        EXPECT_EQ(static_cast<QLabel*>(dialog->control(1129))->text(), QString::fromUtf8(c.device));
        EXPECT_EQ(dialog->artistField()->text(), QString::fromUtf8(c.unknown));
        EXPECT_EQ(dialog->albumField()->text(), QString::fromUtf8(c.unknown));
    }
}

TEST_F(MainDialogTest, MenuItemsToolTipsAndLabelsTakeTheirLines)
{
    markStartedBefore();
    auto dialog = open();
    const std::pair<int, int> commandLines[] = {{40001, 2},  {40012, 4},  {40013, 5},  {40014, 6},   {40015, 7},
                                                {40031, 8},  {40032, 9},  {40016, 10}, {40035, 145}, {40036, 148},
                                                {40008, 15}, {40009, 16}, {40002, 19}, {40028, 20},  {40033, 21},
                                                {40034, 22}, {40024, 24}, {40025, 25}, {40017, 26}};
    for (const auto& [id, line] : commandLines)
        EXPECT_EQ(dialog->command(id)->text(), dialog->text(line)) << id;

    const std::pair<int, int> toolTips[] = {{1500, 4},  {1501, 5},  {1023, 7},  {1502, 6},  {1005, 32},
                                            {1039, 33}, {1040, 34}, {1041, 20}, {1045, 10}, {1042, 16},
                                            {1043, 15}, {1047, 36}, {1044, 37}};
    for (const auto& [id, line] : toolTips)
        EXPECT_EQ(dialog->control(id)->toolTip(), dialog->text(line)) << id;
    for (int id : {1048, 1049, 1050, 1051})
        EXPECT_TRUE(dialog->control(id)->toolTip().isEmpty()) << id;

    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(static_cast<QLabel*>(dialog->control(1129 + i))->text(), dialog->text(27 + i));
    EXPECT_EQ(dialog->text(4), QStringLiteral("Read CD TOC"));
}

TEST_F(MainDialogTest, TrackListHasFiveColumnsAndShowsThePictureWhileEmpty)
{
    markStartedBefore();
    auto dialog = open();
    QTreeWidget* list = dialog->trackList();
    ASSERT_EQ(list->columnCount(), 5);
    const QStringList titles = {QString(), QStringLiteral("Track"), QStringLiteral("Title"), QStringLiteral("Length"),
                                QStringLiteral("Progress")};
    // Design pixels, scaled for the font; the title column gives room to
    // titles that would not fit.
    const double scale = designScale(list->font());
    const int widths[] = {13, 20, 155, 60, 100};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(list->headerItem()->text(column), titles[column]);
        if (column != 2) {
            EXPECT_GE(list->header()->sectionSize(column), int(std::lround(widths[column] * scale))) << column;
        }
    }
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->geometry(), scaledRect(QRect(68, 183, 368, 287), scale));

    auto* view = qobject_cast<TrackListView*>(list);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->showsBackground());
    EXPECT_EQ(dialog->backgroundImagePath(), QDir(startFolder()).filePath(QStringLiteral("Images/fond.jpg")));
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{QString(), QStringLiteral("01-")}));
    EXPECT_FALSE(view->showsBackground());
    list->clear();
    EXPECT_TRUE(view->showsBackground());
    // Painting an empty list with no picture file draws its stand-in without trouble.
    EXPECT_FALSE(list->grab().isNull());
}

/// A part of the status bar, the label it shows.
const QLabel& statusPart(const QWidget& bar, int part)
{
    const auto* label = bar.findChild<QLabel*>(QStringLiteral("statusPart%1").arg(part));
    EXPECT_NE(label, nullptr);
    return *label;
}

TEST_F(MainDialogTest, StatusBarHasThreePartsWithTheCreditFirst)
{
    markStartedBefore();
    auto dialog = open();
    EXPECT_TRUE(statusPart(*dialog, 0).text().contains(QStringLiteral("Brenlow")));
    dialog->setStatusText(1, QStringLiteral("3 track(s)"));
    dialog->setStatusText(2, QStringLiteral("Total length : 04:25.10"));
    EXPECT_EQ(statusPart(*dialog, 1).text(), QStringLiteral("3 track(s)"));
    EXPECT_EQ(statusPart(*dialog, 2).text(), QStringLiteral("Total length : 04:25.10"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("statusPart3")), nullptr);
}

TEST(MainStatusBar, PartsEndAt260And110PixelsFromTheRightEdge)
{
    for (int width : {520, 800}) {
        MainStatusBar bar;
        bar.resize(width, 24);
        bar.show();
        // Design pixels scaled for the font; each part keeps a 2-pixel gap
        // before the next one.
        const int fromRight260 = scaledPixels(bar, 260);
        const int fromRight110 = scaledPixels(bar, 110);
        EXPECT_EQ(statusPart(bar, 0).width(), width - fromRight260 - 2) << width;
        EXPECT_EQ(statusPart(bar, 1).width(), fromRight260 - fromRight110 - 2) << width;
        EXPECT_EQ(statusPart(bar, 2).width(), fromRight110 - 2) << width;
    }
}

TEST(MainStatusBar, PartsWidenForTheTextsTheyAreToldToExpect)
{
    MainStatusBar bar;
    bar.resize(800, 24);
    bar.show();
    const QString longest = QStringLiteral("A length text far longer than the part was drawn for : 74:12:33");
    bar.reserveRoom(2, {QStringLiteral("short"), longest});
    bar.setPartText(2, longest);
    EXPECT_TRUE(statusPart(bar, 2).toolTip().isEmpty()) << "cut";
    EXPECT_GT(statusPart(bar, 2).width(), scaledPixels(bar, 110));
    EXPECT_EQ(statusPart(bar, 0).width() + statusPart(bar, 1).width() + statusPart(bar, 2).width() + 6, 800);
}

TEST(MainStatusBar, ATextCutAtThePartEdgeIsTheToolTipAndFollowsTheWidth)
{
    MainStatusBar bar;
    bar.resize(520, 24);
    bar.show();
    const QString length = QStringLiteral("Durée totale : 00:04:25.10 (19 885 secteurs)");
    const QString playing = QStringLiteral("Lecture de la piste 1 (00:12) sur le lecteur principal");
    bar.setPartText(2, length);
    bar.setPartText(1, playing);
    bar.setPartText(0, QStringLiteral("Brenlow"));
    EXPECT_EQ(statusPart(bar, 2).toolTip(), length);
    EXPECT_EQ(statusPart(bar, 1).toolTip(), playing);
    EXPECT_TRUE(statusPart(bar, 0).toolTip().isEmpty()); // fits: no tip

    // A short text replacing a cut one drops the tip.
    bar.setPartText(2, QStringLiteral("00:10"));
    EXPECT_TRUE(statusPart(bar, 2).toolTip().isEmpty());

    // The edges follow the window: a part 0 text that fits a wide bar is cut
    // once the bar narrows.
    const QString credit = QStringLiteral("Brenlow, un programme pour extraire les CD audio");
    bar.setPartText(0, credit);
    bar.resize(2000, 24);
    EXPECT_TRUE(statusPart(bar, 0).toolTip().isEmpty());
    bar.resize(320, 24);
    EXPECT_EQ(statusPart(bar, 0).toolTip(), credit);
}

TEST_F(MainDialogTest, ButtonIconsFollowTheCompressionChoice)
{
    markStartedBefore();
    auto dialog = open();
    const std::pair<int, int> icons[] = {{1500, 124}, {1501, 126}, {1023, 123}, {1005, 141}, {1039, 145}, {1040, 151},
                                         {1041, 153}, {1047, 198}, {1045, 158}, {1042, 172}, {1043, 171}, {1044, 127},
                                         {1048, 137}, {1049, 179}, {1050, 180}, {1051, 181}};
    for (const auto& [id, icon] : icons) {
        EXPECT_EQ(dialog->button(id)->property("iconResource").toInt(), icon) << id;
        EXPECT_FALSE(dialog->button(id)->icon().isNull()) << id;
    }
    EXPECT_EQ(dialog->button(1502)->property("iconResource").toInt(), 154);
    EXPECT_TRUE(dialog->command(40033)->isChecked());
    EXPECT_FALSE(dialog->command(40034)->isChecked());

    dialog->settings().compression = QStringLiteral("OGG");
    dialog->showCompressionChoice();
    EXPECT_EQ(dialog->button(1502)->property("iconResource").toInt(), 207);
    EXPECT_FALSE(dialog->command(40033)->isChecked());
    EXPECT_TRUE(dialog->command(40034)->isChecked());
}

TEST_F(MainDialogTest, HandCursorOnlyOverTheLink)
{
    markStartedBefore();
    auto dialog = open();
    EXPECT_EQ(dialog->bannerLink()->cursor().shape(), Qt::PointingHandCursor);
    // Link font: underlined, normal weight, three quarters of the control's height.
    EXPECT_TRUE(dialog->bannerLink()->font().underline());
    EXPECT_EQ(dialog->bannerLink()->font().weight(), QFont::Normal);
    EXPECT_EQ(dialog->bannerLink()->font().pixelSize(), 3 * dialog->bannerLink()->height() / 4);
    for (int id : {1500, 1129, 1016})
        EXPECT_NE(dialog->control(id)->cursor().shape(), Qt::PointingHandCursor) << id;
    EXPECT_NE(dialog->cursor().shape(), Qt::PointingHandCursor);
}

bool expectedEnabled(std::span<const int> list, int id, bool listState)
{
    return std::find(list.begin(), list.end(), id) != list.end() ? listState : true;
}

TEST_F(MainDialogTest, JobDisablesExactlyItsControlsAndMenuItems)
{
    markStartedBefore();
    auto dialog = open();
    // Where the SCSI layer is not usable, its controls stay off whatever a job
    // does (before any job, an ASPI control that is off says so).
    const bool aspiOff = !dialog->control(MainDialog::aspiControlIds().front())->isEnabled();
    const auto afterJob = [aspiOff](std::span<const int> aspiIds, int id) {
        return !(aspiOff && std::find(aspiIds.begin(), aspiIds.end(), id) != aspiIds.end());
    };
    const QList<int> allControls = {1500, 1501, 1502, 1023, 1005, 1039, 1040, 1041, 1047, 1045, 1042,
                                    1043, 1044, 1048, 1049, 1050, 1051, 1016, 1017, 1054, 1021, 1022};
    const QList<int> allMenus = {40001, 40012, 40013, 40014, 40015, 40031, 40032, 40035, 40016, 40008,
                                 40009, 40011, 40002, 40028, 40033, 40034, 40036, 40024, 40025, 40017};
    dialog->disableMainControls();
    for (int id : allControls) {
        const bool expected =
            expectedEnabled(MainDialog::mainControlIds(), id, false) && afterJob(MainDialog::aspiControlIds(), id);
        EXPECT_EQ(dialog->control(id)->isEnabled(), expected) << id;
    }
    for (int id : allMenus) {
        const bool expected =
            expectedEnabled(MainDialog::mainMenuIds(), id, false) && afterJob(MainDialog::aspiMenuIds(), id);
        EXPECT_EQ(dialog->command(id)->isEnabled(), expected) << id;
    }
    // Stop stays usable during a rip (and eject, unless the SCSI layer is off).
    EXPECT_TRUE(dialog->control(1005)->isEnabled());
    EXPECT_EQ(dialog->control(1039)->isEnabled(), !aspiOff);

    dialog->enableMainControls();
    for (int id : allControls)
        EXPECT_EQ(dialog->control(id)->isEnabled(), afterJob(MainDialog::aspiControlIds(), id)) << id;
    for (int id : allMenus)
        EXPECT_EQ(dialog->command(id)->isEnabled(), afterJob(MainDialog::aspiMenuIds(), id)) << id;
}

TEST_F(MainDialogTest, SecondJobIsRefusedUntilTheFirstHasEnded)
{
    markStartedBefore();
    auto dialog = open();
    int started = 0;
    // A button whose handler starts a job: the second click comes before any
    // worker could have reported anything.
    QPushButton* start = dialog->button(1023);
    start->setEnabled(true);
    QObject::connect(start, &QPushButton::clicked, dialog.get(), [&] {
        if (dialog->beginJob())
            ++started;
    });
    start->click();
    EXPECT_TRUE(dialog->jobRunning());
    EXPECT_FALSE(start->isEnabled());
    start->click();                              // ignored by the disabled button
    QMetaObject::invokeMethod(start, "clicked"); // and refused if it still gets through
    EXPECT_EQ(started, 1);
    EXPECT_FALSE(dialog->beginJob());

    dialog->endJob();
    EXPECT_FALSE(dialog->jobRunning());
    EXPECT_EQ(dialog->control(1016)->isEnabled(), true);
    EXPECT_TRUE(dialog->beginJob());
    dialog->endJob();
    dialog->endJob(); // a second end changes nothing
    EXPECT_FALSE(dialog->jobRunning());
}

TEST_F(MainDialogTest, EnablingRuleTablesHoldTheirIds)
{
    const std::vector<int> mainControls = {1502, 1500, 1501, 1023, 1040, 1041, 1045, 1016, 1017,
                                           1054, 1021, 1022, 1047, 1044, 1048, 1049, 1051, 1050};
    const std::vector<int> mainMenus = {40011, 40002, 40012, 40013, 40014, 40015,
                                        40016, 40031, 40032, 40033, 40034, 40028};
    const std::vector<int> aspiControls = {1502, 1500, 1501, 1039, 1023, 1040, 1041,
                                           1045, 1044, 1048, 1049, 1051, 1050};
    const std::vector<int> aspiMenus = {40002, 40012, 40013, 40016, 40014, 40015};
    const auto asVector = [](std::span<const int> ids) { return std::vector<int>(ids.begin(), ids.end()); };
    EXPECT_EQ(asVector(MainDialog::mainControlIds()), mainControls);
    EXPECT_EQ(asVector(MainDialog::mainMenuIds()), mainMenus);
    EXPECT_EQ(asVector(MainDialog::aspiControlIds()), aspiControls);
    EXPECT_EQ(asVector(MainDialog::aspiMenuIds()), aspiMenus);
}

TEST(BurnControls, BurnTurnsTheSettingsOffAndCancelOn)
{
    QDialog burner;
    const QList<int> settings = {1105, 1076, 1037, 1038, 1103, 1077, 1075, 1112};
    const QList<int> untouched = {1113, 1104};
    for (int id : settings + untouched + QList<int>{1115})
        (new QPushButton(&burner))->setObjectName(QString::number(id));
    const auto enabled = [&](int id) { return burner.findChild<QWidget*>(QString::number(id))->isEnabled(); };

    disableBurnControls(burner);
    for (int id : settings)
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(1115));
    for (int id : untouched)
        EXPECT_TRUE(enabled(id)) << id;

    enableBurnControls(burner);
    for (int id : settings)
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_FALSE(enabled(1115));
}

TEST_F(MainDialogTest, UnusableScsiLayerKeepsItsControlsOffForGood)
{
    markStartedBefore();
    auto dialog = open();
    dialog->disableAspiControls();
    for (int id : MainDialog::aspiControlIds())
        EXPECT_FALSE(dialog->control(id)->isEnabled()) << id;
    for (int id : MainDialog::aspiMenuIds())
        EXPECT_FALSE(dialog->command(id)->isEnabled()) << id;
    EXPECT_TRUE(dialog->control(1005)->isEnabled());

    dialog->disableMainControls();
    dialog->enableMainControls();
    for (int id : MainDialog::aspiControlIds())
        EXPECT_FALSE(dialog->control(id)->isEnabled()) << id;
    for (int id : MainDialog::aspiMenuIds())
        EXPECT_FALSE(dialog->command(id)->isEnabled()) << id;
    // What only a job turns off comes back.
    for (int id : {1016, 1017, 1054, 1021, 1022, 1047})
        EXPECT_TRUE(dialog->control(id)->isEnabled()) << id;
    for (int id : {40011, 40031, 40032, 40033, 40034, 40028})
        EXPECT_TRUE(dialog->command(id)->isEnabled()) << id;
}

TEST_F(MainDialogTest, FirstLaunchOpensTheSetUpPageOnce)
{
    writeRegistryValue(QStringLiteral("Langue"), QStringLiteral("1"));
    {
        auto dialog = open();
        ASSERT_EQ(setupPagesOpened().size(), 1);
        EXPECT_TRUE(setupPagesOpened().first().startsWith(QStringLiteral("https://")));
        EXPECT_EQ(readRegistryValue(QStringLiteral("FirstLaunch")), QStringLiteral("1"));
    }
    auto second = open();
    EXPECT_EQ(setupPagesOpened().size(), 1);
}

TEST_F(MainDialogTest, OwnCommandsOpenTheirDialogsWithTheMainDialogDisabled)
{
    markStartedBefore();
    auto dialog = open();
    bool enabledWhileShown = true;
    dialog->setModalRunner([&](QDialog& shown) {
        shownDialogs << shown.objectName();
        enabledWhileShown = enabledWhileShown && dialog->isEnabled();
        return 0;
    });
    // (Enabled here even where the SCSI layer is not usable.)
    dialog->button(1040)->setEnabled(true);
    dialog->command(40002)->setEnabled(true);
    dialog->button(1040)->click();
    dialog->command(40002)->trigger();
    dialog->command(40036)->trigger();
    dialog->command(40017)->trigger();
    EXPECT_EQ(
        shownDialogs,
        (QStringList{QStringLiteral("116"), QStringLiteral("116"), QStringLiteral("230"), QStringLiteral("168")}));
    EXPECT_FALSE(enabledWhileShown);
    EXPECT_TRUE(dialog->isEnabled());
}

TEST_F(MainDialogTest, DialogOwnedByTheMainDialogStaysUsableWhileItRuns)
{
    markStartedBefore();
    auto dialog = open();
    QDialog owned(dialog.get());
    QDialog free;
    std::vector<std::pair<bool, bool>> states; // (main enabled, shown dialog enabled)
    dialog->setModalRunner([&](QDialog& shown) {
        states.emplace_back(dialog->isEnabled(), shown.isEnabled());
        return 0;
    });
    dialog->runSecondaryDialog(owned);
    dialog->runSecondaryDialog(free);
    EXPECT_EQ(states, (std::vector<std::pair<bool, bool>>{{true, true}, {false, true}}));
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_TRUE(owned.isEnabled());
}

TEST_F(MainDialogTest, WebCommandsOpenTheMakersPages)
{
    markStartedBefore();
    auto dialog = open();
    dialog->setAspiStatusText(QStringLiteral("ASPI ok."));
    services_.openedUrls.clear();
    dialog->command(40025)->trigger();
    dialog->command(40024)->trigger();
    emit static_cast<LinkLabel*>(dialog->bannerLink())->clicked();
    ASSERT_EQ(services_.openedUrls.size(), 3);
    EXPECT_TRUE(services_.openedUrls[0].endsWith(QStringLiteral("/") + dialog->text(95)));
    EXPECT_FALSE(services_.openedUrls[1].isEmpty());
    EXPECT_TRUE(services_.openedUrls[2].endsWith(QStringLiteral("/") + dialog->text(92) + QStringLiteral("ASPI%20ok.")))
        << services_.openedUrls[2].toStdString();
}

TEST_F(MainDialogTest, StartUpMenusAndAboutLinksOpenOnlyPlaceholders)
{
    writeRegistryValue(QStringLiteral("Langue"), QStringLiteral("1"));
    auto dialog = open(); // the first launch opens the set-up page
    dialog->setModalRunner([](QDialog& shown) {
        for (const char* link : {"1070", "1069", "1092"})
            emit shown.findChild<LinkLabel*>(QLatin1String(link))->clicked();
        return 0;
    });
    dialog->command(40025)->trigger();
    dialog->command(40024)->trigger();
    emit static_cast<LinkLabel*>(dialog->bannerLink())->clicked();
    dialog->command(40017)->trigger();
    EXPECT_EQ(services_.openedUrls.size(), 7) << services_.openedUrls.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(quandor::test::addressesOutside(services_.openedUrls, QStringLiteral("quandor.example.org")),
              QStringList{});
}

TEST_F(MainDialogTest, CloseStepsRunOnceBeforeTheDialogEnds)
{
    markStartedBefore();
    for (CloseReason reason : {CloseReason::Cancel, CloseReason::Quit}) {
        auto dialog = open();
        std::vector<CloseReason> seen;
        dialog->addCloseStep([&](CloseReason why) { seen.push_back(why); });
        if (reason == CloseReason::Quit)
            dialog->command(40001)->trigger();
        else
            dialog->reject();
        dialog->reject();
        EXPECT_EQ(seen, std::vector<CloseReason>{reason});
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    }
}

TEST_F(MainDialogTest, PackedAspiLibraryIsUnpackedAtStart)
{
    markStartedBefore();
    ASSERT_TRUE(quandor::test::writeAll(folder_.filePath(QStringLiteral("wnaspi32.dl_")), "lib"));
    auto dialog = open();
    EXPECT_FALSE(QFile::exists(folder_.filePath(QStringLiteral("wnaspi32.dl_"))));
    EXPECT_EQ(quandor::test::readAll(folder_.filePath(QStringLiteral("wnaspi32.dll"))), QByteArray("lib"));
}

} // namespace
} // namespace brenlow::test
