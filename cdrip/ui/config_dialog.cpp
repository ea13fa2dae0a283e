#include "cdrip/ui/config_dialog.h"

#include "cdrip/ui/button_icons.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/design_scale.h"
#include "platform/shell/services.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace brenlow {
namespace {

struct Caption {
    int id;
    int line;
};

constexpr Caption kCaptions[] = {
    {config_ids::OutputGroup, 65},
    {config_ids::OutputCaption, 66},
    {config_ids::CddbGroup, 67},
    {config_ids::CddbAutoLookup, 68},
    {config_ids::FirstCddbCaption, 69},
    {config_ids::FirstCddbCaption + 1, 70},
    {config_ids::FirstCddbCaption + 2, 71},
    {config_ids::FirstCddbCaption + 3, 72},
    {config_ids::FirstCddbCaption + 4, 73},
    {config_ids::FirstCddbCaption + 5, 74},
    {config_ids::FileNameGroup, 75},
    {config_ids::ClearPattern, 76},
    {config_ids::SaveInArtistAlbum, 77},
    {config_ids::FirstPatternHelp, 78},
    {config_ids::FirstPatternHelp + 1, 79},
    {config_ids::FirstPatternHelp + 2, 80},
    {config_ids::FirstPatternHelp + 3, 81},
    {config_ids::FirstPatternHelp + 4, 82},
    {config_ids::Close, 83},
    {config_ids::RestoreDefaults, 84},
    {config_ids::Ok, 63},
};

struct PatternButton {
    int id;
    const char* caption;
    const char* token;
};

constexpr PatternButton kPatternButtons[] = {
    {config_ids::PatternTrackNumber, "%N", "%N"}, {config_ids::PatternTitle, "%T", "%T"},
    {config_ids::PatternAlbum, "%A", "%A"},       {config_ids::PatternArtist, "%C", "%C"},
    {config_ids::PatternYear, "%Y", "%Y"},        {config_ids::PatternSeparator, " - ", "-"},
};

QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

ConfigDialog::ConfigDialog(const RipperIni& ini, const LanguageTable& language, RipperSettings& settings,
                           QWidget* parent)
    : QDialog(parent),
      ini_(ini),
      language_(language),
      settings_(settings)
{
    setObjectName(QStringLiteral("116"));
    setWindowTitle(QStringLiteral("Brenlow"));
    buildControls();
    applyCaptions();
    fitToFont(*this);
    loadValues();
}

QLineEdit* ConfigDialog::field(int id) const
{
    return findChild<QLineEdit*>(QString::number(id));
}

QCheckBox* ConfigDialog::check(int id) const
{
    return findChild<QCheckBox*>(QString::number(id));
}

void ConfigDialog::buildControls()
{
    setFixedSize(470, 470);
    const auto named = [](QWidget* widget, int id, QRect where) {
        widget->setObjectName(QString::number(id));
        widget->setGeometry(where);
        return widget;
    };
    named(new QGroupBox(this), config_ids::OutputGroup, {8, 8, 454, 80});
    named(new QLabel(this), config_ids::OutputCaption, {18, 30, 420, 20});
    named(new QLineEdit(this), config_ids::OutputFolder, {18, 52, 390, 24});
    auto* browseButton = new QPushButton(this);
    named(browseButton, config_ids::BrowseOutputFolder, {414, 50, 36, 28});
    browseButton->setIcon(resourceIcon(117));
    connect(browseButton, &QPushButton::clicked, this, &ConfigDialog::browse);

    named(new QGroupBox(this), config_ids::CddbGroup, {8, 96, 454, 196});
    named(new QCheckBox(this), config_ids::CddbAutoLookup, {18, 116, 420, 20});
    constexpr int kCddbFields[] = {config_ids::CddbServer, config_ids::CddbQuery,      config_ids::CddbUser,
                                   config_ids::CddbSite,   config_ids::CddbClientName, config_ids::CddbClientVersion};
    for (int row = 0; row < 6; ++row) {
        const int y = 142 + row * 24;
        named(new QLabel(this), config_ids::FirstCddbCaption + row, {18, y, 130, 20});
        named(new QLineEdit(this), kCddbFields[row], {150, y, 300, 22});
    }

    named(new QGroupBox(this), config_ids::FileNameGroup, {8, 300, 454, 128});
    named(new QLineEdit(this), config_ids::FileNamePattern, {18, 322, 290, 22});
    named(new QCheckBox(this), config_ids::SaveInArtistAlbum, {18, 404, 430, 20});
    int x = 18;
    for (const PatternButton& pattern : kPatternButtons) {
        auto* button = new QPushButton(latin(pattern.caption), this);
        named(button, pattern.id, {x, 350, 40, 24});
        const QString token = latin(pattern.token);
        connect(button, &QPushButton::clicked, this, [this, token] { appendToPattern(token); });
        x += 44;
    }
    auto* clear = new QPushButton(this);
    named(clear, config_ids::ClearPattern, {18, 378, 80, 24});
    connect(clear, &QPushButton::clicked, this, [this] { field(config_ids::FileNamePattern)->clear(); });
    for (int i = 0; i < 5; ++i)
        named(new QLabel(this), config_ids::FirstPatternHelp + i, {320, 318 + i * 16, 136, 16});

    for (int id : {config_ids::OutputFolder, config_ids::CddbUser, config_ids::CddbSite, config_ids::CddbClientName,
                   config_ids::CddbClientVersion, config_ids::FileNamePattern})
        field(id)->setReadOnly(true);

    auto* defaults = new QPushButton(this);
    named(defaults, config_ids::RestoreDefaults, {8, 436, 100, 26});
    connect(defaults, &QPushButton::clicked, this, &ConfigDialog::restoreDefaults);
    auto* ok = new QPushButton(this);
    named(ok, config_ids::Ok, {254, 436, 100, 26});
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ConfigDialog::save);
    auto* close = new QPushButton(this);
    named(close, config_ids::Close, {362, 436, 100, 26});
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void ConfigDialog::applyCaptions()
{
    for (const Caption& caption : kCaptions) {
        QWidget* widget = findChild<QWidget*>(QString::number(caption.id));
        const QString text = language_.line(caption.line);
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            box->setTitle(text);
        else if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(text);
    }
}

void ConfigDialog::loadValues()
{
    using namespace ripper_keys;
    field(config_ids::OutputFolder)->setText(ini_.text(OutputFolder));
    settings_.output.fileNamePattern = ini_.text(FileNamePattern);
    field(config_ids::FileNamePattern)->setText(settings_.output.fileNamePattern);
    field(config_ids::CddbServer)->setText(ini_.text(CddbServer));
    field(config_ids::CddbQuery)->setText(ini_.text(CddbQuery));
    field(config_ids::CddbUser)->setText(ini_.text(CddbUser));
    field(config_ids::CddbSite)->setText(ini_.text(CddbSite));
    field(config_ids::CddbClientName)->setText(ini_.text(CddbClientName));
    field(config_ids::CddbClientVersion)->setText(ini_.text(CddbClientVersion));
    settings_.cddb.autoLookup = ini_.outputFlag(CddbAuto);
    check(config_ids::CddbAutoLookup)->setChecked(settings_.cddb.autoLookup);
    check(config_ids::SaveInArtistAlbum)->setChecked(ini_.outputFlag(SaveInArtistAlbum));
}

bool ConfigDialog::appendToPattern(const QString& token)
{
    QString pattern = field(config_ids::FileNamePattern)->text();
    if (!pattern.isEmpty())
        pattern += QLatin1Char(' ');
    pattern += token;
    if (pattern.size() > kFileNamePatternLimit)
        return false;
    field(config_ids::FileNamePattern)->setText(pattern);
    return true;
}

void ConfigDialog::restoreDefaults()
{
    using namespace ripper_keys;
    field(config_ids::CddbServer)->setText(ini_.defaultOf(CddbServer));
    field(config_ids::CddbQuery)->setText(ini_.defaultOf(CddbQuery));
    field(config_ids::CddbUser)->setText(ini_.defaultOf(CddbUser));
    field(config_ids::CddbSite)->setText(ini_.defaultOf(CddbSite));
    field(config_ids::CddbClientName)->setText(ini_.defaultOf(CddbClientName));
    field(config_ids::FileNamePattern)->setText(ini_.defaultOf(FileNamePattern));
    check(config_ids::CddbAutoLookup)->setChecked(true);
    check(config_ids::SaveInArtistAlbum)->setChecked(true);
}

void ConfigDialog::save()
{
    using namespace ripper_keys;
    bool stored = ini_.write(OutputFolder, field(config_ids::OutputFolder)->text());
    stored = ini_.write(CddbServer, field(config_ids::CddbServer)->text()) && stored;
    stored = ini_.write(CddbQuery, field(config_ids::CddbQuery)->text()) && stored;
    stored = ini_.write(CddbUser, field(config_ids::CddbUser)->text()) && stored;
    stored = ini_.write(CddbSite, field(config_ids::CddbSite)->text()) && stored;
    stored = ini_.write(FileNamePattern, field(config_ids::FileNamePattern)->text()) && stored;
    stored = ini_.writeOutputFlag(CddbAuto, check(config_ids::CddbAutoLookup)->isChecked()) && stored;
    stored = ini_.writeOutputFlag(SaveInArtistAlbum, check(config_ids::SaveInArtistAlbum)->isChecked()) && stored;
    if (!stored) {
        // The values still apply to this session; the user learns they will not last.
        quandor::shell::messageBox(this, settingsSaveFailedText(ini_.file(), language_), QStringLiteral("Brenlow"),
                                   quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Warning);
    }

    settings_.output.folder = field(config_ids::OutputFolder)->text();
    settings_.output.fileNamePattern = field(config_ids::FileNamePattern)->text();
    settings_.output.saveInArtistAlbum = check(config_ids::SaveInArtistAlbum)->isChecked();
    settings_.cddb.server = field(config_ids::CddbServer)->text();
    settings_.cddb.queryPath = field(config_ids::CddbQuery)->text();
    settings_.cddb.user = field(config_ids::CddbUser)->text();
    settings_.cddb.site = field(config_ids::CddbSite)->text();
    settings_.cddb.autoLookup = check(config_ids::CddbAutoLookup)->isChecked();
    accept();
}

void ConfigDialog::browse()
{
    const QString folder =
        quandor::shell::services().browseForFolder(this, language_.line(85), field(config_ids::OutputFolder)->text());
    if (!folder.isEmpty())
        field(config_ids::OutputFolder)->setText(folder);
}

} // namespace brenlow
