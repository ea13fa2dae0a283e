#include "cdrip/ui/main_dialog.h"
#include "quandor_version.h"

#include "cdrip/ui/about_dialog.h"
#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/button_icons.h"
#include "cdrip/ui/config_dialog.h"
#include "cdrip/ui/design_scale.h"
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

constexpr int kMainControls[] = {1502, 1500, 1501, 1023, 1040, 1041, 1045, 1016, 1017,
                                 1054, 1021, 1022, 1047, 1044, 1048, 1049, 1051, 1050};
constexpr int kMainMenus[] = {40011, 40002, 40012, 40013, 40014, 40015,
                              40016, 40031, 40032, 40033, 40034, 40028};
constexpr int kAspiControls[] = {1502, 1500, 1501, 1039, 1023, 1040, 1041,
                                 1045, 1044, 1048, 1049, 1051, 1050};
constexpr int kAspiMenus[] = {40002, 40012, 40013, 40016, 40014, 40015};

struct ButtonPlace {
    int id;
    QRect geometry;
    int icon;
    int toolTipLine; // 0: none
};

// Buttons of the dialog face with their icons and tool-tip lines.
constexpr ButtonPlace kButtons[] = {
    {1500, {8, 80, 52, 40}, 124, 4},   {1501, {8, 124, 52, 40}, 126, 5},
    {1502, {8, 168, 52, 40}, 154, 6},  {1023, {8, 212, 52, 40}, 123, 7},
    {1005, {8, 256, 52, 40}, 141, 32}, {1039, {8, 300, 52, 40}, 145, 33},
    {1040, {8, 344, 52, 40}, 151, 34}, {1041, {8, 388, 52, 40}, 153, 20},
    {1047, {8, 432, 52, 40}, 198, 36}, {1043, {444, 183, 68, 40}, 171, 15},
    {1042, {444, 227, 68, 40}, 172, 16}, {1045, {444, 271, 68, 40}, 158, 10},
    {1051, {68, 476, 34, 32}, 181, 0}, {1044, {104, 476, 34, 32}, 127, 37},
    {1049, {140, 476, 34, 32}, 179, 0}, {1048, {176, 476, 34, 32}, 137, 0},
    {1050, {212, 476, 34, 32}, 180, 0},
};

struct LabelPlace {
    int id;
    QRect geometry;
    int line;
};

constexpr LabelPlace kLabels[] = {
    {1129, {68, 82, 60, 20}, 27},  {1130, {68, 108, 60, 20}, 28}, {1131, {68, 132, 60, 20}, 29},
    {1132, {68, 156, 60, 20}, 30}, {1133, {300, 156, 46, 20}, 31},
};

struct CommandCaption {
    int id;
    int line;
};

constexpr CommandCaption kCommandCaptions[] = {
    {40001, 2},   {40012, 4},   {40013, 5},  {40014, 6},  {40015, 7},  {40031, 8},
    {40032, 9},   {40016, 10},  {40035, 145}, {40036, 148}, {40008, 15}, {40009, 16},
    {40002, 19},  {40028, 20},  {40033, 21}, {40034, 22}, {40024, 24}, {40025, 25},
    {40017, 26},  {40011, 13},
};

// Menu layout: top-level caption line, then the command ids (0 = separator).
struct MenuPlace {
    int line;
    std::initializer_list<int> commands;
};

const MenuPlace kMenus[] = {
    {1, {40001}},
    {3, {40012, 40013, 40014, 40015, 0, 40031, 40032, 40035, 0, 40016}},
    {14, {40008, 40009, 0, 40011}},
    {18, {40002, 40028, 0, 40033, 40034, 0, 40036}},
    {23, {40024, 40025, 40017}},
};

QString creditText()
{
    return QStringLiteral("Brenlow " QUANDOR_VERSION_TEXT " - Quandor");
}

} // namespace

MainDialog::MainDialog(QString startFolder, QWidget* parent) : MainDialog(startFolder, startFolder, parent) {}

