#include "cdrip/ui/main_dialog.h"
#include "quandor_version.h"

#include "cdrip/ui/about_dialog.h"
#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/button_icons.h"
#include "cdrip/ui/cd_player.h"
#include "cdrip/ui/config_dialog.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/design_scale.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/language_dialog.h"
#include "cdrip/ui/link_label.h"
#include "cdrip/ui/main_dialog_parts.h"
#include "cdrip/ui/main_status_bar.h"
#include "cdrip/ui/maker_links.h"
#include "cdrip/ui/track_list_view.h"
#include "platform/shell/services.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace brenlow {
namespace {

using namespace main_ids;
namespace cmd = command_ids;

constexpr int kMainControls[] = {RipCompressed, ReadTableOfContents,
                                 CddbLookup,    RipWav,
                                 Configuration, EncoderSettings,
                                 ClearView,     Artist,
                                 Album,         DriveList,
                                 Genre,         Year,
                                 OutputFolder,  Play,
                                 StopPlaying,   PauseResume,
                                 PreviousTrack, NextTrack};
constexpr int kMainMenus[] = {cmd::TagEditor,     cmd::Configuration, cmd::ReadTableOfContents, cmd::CddbLookup,
                              cmd::RipCompressed, cmd::RipWav,        cmd::ClearView,           cmd::DiscImage,
                              cmd::ImageBurner,   cmd::CompressToMp3, cmd::CompressToOgg,       cmd::EncoderSettings};
constexpr int kAspiControls[] = {RipCompressed, ReadTableOfContents, CddbLookup, Eject, RipWav,
                                 Configuration, EncoderSettings,     ClearView,  Play,  StopPlaying,
                                 PauseResume,   PreviousTrack,       NextTrack};
constexpr int kAspiMenus[] = {cmd::Configuration, cmd::ReadTableOfContents, cmd::CddbLookup,
                              cmd::ClearView,     cmd::RipCompressed,       cmd::RipWav};

struct ButtonPlace {
    int id;
    QRect geometry;
    int icon;
    int toolTipLine; // 0: none
};

// Buttons of the dialog face with their icons and tool-tip lines.
constexpr ButtonPlace kButtons[] = {
    {ReadTableOfContents, {8, 80, 52, 40}, 124, 4}, {CddbLookup, {8, 124, 52, 40}, 126, 5},
    {RipCompressed, {8, 168, 52, 40}, 154, 6},      {RipWav, {8, 212, 52, 40}, 123, 7},
    {StopRip, {8, 256, 52, 40}, 141, 32},           {Eject, {8, 300, 52, 40}, 145, 33},
    {Configuration, {8, 344, 52, 40}, 151, 34},     {EncoderSettings, {8, 388, 52, 40}, 153, 20},
    {OutputFolder, {8, 432, 52, 40}, 198, 36},      {SelectAll, {444, 183, 68, 40}, 171, 15},
    {UnselectAll, {444, 227, 68, 40}, 172, 16},     {ClearView, {444, 271, 68, 40}, 158, 10},
    {PreviousTrack, {68, 476, 34, 32}, 181, 0},     {Play, {104, 476, 34, 32}, 127, 37},
    {PauseResume, {140, 476, 34, 32}, 179, 0},      {StopPlaying, {176, 476, 34, 32}, 137, 0},
    {NextTrack, {212, 476, 34, 32}, 180, 0},
};

struct LabelPlace {
    int id;
    QRect geometry;
    int line;
};

constexpr LabelPlace kLabels[] = {
    {DriveCaption, {68, 82, 60, 20}, 27},  {ArtistCaption, {68, 108, 60, 20}, 28},
    {AlbumCaption, {68, 132, 60, 20}, 29}, {GenreCaption, {68, 156, 60, 20}, 30},
    {YearCaption, {300, 156, 46, 20}, 31},
};

struct CommandCaption {
    int id;
    int line;
};

constexpr CommandCaption kCommandCaptions[] = {
    {cmd::Quit, 2},
    {cmd::ReadTableOfContents, 4},
    {cmd::CddbLookup, 5},
    {cmd::RipCompressed, 6},
    {cmd::RipWav, 7},
    {cmd::DiscImage, 8},
    {cmd::ImageBurner, 9},
    {cmd::ClearView, 10},
    {cmd::EraseDisc, 145},
    {cmd::Language, 148},
    {cmd::SelectAll, 15},
    {cmd::UnselectAll, 16},
    {cmd::Configuration, 19},
    {cmd::EncoderSettings, 20},
    {cmd::CompressToMp3, 21},
    {cmd::CompressToOgg, 22},
    {cmd::AspiInformation, 24},
    {cmd::Homepage, 25},
    {cmd::About, 26},
    {cmd::TagEditor, 13},
};

// Menu layout: top-level caption line, then the command ids (0 = separator).
struct MenuPlace {
    int line;
    std::initializer_list<int> commands;
};

const MenuPlace kMenus[] = {
    {1, {cmd::Quit}},
    {3,
     {cmd::ReadTableOfContents, cmd::CddbLookup, cmd::RipCompressed, cmd::RipWav, 0, cmd::DiscImage, cmd::ImageBurner,
      cmd::EraseDisc, 0, cmd::ClearView}},
    {14, {cmd::SelectAll, cmd::UnselectAll, 0, cmd::TagEditor}},
    {18, {cmd::Configuration, cmd::EncoderSettings, 0, cmd::CompressToMp3, cmd::CompressToOgg, 0, cmd::Language}},
    {23, {cmd::AspiInformation, cmd::Homepage, cmd::About}},
};

QString creditText()
{
    return QStringLiteral("Brenlow " QUANDOR_VERSION_TEXT " - Quandor");
}

} // namespace

