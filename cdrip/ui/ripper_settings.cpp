#include "cdrip/ui/ripper_settings.h"

#include "cdrip/ui/message_lines.h"
#include "platform/profile/profile_file.h"

#include <QDir>

namespace brenlow {
namespace {

QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

RipperIni::RipperIni(QString startFolder) : startFolder_(std::move(startFolder)) {}

QString RipperIni::file() const
{
    return QDir(startFolder_).filePath(QStringLiteral("Ripper.ini"));
}

QString RipperIni::defaultOf(const RipperKey& key) const
{
    if (key.fallback == nullptr)
        return QDir(startFolder_).filePath(QStringLiteral("My Music"));
    return latin(key.fallback);
}

QString RipperIni::text(const RipperKey& key) const
{
    const QString absent = latin(kAbsentValue);
    const QString stored = quandor::profile::readString(file(), latin(key.section), latin(key.key), absent);
    if (stored != absent && !(key.emptyIsAbsent && stored.isEmpty()))
        return stored;
    const QString fallback = defaultOf(key);
    quandor::profile::writeDefault(file(), latin(key.section), latin(key.key), fallback);
    return fallback;
}

bool RipperIni::outputFlag(const RipperKey& key) const
{
    return text(key) == QStringLiteral("true");
}

bool RipperIni::write(const RipperKey& key, const QString& value) const
{
    return quandor::profile::writeString(file(), latin(key.section), latin(key.key), value);
}

bool RipperIni::writeOutputFlag(const RipperKey& key, bool on) const
{
    return write(key, on ? QStringLiteral("true") : QStringLiteral("false"));
}

QString settingsSaveFailedText(const QString& file, const LanguageTable& language)
{
    return message_lines::SettingsNotSaved.in(language).arg(QDir::toNativeSeparators(file));
}

CddbSettings readCddbSettings(const RipperIni& ini)
{
    using namespace ripper_keys;
    CddbSettings cddb;
    cddb.server = ini.text(CddbServer);
    cddb.queryPath = ini.text(CddbQuery);
    cddb.user = ini.text(CddbUser);
    cddb.site = ini.text(CddbSite);
    cddb.clientName = ini.text(CddbClientName);
    cddb.clientVersion = ini.text(CddbClientVersion);
    cddb.autoLookup = ini.outputFlag(CddbAuto);
    return cddb;
}

} // namespace brenlow
