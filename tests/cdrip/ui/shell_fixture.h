#pragma once
// A start folder of its own for each test: Lang holds the shipped language
// files, the registry store points into the folder, and desktop services are
// recorded.

#include "tests/support/recording_services.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace brenlow::test {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString startFolder() const { return folder_.path(); }
    QString ripperIni() const;
    /// Stores `Langue` and `FirstLaunch` as a machine that already ran the program.
    void markStartedBefore(const QString& langue = QStringLiteral("1"));

    QTemporaryDir folder_;
    quandor::test::RecordingServices services_;
};

/// The shipped language files (source lang folder).
QString shippedLanguageFolder();

} // namespace brenlow::test