MainDialog::MainDialog(QString startFolder, QWidget* parent) : MainDialog(startFolder, startFolder, parent) {}

MainDialog::MainDialog(QString startFolder, QString programFolder, QWidget* parent)
    : QDialog(parent),
      startFolder_(std::move(startFolder)),
      programFolder_(std::move(programFolder)),
      ini_(startFolder_),
      runModal_([](QDialog& dialog) { return dialog.exec(); })
{
    setObjectName(QStringLiteral("101"));
    setWindowTitle(QStringLiteral("Brenlow"));
    settings_.startFolder = startFolder_;
    settings_.output.folder = ini_.defaultOf(ripper_keys::OutputFolder);

    playerClock_ = new QTimer(this);
    playerClock_->setObjectName(QString::number(main_ids::PlayerClock));
    playerClock_->setInterval(1000);
    playerClock_->start();
    buildControls();
    buildMenus();
    makeLinkControl(*bannerLink());

    loadLanguageFile(language_, programFolder_);
    applyCaptions();
    fitToFont(*this);
    reserveStatusRoom();
    settings_.output.fileNamePattern = ini_.text(ripper_keys::FileNamePattern);
    settings_.output.saveInArtistAlbum = ini_.outputFlag(ripper_keys::SaveInArtistAlbum);
    applyToolTips();
    connectOwnCommands();

    attachRipCommands(*this);
    applyButtonIcons();
    showCompressionChoice();

    statusBar_->setPartText(0, creditText());
    trackList_->setBackgroundPicture(backgroundImagePath());

    renameAspiInstaller();
    drives_ = new DriveController(*this, this);
    player_ = new CdPlayer(drives_->queue(), drives_->tracks(), *drives_, *this, drives_);
    attachDriveCommands(*this, *drives_, *player_);
    attachImageCommands(*this);
    attachCddbCommands(*this);
    checkFirstLaunch();

    artistField()->setText(text(43));
    albumField()->setText(text(43));
    // The first disc is read once the drive scan has reported (readFirstDisc).
}

MainDialog::~MainDialog() = default;

QString MainDialog::backgroundImagePath() const
{
    return QDir(startFolder_).filePath(QStringLiteral("Images/fond.jpg"));
}

QWidget* MainDialog::addControl(QWidget* widget, int id)
{
    widget->setObjectName(QString::number(id));
    controls_.insert(id, widget);
    return widget;
}

