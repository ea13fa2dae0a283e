#include "cdrip/ui/config_dialog.h"

#include "cdrip/ui/button_icons.h"
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
    {1134, 65}, {1135, 66}, {1136, 67}, {1037, 68}, {1137, 69}, {1138, 70}, {1139, 71},
    {1140, 72}, {1141, 73}, {1142, 74}, {1143, 75}, {1081, 76}, {1074, 77}, {1144, 78},
    {1145, 79}, {1146, 80}, {1147, 81}, {1148, 82}, {2, 83},    {1035, 84}, {1, 63},
};

struct PatternButton {
    int id;
    const char* caption;
    const char* token;
};

constexpr PatternButton kPatternButtons[] = {
    {1075, "%N", "%N"}, {1076, "%T", "%T"}, {1077, "%A", "%A"},
    {1078, "%C", "%C"}, {1079, "%Y", "%Y"}, {1080, " - ", "-"},
};

QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

ConfigDialog::ConfigDialog(const RipperIni& ini, const LanguageTable& language,
                           RipperSettings& settings, QWidget* parent)
    : QDialog(parent), ini_(ini), language_(language), settings_(settings)
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
    named(new QGroupBox(this), 1134, {8, 8, 454, 80});
    named(new QLabel(this), 1135, {18, 30, 420, 20});
    named(new QLineEdit(this), 1026, {18, 52, 390, 24});
    auto* browseButton = new QPushButton(this);
    named(browseButton, 1027, {414, 50, 36, 28});
    browseButton->setIcon(resourceIcon(117));
    connect(browseButton, &QPushButton::clicked, this, &ConfigDialog::browse);

    named(new QGroupBox(this), 1136, {8, 96, 454, 196});
    named(new QCheckBox(this), 1037, {18, 116, 420, 20});
    constexpr int kCddbFields[] = {1034, 1029, 1030, 1031, 1032, 1033};
    for (int row = 0; row < 6; ++row) {
        const int y = 142 + row * 24;
        named(new QLabel(this), 1137 + row, {18, y, 130, 20});
        named(new QLineEdit(this), kCddbFields[row], {150, y, 300, 22});
    }

    named(new QGroupBox(this), 1143, {8, 300, 454, 128});
    named(new QLineEdit(this), 1049, {18, 322, 290, 22});
    named(new QCheckBox(this), 1074, {18, 404, 430, 20});
    int x = 18;
    for (const PatternButton& pattern : kPatternButtons) {
        auto* button = new QPushButton(latin(pattern.caption), this);
        named(button, pattern.id, {x, 350, 40, 24});
        const QString token = latin(pattern.token);
        connect(button, &QPushButton::clicked, this, [this, token] { appendToPattern(token); });
        x += 44;
    }
    auto* clear = new QPushButton(this);
    named(clear, 1081, {18, 378, 80, 24});
    connect(clear, &QPushButton::clicked, this, [this] { field(1049)->clear(); });
    for (int i = 0; i < 5; ++i)
        named(new QLabel(this), 1144 + i, {320, 318 + i * 16, 136, 16});

    for (int id : {1026, 1030, 1031, 1032, 1033, 1049})
        field(id)->setReadOnly(true);

    auto* defaults = new QPushButton(this);
    named(defaults, 1035, {8, 436, 100, 26});
    connect(defaults, &QPushButton::clicked, this, &ConfigDialog::restoreDefaults);
    auto* ok = new QPushButton(this);
    named(ok, 1, {254, 436, 100, 26});
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ConfigDialog::save);
    auto* close = new QPushButton(this);
    named(close, 2, {362, 436, 100, 26});
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
    field(1026)->setText(ini_.text(OutputFolder));
    settings_.output.fileNamePattern = ini_.text(FileNamePattern);
    field(1049)->setText(settings_.output.fileNamePattern);
    field(1034)->setText(ini_.text(CddbServer));
    field(1029)->setText(ini_.text(CddbQuery));
    field(1030)->setText(ini_.text(CddbUser));
    field(1031)->setText(ini_.text(CddbSite));
    field(1032)->setText(ini_.text(CddbClientName));
    field(1033)->setText(ini_.text(CddbClientVersion));
    settings_.cddb.autoLookup = ini_.outputFlag(CddbAuto);
    check(1037)->setChecked(settings_.cddb.autoLookup);
    check(1074)->setChecked(ini_.outputFlag(SaveInArtistAlbum));
}

bool ConfigDialog::appendToPattern(const QString& token)
{
    QString pattern = field(1049)->text();
    if (!pattern.isEmpty())
        pattern += QLatin1Char(' ');
    pattern += token;
    if (pattern.size() > kFileNamePatternLimit)
        return false;
    field(1049)->setText(pattern);
    return true;
}

void ConfigDialog::restoreDefaults()
{
    using namespace ripper_keys;
    field(1034)->setText(ini_.defaultOf(CddbServer));
    field(1029)->setText(ini_.defaultOf(CddbQuery));
    field(1030)->setText(ini_.defaultOf(CddbUser));
    field(1031)->setText(ini_.defaultOf(CddbSite));
    field(1032)->setText(ini_.defaultOf(CddbClientName));
    field(1049)->setText(ini_.defaultOf(FileNamePattern));
    check(1037)->setChecked(true);
    check(1074)->setChecked(true);
}

void ConfigDialog::save()
{
    using namespace ripper_keys;
    bool stored = ini_.write(OutputFolder, field(1026)->text());
    stored = ini_.write(CddbServer, field(1034)->text()) && stored;
    stored = ini_.write(CddbQuery, field(1029)->text()) && stored;
    stored = ini_.write(CddbUser, field(1030)->text()) && stored;
    stored = ini_.write(CddbSite, field(1031)->text()) && stored;
    stored = ini_.write(FileNamePattern, field(1049)->text()) && stored;
    stored = ini_.writeOutputFlag(CddbAuto, check(1037)->isChecked()) && stored;
    stored = ini_.writeOutputFlag(SaveInArtistAlbum, check(1074)->isChecked()) && stored;
    if (!stored) {
        // The values still apply to this session; the user learns they will not last.
        quandor::shell::messageBox(this, settingsSaveFailedText(ini_.file()), QStringLiteral("Brenlow"),
                                   quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Warning);
    }

    settings_.output.folder = field(1026)->text();
    settings_.output.fileNamePattern = field(1049)->text();
    settings_.output.saveInArtistAlbum = check(1074)->isChecked();
    settings_.cddb.server = field(1034)->text();
    settings_.cddb.queryPath = field(1029)->text();
    settings_.cddb.user = field(1030)->text();
    settings_.cddb.site = field(1031)->text();
    settings_.cddb.autoLookup = check(1037)->isChecked();
    accept();
}

void ConfigDialog::browse()
{
    const QString folder = quandor::shell::services().browseForFolder(
        this, language_.line(85), field(1026)->text());
    if (!folder.isEmpty())
        field(1026)->setText(folder);
}

} // namespace brenlow
