#include "platform/shell/registry_store.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using quandor::shell::RegistryStore;

TEST(RegistryStore, ValuesPersistPerProgramAndAbsentIsNotEmpty)
{
    QTemporaryDir dir;
    RegistryStore::setFile(dir.filePath(QStringLiteral("sub/registry.ini")));
    RegistryStore brenlow(QStringLiteral("Brenlow"));
    EXPECT_FALSE(brenlow.value(QStringLiteral("Langue")).has_value());
    ASSERT_TRUE(brenlow.setValue(QStringLiteral("Langue"), QStringLiteral("4")));
    ASSERT_TRUE(brenlow.setValue(QStringLiteral("FirstLaunch"), QString()));
    EXPECT_EQ(RegistryStore(QStringLiteral("Brenlow")).value(QStringLiteral("Langue")), QStringLiteral("4"));
    EXPECT_EQ(brenlow.value(QStringLiteral("FirstLaunch")), QString());
    EXPECT_FALSE(RegistryStore(QStringLiteral("Other")).value(QStringLiteral("Langue")).has_value());
    RegistryStore::setFile(QString());
}