void MainDialog::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("109"));
    layout->setMenuBar(menuBar_);

    auto* face = new QWidget(this);
    face->setFixedSize(520, 516);
    layout->addWidget(face);

    auto* banner = new QLabel(face);
    banner->setObjectName(QStringLiteral("197"));
    banner->setGeometry(0, 0, 520, 70);
    banner->setAutoFillBackground(true);
    banner->setStyleSheet(
        QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #16779a, stop:1 #829aad);"
                       "color: white; font-size: 26px; font-weight: bold; padding-left: 16px;"));
    banner->setText(QStringLiteral("Brenlow"));

    auto* link = new LinkLabel(face);
    addControl(link, main_ids::BannerLink)->setGeometry(300, 44, 210, 20);
    link->setText(makerSite().section(QStringLiteral("//"), 1));
    link->setStyleSheet(QStringLiteral("color: white;"));

    for (const LabelPlace& place : kLabels)
        addControl(new QLabel(face), place.id)->setGeometry(place.geometry);
    addControl(new QComboBox(face), main_ids::DriveList)->setGeometry(130, 78, 306, 24);
    addControl(new QLineEdit(face), main_ids::Artist)->setGeometry(130, 106, 306, 22);
    addControl(new QLineEdit(face), main_ids::Album)->setGeometry(130, 130, 306, 22);
    addControl(new QComboBox(face), main_ids::Genre)->setGeometry(130, 154, 166, 24);
    addControl(new QLineEdit(face), main_ids::Year)->setGeometry(350, 154, 86, 22);

    for (const ButtonPlace& place : kButtons) {
        auto* button = new QPushButton(face);
        addControl(button, place.id)->setGeometry(place.geometry);
        button->setIconSize(QSize(24, 24));
        button->setAutoDefault(false);
    }

    trackList_ = new TrackListView(face);
    trackList_->setGeometry(68, 183, 368, 287);

    auto* position = new QScrollBar(Qt::Horizontal, face);
    addControl(position, main_ids::PlayerPosition)->setGeometry(254, 484, 182, 16);
    position->setRange(0, 0);

    statusBar_ = new MainStatusBar(this);
    layout->addWidget(statusBar_);
}

void MainDialog::buildMenus()
{
    for (const MenuPlace& place : kMenus) {
        QMenu* menu = menuBar_->addMenu(QString());
        menu->setProperty("captionLine", place.line);
        for (int id : place.commands) {
            if (id == 0) {
                menu->addSeparator();
                continue;
            }
            auto* action = new QAction(this);
            action->setObjectName(QString::number(id));
            commands_.insert(id, action);
            menu->addAction(action);
        }
    }
    command(command_ids::CompressToMp3)->setCheckable(true);
    command(command_ids::CompressToOgg)->setCheckable(true);
}

void MainDialog::applyCaptions()
{
    const QList<QAction*> menus = menuBar_->actions();
    for (qsizetype i = 0; i < menus.size(); ++i)
        menus[i]->setText(text(menus[i]->menu()->property("captionLine").toInt()));
    for (const CommandCaption& caption : kCommandCaptions)
        command(caption.id)->setText(text(caption.line));
    for (const LabelPlace& place : kLabels)
        static_cast<QLabel*>(control(place.id))->setText(text(place.line));

    static constexpr int kTitleLines[] = {0, 42, 41, 40, 39};
    static constexpr int kWidths[] = {13, 20, 155, 60, 100};
    QStringList titles;
    for (int line : kTitleLines)
        titles << (line != 0 ? text(line) : QString());
    trackList_->setHeaderLabels(titles);
    for (int column = 0; column < 5; ++column)
        trackList_->header()->resizeSection(column, kWidths[column]);
}

void MainDialog::reserveStatusRoom()
{
    // The longest texts of the player and of the disc length.
    const QString playing = text(44) + QStringLiteral("99");
    statusBar_->reserveRoom(
        1, {playing + text(47), playing + QStringLiteral(" (99:59)"), QStringLiteral("99") + text(46)});
    statusBar_->reserveRoom(2, {text(45) + QStringLiteral("99:59:74")});
}

void MainDialog::applyToolTips()
{
    for (const ButtonPlace& place : kButtons) {
        if (place.toolTipLine != 0)
            control(place.id)->setToolTip(text(place.toolTipLine));
    }
}

void MainDialog::applyButtonIcons()
{
    for (const ButtonPlace& place : kButtons)
        setButtonIcon(place.id, place.icon);
}

void MainDialog::setButtonIcon(int controlId, int iconResource)
{
    if (QPushButton* target = button(controlId)) {
        target->setIcon(resourceIcon(iconResource));
        target->setProperty("iconResource", iconResource);
    }
}