MainDialog::MainDialog(QString startFolder, QString programFolder, QWidget* parent)
    : QDialog(parent), startFolder_(std::move(startFolder)), programFolder_(std::move(programFolder)),
      ini_(startFolder_), runModal_([](QDialog& dialog) { return dialog.exec(); })
{
    setObjectName(QStringLiteral("101"));
    setWindowTitle(QStringLiteral("Brenlow"));
    settings_.startFolder = startFolder_;
    settings_.output.folder = ini_.defaultOf(ripper_keys::OutputFolder);

    playerClock_ = new QTimer(this);
    playerClock_->setObjectName(QStringLiteral("1100"));
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
    attachDriveCommands(*this);
    attachImageCommands(*this);
    attachCddbCommands(*this);
    checkFirstLaunch();

    artistField()->setText(text(43));
    albumField()->setText(text(43));
    readFirstDisc();
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
    banner->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #16779a, stop:1 #829aad);"
        "color: white; font-size: 26px; font-weight: bold; padding-left: 16px;"));
    banner->setText(QStringLiteral("Brenlow"));

    auto* link = new LinkLabel(face);
    addControl(link, 1071)->setGeometry(300, 44, 210, 20);
    link->setText(makerSite().section(QStringLiteral("//"), 1));
    link->setStyleSheet(QStringLiteral("color: white;"));

    for (const LabelPlace& place : kLabels)
        addControl(new QLabel(face), place.id)->setGeometry(place.geometry);
    addControl(new QComboBox(face), 1054)->setGeometry(130, 78, 306, 24);
    addControl(new QLineEdit(face), 1016)->setGeometry(130, 106, 306, 22);
    addControl(new QLineEdit(face), 1017)->setGeometry(130, 130, 306, 22);
    addControl(new QComboBox(face), 1021)->setGeometry(130, 154, 166, 24);
    addControl(new QLineEdit(face), 1022)->setGeometry(350, 154, 86, 22);

    for (const ButtonPlace& place : kButtons) {
        auto* button = new QPushButton(face);
        addControl(button, place.id)->setGeometry(place.geometry);
        button->setIconSize(QSize(24, 24));
        button->setAutoDefault(false);
    }

    trackList_ = new TrackListView(face);
    trackList_->setGeometry(68, 183, 368, 287);

    auto* position = new QScrollBar(Qt::Horizontal, face);
    addControl(position, 1090)->setGeometry(254, 484, 182, 16);
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
    command(40033)->setCheckable(true);
    command(40034)->setCheckable(true);
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
    statusBar_->reserveRoom(1, {playing + text(47), playing + QStringLiteral(" (99:59)"),
                                QStringLiteral("99") + text(46)});
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
    setButtonIcon(1502, mp3 ? 154 : 207);
    command(40033)->setChecked(mp3);
    command(40034)->setChecked(!mp3);
}

void MainDialog::connectOwnCommands()
{
    connect(button(1040), &QPushButton::clicked, this, &MainDialog::openConfiguration);
    connect(command(40002), &QAction::triggered, this, &MainDialog::openConfiguration);
    connect(command(40036), &QAction::triggered, this, &MainDialog::openLanguageChoice);
    connect(command(40017), &QAction::triggered, this, &MainDialog::openAbout);
    connect(command(40001), &QAction::triggered, this, &MainDialog::quit);
    connect(command(40024), &QAction::triggered, this,
            [] { quandor::shell::services().openUrl(aspiDownloadPage()); });
    connect(command(40025), &QAction::triggered, this, [this] {
        quandor::shell::services().openUrl(makerSite() + QLatin1Char('/') + text(95));
    });
    connect(static_cast<LinkLabel*>(bannerLink()), &LinkLabel::clicked, this, [this] {
        quandor::shell::services().openUrl(makerPageWithStatus(text(92), aspiStatusText_));
    });
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
    quandor::shell::services().openUrl(
        makerPageWithStatus(QStringLiteral("setup6En.php?ASPI="), aspiStatusText_));
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

QComboBox* MainDialog::driveCombo() const { return static_cast<QComboBox*>(control(1054)); }
QLineEdit* MainDialog::artistField() const { return static_cast<QLineEdit*>(control(1016)); }
QLineEdit* MainDialog::albumField() const { return static_cast<QLineEdit*>(control(1017)); }
QComboBox* MainDialog::genreCombo() const { return static_cast<QComboBox*>(control(1021)); }
QLineEdit* MainDialog::yearField() const { return static_cast<QLineEdit*>(control(1022)); }
QScrollBar* MainDialog::positionBar() const { return static_cast<QScrollBar*>(control(1090)); }
QLabel* MainDialog::bannerLink() const { return static_cast<QLabel*>(control(1071)); }
QTreeWidget* MainDialog::trackList() const { return trackList_; }

void MainDialog::setStatusText(int part, const QString& text)
{
    statusBar_->setPartText(part, text);
}

QString MainDialog::statusText(int part) const
{
    return statusBar_->partText(part);
}

std::span<const int> MainDialog::mainControlIds() { return kMainControls; }
std::span<const int> MainDialog::mainMenuIds() { return kMainMenus; }
std::span<const int> MainDialog::aspiControlIds() { return kAspiControls; }
std::span<const int> MainDialog::aspiMenuIds() { return kAspiMenus; }

void MainDialog::setControlsEnabled(std::span<const int> controls, std::span<const int> menus,
                                    bool on)
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
