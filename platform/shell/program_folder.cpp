#include "platform/shell/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace quandor::shell {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

bool isWritableFolder(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-test-XXXXXX")));
    return probe.open();
}

QString settingsFolder(const QString& program)
{
    const QString fromEnvironment = qEnvironmentVariable("QUANDOR_SETTINGS_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString own = programFolder();
    if (isWritableFolder(own))
        return own;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString redirected = QDir(base).filePath(QStringLiteral("Quandor/") + program);
    QDir().mkpath(redirected);
    return redirected;
}

} // namespace quandor::shell
