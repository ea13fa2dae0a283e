#include "converter/main/audiotool.h"

#include "tests/converter/main/window_fixture.h"
#include "tests/support/recording_services.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::ProgramFolder;

void pick(QComboBox* combo, const QString& text)
{
    combo->setCurrentIndex(combo->findText(text));
}

TEST(OutputFormat, EachFormatShowsItsParameterControls)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    folder.setValue("WMA", "WMASUPPORT", "True");
    auto window = folder.started();
    window->show();

    struct Row {
        const char* format;
        bool text2;
        bool combo2;
        bool combo3;
    };
    const Row rows[] = {
        {"APE (MonKey's audio)", false, false, true},
        {"Mp3", true, false, false},
        {"Wma", false, true, false},
        {"Wav", true, false, false},
        {"Ogg", true, false, false},
        {"AAC", true, false, false},
    };
    for (const Row& row : rows) {
        pick(window->Combo1, QLatin1String(row.format));
        window->Combo1_Click();
        EXPECT_EQ(window->Text2->isVisible(), row.text2) << row.format;
        EXPECT_EQ(window->Command2->isVisible(), row.text2) << row.format;
        EXPECT_EQ(window->Combo2->isVisible(), row.combo2) << row.format;
        EXPECT_EQ(window->Combo3->isVisible(), row.combo3) << row.format;
    }
}

TEST(OutputFormat, ALongSummaryShowsItsStart)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    folder.setValue("Mp3", "20", "2"); // VBR: the longest MP3 summary
    folder.setValue("Mp3", "18", "3");
    auto window = folder.started();
    window->show();
    for (const char* format : {"Mp3", "Ogg", "Mp3"}) {
        pick(window->Combo1, QLatin1String(format));
        window->Combo1_Click();
        const QLineEdit& box = *window->Text2;
        EXPECT_EQ(box.cursorPosition(), 0) << format << ": " << box.text().toStdString();
    }
    const QLineEdit& box = *window->Text2;
    ASSERT_GT(box.fontMetrics().horizontalAdvance(box.text()), box.width()) << "the summary fits: nothing to show";
    EXPECT_TRUE(box.text().startsWith(QStringLiteral("MP3 44100 Hz")));
}

TEST(OutputFormat, WmaProfileNumberZeroOrJunkMeansProfileNine)
{
    for (const char* stored : {"0", "", "abc", "77"}) {
        ProgramFolder folder;
        quandor::test::RecordingServices services;
        folder.setValue("WMA", "WMASUPPORT", "True");
        if (*stored)
            folder.setValue("WMA", "Num", QLatin1String(stored));
        auto window = folder.started();
        pick(window->Combo1, QStringLiteral("Wma"));
        window->Combo1_Click();
        EXPECT_EQ(window->Combo2->currentIndex(), 8) << stored;
        EXPECT_TRUE(window->Combo2->currentText().startsWith(QStringLiteral("09 - "))) << stored;
    }
}

TEST(OutputFormat, ScrollingTheListChangesNothing)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    folder.setValue("WMA", "WMASUPPORT", "True");
    folder.setValue("WMA", "Num", "0");
    auto window = folder.started();
    const QByteArray before = folder.configBytes();
    const QString text2 = window->Text2->text();
    pick(window->Combo1, QStringLiteral("Wma"));
    // The open list's highlight moves over every format, then the list closes unpicked.
    window->Combo1->showPopup();
    QAbstractItemView* list = window->Combo1->view();
    QStringList highlighted;
    QObject::connect(window->Combo1, &QComboBox::textHighlighted, [&](const QString& text) { highlighted << text; });
    for (int row = 0; row < window->Combo1->count(); ++row)
        list->setCurrentIndex(list->model()->index(row, 0));
    window->Combo1->hidePopup();
    for (int row = 0; row < window->Combo1->count(); ++row)
        EXPECT_TRUE(highlighted.contains(window->Combo1->itemText(row))) << row;
    EXPECT_EQ(window->Combo1->currentText(), QStringLiteral("Wma"));
    EXPECT_EQ(window->Text2->text(), text2);
    EXPECT_FALSE(window->Combo2->isVisibleTo(window.get()));
    EXPECT_EQ(folder.configBytes(), before);
}

TEST(OutputFormat, PickedWmaProfileIsStored)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    folder.setValue("WMA", "WMASUPPORT", "True");
    auto window = folder.started();
    window->Combo2->setCurrentIndex(20);
    window->Combo2_Click();
    EXPECT_EQ(folder.value("WMA", "Num"), QStringLiteral("21"));
}

TEST(OutputFormat, PickedApeLevelIsStored)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    auto window = folder.started();
    struct Row {
        const char* caption;
        int level;
        const char* stored;
    };
    const Row rows[] = {
        {"Compression Fast", 1000, "COMPRESSION_LEVEL_FAST"},
        {"Compression High", 3000, "COMPRESSION_LEVEL_HIGH"},
        {"Compression Very High (Insane)", 4000, "COMPRESSION_LEVEL_EXTRA_HIGH"},
        {"Compression Normal", 2000, "COMPRESSION_LEVEL_NORMAL"},
    };
    for (const Row& row : rows) {
        pick(window->Combo3, QLatin1String(row.caption));
        window->Combo3_Click();
        EXPECT_EQ(window->engine().outputSettings().apeLevel, row.level) << row.caption;
        EXPECT_EQ(folder.value("APE", "Quality"), QLatin1String(row.stored)) << row.caption;
    }
}

TEST(OutputFormat, WmaSupportSwitchOnlyChangesTheSettingUntilTheNextStart)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    auto window = folder.started();
    ASSERT_EQ(folder.value("WMA", "WMASUPPORT"), QStringLiteral("False"));

    window->acceptWma->trigger();
    EXPECT_EQ(folder.value("WMA", "WMASUPPORT"), QStringLiteral("True"));
    EXPECT_TRUE(window->acceptWma->isChecked());
    EXPECT_EQ(window->Combo1->count(), 5);
    EXPECT_FALSE(window->FileWenc.WmaSupport());
    ASSERT_EQ(services.messages.size(), 1);
    EXPECT_EQ(services.messages[0].title, QStringLiteral("Tavrel"));
    EXPECT_EQ(services.messages[0].icon, quandor::shell::MessageIcon::Information);

    window->acceptWma->trigger();
    EXPECT_EQ(folder.value("WMA", "WMASUPPORT"), QStringLiteral("False"));
    EXPECT_FALSE(window->acceptWma->isChecked());

    // "true" is not "True": the switch turns it on.
    folder.setValue("WMA", "WMASUPPORT", "true");
    window->acceptWma->trigger();
    EXPECT_EQ(folder.value("WMA", "WMASUPPORT"), QStringLiteral("True"));
}

TEST(OutputFormat, SaveBesideTheSourceDisablesTheOutputFolder)
{
    ProgramFolder folder;
    quandor::test::RecordingServices services;
    auto window = folder.started();
    window->show();
    window->Check1->click();
    EXPECT_FALSE(window->Text1->isEnabled());
    EXPECT_FALSE(window->Command1->isEnabled());
    window->Check1->click();
    EXPECT_TRUE(window->Text1->isEnabled());
    EXPECT_TRUE(window->Command1->isEnabled());
}

} // namespace
} // namespace tavrel
