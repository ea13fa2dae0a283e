// The encoder keys of Ripper.ini: every row of the table is read into its own
// member and written back as it was read.
#include "cdrip/encode/encoder_settings.h"

#include "platform/profile/profile_file.h"
#include "tests/support/tools.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace brenlow {
namespace {

using quandor::profile::writeString;

// A value no default has, different for every key: a switch the opposite of
// its default, a text naming its own key.
QString otherThanDefault(const EncoderKey& key)
{
    EncoderSettings defaults;
    const EncoderKey::Field field = key.in(defaults);
    if (bool* const* on = std::get_if<bool*>(&field))
        return **on ? QStringLiteral("0") : QStringLiteral("1");
    return QStringLiteral("%1/%2").arg(QLatin1String(key.section), QLatin1String(key.key));
}

bool holds(EncoderSettings& settings, const EncoderKey& key, const QString& stored)
{
    const EncoderKey::Field field = key.in(settings);
    if (bool* const* on = std::get_if<bool*>(&field))
        return **on == (stored == QStringLiteral("1"));
    return *std::get<QString*>(field) == stored;
}

TEST(EncoderSettings, EveryKeyIsReadIntoItsMemberAndSavedAsItWasRead)
{
    QTemporaryDir folder;
    const QString written = QDir(folder.path()).filePath(QStringLiteral("written.ini"));
    for (const EncoderKey& key : encoderKeys())
        ASSERT_TRUE(writeString(written, QLatin1String(key.section), QLatin1String(key.key), otherThanDefault(key)));
    const QByteArray bytes = quandor::test::readAll(written);

    EncoderSettings loaded = LoadMp3Settings(written);
    EXPECT_EQ(quandor::test::readAll(written), bytes) << "nothing absent, nothing written back";
    for (const EncoderKey& key : encoderKeys())
        EXPECT_TRUE(holds(loaded, key, otherThanDefault(key))) << key.section << '/' << key.key;

    const QString saved = QDir(folder.path()).filePath(QStringLiteral("Ripper.ini"));
    ASSERT_TRUE(saveEncoderSettings(saved, loaded));
    EXPECT_EQ(quandor::test::readAll(saved), bytes) << "same keys, same order, same texts";
    EXPECT_EQ(LoadMp3Settings(saved), loaded);
    EXPECT_EQ(quandor::test::readAll(saved), bytes);
}

} // namespace
} // namespace brenlow
