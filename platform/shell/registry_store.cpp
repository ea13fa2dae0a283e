#include "platform/shell/registry_store.h"

#include "platform/profile/profile_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quandor::shell {
namespace {

QString& overriddenFile()
{
    static QString path;
    return path;
}

// The layout QSettings gives the same values ([SOFTWARE] Brenlow\Langue=1),
// so a file written by an earlier version reads on.
const QString kSection = QStringLiteral("SOFTWARE");

QString keyOf(const QString& program, const QString& name)
{
    return program + QLatin1Char('\\') + name;
}

// A value holding a line end is never stored, so it cannot stand for one.
const QString kAbsent = QStringLiteral("\n");

} // namespace

RegistryStore::RegistryStore(QString program) : program_(std::move(program)) {}

QString RegistryStore::file()
{
    if (!overriddenFile().isEmpty())
        return overriddenFile();
    const QString fromEnvironment = qEnvironmentVariable("QUANDOR_REGISTRY_FILE");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(folder).filePath(QStringLiteral("Quandor/registry.ini"));
}

void RegistryStore::setFile(const QString& path)
{
    overriddenFile() = path;
}

std::optional<QString> RegistryStore::value(const QString& name) const
{
    const QString stored = profile::readString(file(), kSection, keyOf(program_, name), kAbsent);
    if (stored == kAbsent)
        return std::nullopt;
    return stored;
}

bool RegistryStore::setValue(const QString& name, const QString& text)
{
    QDir().mkpath(QFileInfo(file()).absolutePath());
    return profile::writeString(file(), kSection, keyOf(program_, name), text);
}

} // namespace quandor::shell
