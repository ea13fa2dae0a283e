#include "shell_fixture.h"

#include "cdrip/ui/brenlow_registry.h"
#include "platform/shell/registry_store.h"

#include <QDir>
#include <QFile>

namespace brenlow::test {

QString shippedLanguageFolder()
{
    return QDir(qEnvironmentVariable("QUANDOR_SOURCE_DIR")).filePath(QStringLiteral("lang"));
}

void ShellTest::SetUp()
{
    ASSERT_TRUE(folder_.isValid());
    quandor::shell::RegistryStore::setFile(folder_.filePath(QStringLiteral("registry.ini")));
    const QDir source(shippedLanguageFolder());
    ASSERT_TRUE(QDir(folder_.path()).mkpath(QStringLiteral("Lang")));
    const QStringList files = source.entryList({QStringLiteral("Zek_*.lng")}, QDir::Files);
    ASSERT_EQ(files.size(), 5) << source.path().toStdString();
    for (const QString& name : files) {
        ASSERT_TRUE(QFile::copy(source.filePath(name), folder_.filePath(QStringLiteral("Lang/") + name)));
    }
}

void ShellTest::TearDown()
{
    quandor::shell::RegistryStore::setFile(QString());
}

QString ShellTest::ripperIni() const
{
    return folder_.filePath(QStringLiteral("Ripper.ini"));
}

void ShellTest::markStartedBefore(const QString& langue)
{
    writeRegistryValue(QStringLiteral("Langue"), langue);
    writeRegistryValue(QStringLiteral("FirstLaunch"), QStringLiteral("1"));
}

} // namespace brenlow::test
