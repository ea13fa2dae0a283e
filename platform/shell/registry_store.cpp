#include "platform/shell/registry_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace quandor::shell {
namespace {

QString& overriddenFile()
{
    static QString path;
    return path;
}

QString groupKey(const QString& program, const QString& name)
{
    return QStringLiteral("SOFTWARE/") + program + QLatin1Char('/') + name;
}

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
    QSettings settings(file(), QSettings::IniFormat);
    const QVariant stored = settings.value(groupKey(program_, name));
    if (!stored.isValid())
        return std::nullopt;
    return stored.toString();
}

bool RegistryStore::setValue(const QString& name, const QString& text)
{
    QDir().mkpath(QFileInfo(file()).absolutePath());
    QSettings settings(file(), QSettings::IniFormat);
    settings.setValue(groupKey(program_, name), text);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace quandor::shell