void MainDialog::showCompressionChoice()
{
    const bool mp3 = settings_.compressionIsMp3();
    setButtonIcon(main_ids::RipCompressed, mp3 ? 154 : 207);
    command(command_ids::CompressToMp3)->setChecked(mp3);
    command(command_ids::CompressToOgg)->setChecked(!mp3);
}

void MainDialog::connectOwnCommands()
{
    connect(button(main_ids::Configuration), &QPushButton::clicked, this, &MainDialog::openConfiguration);
    connect(command(command_ids::Configuration), &QAction::triggered, this, &MainDialog::openConfiguration);
    connect(command(command_ids::Language), &QAction::triggered, this, &MainDialog::openLanguageChoice);
    connect(command(command_ids::About), &QAction::triggered, this, &MainDialog::openAbout);
    connect(command(command_ids::Quit), &QAction::triggered, this, &MainDialog::quit);
    connect(command(command_ids::AspiInformation), &QAction::triggered, this,
            [] { quandor::shell::services().openUrl(aspiDownloadPage()); });
    connect(command(command_ids::Homepage), &QAction::triggered, this,
            [this] { quandor::shell::services().openUrl(makerSite() + QLatin1Char('/') + text(95)); });
    connect(static_cast<LinkLabel*>(bannerLink()), &LinkLabel::clicked, this,
            [this] { quandor::shell::services().openUrl(makerPageWithStatus(text(92), aspiStatusText_)); });
}

void MainDialog::renameAspiInstaller()
{
    const QDir folder(startFolder_);
    const QString packed = folder.filePath(QStringLiteral("wnaspi32.dl_"));
    if (QFile::exists(packed))
        QFile::rename(packed, folder.filePath(QStringLiteral("wnaspi32.dll")));
}

void MainDialog::checkFirstLaunch()
{
    if (readRegistryValue(QStringLiteral("FirstLaunch")) == QStringLiteral("1"))
        return;
    writeRegistryValue(QStringLiteral("FirstLaunch"), QStringLiteral("1"));
    quandor::shell::services().openUrl(makerPageWithStatus(QStringLiteral("setup6En.php?ASPI="), aspiStatusText_));
}

void MainDialog::tableOfContentsShown()
{
    afterTableOfContents(*this);
}

DriveController* driveController(const MainDialog& dialog)
{
    return dialog.drives_;
}

CdPlayer* cdPlayer(const MainDialog& dialog)
{
    return dialog.player_;
}

void MainDialog::readFirstDisc()
{
    if (driveCombo()->count() < 1)
        return;
    driveCombo()->setCurrentIndex(0);
    if (readTableOfContents_)
        readTableOfContents_();
}

QWidget* MainDialog::control(int id) const
{
    return controls_.value(id, nullptr);
}

QPushButton* MainDialog::button(int id) const
{
    return qobject_cast<QPushButton*>(control(id));
}

QAction* MainDialog::command(int id) const
{
    return commands_.value(id, nullptr);
}

QComboBox* MainDialog::driveCombo() const
{
    return static_cast<QComboBox*>(control(main_ids::DriveList));
}
QLineEdit* MainDialog::artistField() const
{
    return static_cast<QLineEdit*>(control(main_ids::Artist));
}
QLineEdit* MainDialog::albumField() const
{
    return static_cast<QLineEdit*>(control(main_ids::Album));
}
QComboBox* MainDialog::genreCombo() const
{
    return static_cast<QComboBox*>(control(main_ids::Genre));
}
QLineEdit* MainDialog::yearField() const
{
    return static_cast<QLineEdit*>(control(main_ids::Year));
}
QScrollBar* MainDialog::positionBar() const
{
    return static_cast<QScrollBar*>(control(main_ids::PlayerPosition));
}
QLabel* MainDialog::bannerLink() const
{
    return static_cast<QLabel*>(control(main_ids::BannerLink));
}
QTreeWidget* MainDialog::trackList() const
{
    return trackList_;
}

void MainDialog::setStatusText(int part, const QString& text)
{
    statusBar_->setPartText(part, text);
}

void MainDialog::showPlayState(const QString& text)
{
    setStatusText(1, text);
}

