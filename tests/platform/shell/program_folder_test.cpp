#include "platform/shell/program_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quandor::shell;

TEST(ProgramFolder, WritableFoldersAreDetected)
{
    QTemporaryDir dir;
    EXPECT_TRUE(isWritableFolder(dir.path()));
    EXPECT_FALSE(isWritableFolder(dir.filePath(QStringLiteral("missing"))));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the probe leaves nothing behind";
    if (geteuid() != 0) { // root writes anywhere
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(isWritableFolder(dir.path()));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST(ProgramFolder, EnvironmentOverridesTheSettingsFolder)
{
    QTemporaryDir dir;
    qputenv("QUANDOR_SETTINGS_DIR", dir.path().toUtf8());
    EXPECT_EQ(settingsFolder(QStringLiteral("Tavrel")), dir.path());
    qunsetenv("QUANDOR_SETTINGS_DIR");
    EXPECT_FALSE(settingsFolder(QStringLiteral("Tavrel")).isEmpty());
}