std::span<const int> MainDialog::mainControlIds()
{
    return kMainControls;
}
std::span<const int> MainDialog::mainMenuIds()
{
    return kMainMenus;
}
std::span<const int> MainDialog::aspiControlIds()
{
    return kAspiControls;
}
std::span<const int> MainDialog::aspiMenuIds()
{
    return kAspiMenus;
}

void MainDialog::setControlsEnabled(std::span<const int> controls, std::span<const int> menus, bool on)
{
    const auto keptOff = [this, on](std::span<const int> aspiIds, int id) {
        return on && aspiDisabled_ && std::find(aspiIds.begin(), aspiIds.end(), id) != aspiIds.end();
    };
    for (int id : controls) {
        if (QWidget* widget = control(id); widget && !keptOff(kAspiControls, id))
            widget->setEnabled(on);
    }
    for (int id : menus) {
        if (QAction* action = command(id); action && !keptOff(kAspiMenus, id))
            action->setEnabled(on);
    }
}

void MainDialog::disableMainControls()
{
    setControlsEnabled(kMainControls, kMainMenus, false);
}

void MainDialog::enableMainControls()
{
    setControlsEnabled(kMainControls, kMainMenus, true);
}

bool MainDialog::beginJob()
{
    if (jobRunning_)
        return false;
    jobRunning_ = true;
    disableMainControls();
    return true;
}

void MainDialog::endJob()
{
    if (!jobRunning_)
        return;
    jobRunning_ = false;
    enableMainControls();
}

bool MainDialog::letDriveCommandsEnd()
{
    if (!drives_ || !beginJob())
        return false;
    if (player_ && player_->isPlaying())
        player_->stop();
    // Mostly nothing waits; a drive that answers only at its time-out can
    // hold the queue for seconds, and the click must not look lost.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    drives_->waitUntilIdle();
    QGuiApplication::restoreOverrideCursor();
    endJob();
    return !closing_;
}

void MainDialog::disableAspiControls()
{
    setControlsEnabled(kAspiControls, kAspiMenus, false);
    aspiDisabled_ = true;
}

int MainDialog::runSecondaryDialog(QDialog& dialog)
{
    // Disabling a window disables its child windows too: a dialog owned by
    // this one is kept usable, and its modality shuts this one off instead.
    bool owned = false;
    for (const QWidget* owner = dialog.parentWidget(); owner && !owned; owner = owner->parentWidget())
        owned = owner == this;
    if (!owned)
        setEnabled(false);
    const int result = runModal_(dialog);
    if (!owned)
        setEnabled(true);
    activateWindow();
    return result;
}

void MainDialog::setModalRunner(ModalRunner runner)
{
    runModal_ = std::move(runner);
}

void MainDialog::setTableOfContentsReader(std::function<void()> reader)
{
    readTableOfContents_ = std::move(reader);
}

void MainDialog::addCloseStep(std::function<void(CloseReason)> step)
{
    closeSteps_.push_back(std::move(step));
}

void MainDialog::runCloseSteps(CloseReason reason)
{
    for (const auto& step : closeSteps_)
        step(reason);
}

void MainDialog::quit()
{
    if (closing_)
        return;
    closing_ = true;
    runCloseSteps(CloseReason::Quit);
    done(QDialog::Rejected);
}

void MainDialog::done(int result)
{
    ending_ = true;
    QDialog::done(result);
}

void MainDialog::setVisible(bool visible)
{
    // QDialog leaves its modal loop whenever it is hidden, which would end the
    // program when the burner hides the main dialog for its own window.
    if (!visible && !ending_ && isVisible()) {
        QWidget::setVisible(false);
        return;
    }
    if (visible)
        ending_ = false;
    QDialog::setVisible(visible);
}

void MainDialog::reject()
{
    if (closing_)
        return;
    closing_ = true;
    runCloseSteps(CloseReason::Cancel);
    QDialog::reject();
}

void MainDialog::openConfiguration()
{
    ConfigDialog dialog(ini_, language_, settings_);
    runSecondaryDialog(dialog);
}

void MainDialog::openLanguageChoice()
{
    LanguageDialog dialog(&language_, LanguageDialog::FromMenu);
    runSecondaryDialog(dialog);
}

void MainDialog::openAbout()
{
    AboutDialog dialog(language_, aspiStatusText_);
    runSecondaryDialog(dialog);
}

} // namespace brenlow
