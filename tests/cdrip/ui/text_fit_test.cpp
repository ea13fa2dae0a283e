// Every Brenlow window in every shipped language, opened offscreen over an
// emulated drive: no caption, column title, row text or status-bar text may
// be wider than its control. The pixel layouts were drawn for a narrower font
// than Qt's; they must grow with the font in use.

#include "drive_fixture.h"
#include "text_fit.h"

#include "cdrip/ui/aspi_missing_dialog.h"
#include "cdrip/ui/brenlow_registry.h"
#include "cdrip/ui/burn_dialog.h"
#include "cdrip/ui/cddb_match_dialog.h"
#include "cdrip/ui/cddb_wait_dialog.h"
#include "cdrip/ui/drive_controller.h"
#include "cdrip/ui/link_label.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>

namespace brenlow::test {
namespace {

struct ShippedLanguage {
    const char* langue; ///< registry value
    const char* file;   ///< its file in Lang
};

const ShippedLanguage kLanguages[] = {
    {"0", "Zek_Francais.lng"},   {"1", "Zek_English.lng"},          {"2", "Zek_German.lng"},
    {"3", "Zek_Nederlands.lng"}, {"4", "Zek_Portugu\xC3\xAAs.lng"},
};

void PrintTo(const ShippedLanguage& language, std::ostream* out)
{
    *out << language.file;
}

QString report(const QString& window, const QStringList& cuts)
{
    return window + QStringLiteral(":\n  ") + cuts.join(QStringLiteral("\n  "));
}

QStringList cutTextsShown(QWidget& window)
{
    window.show();
    QCoreApplication::processEvents();
    QStringList cuts = cutTexts(window);
    window.hide();
    return cuts;
}

class TextFit : public DriveTest, public ::testing::WithParamInterface<ShippedLanguage> {
protected:
    void SetUp() override
    {
        DriveTest::SetUp();
        writeRegistryValue(QStringLiteral("Langue"), QString::fromLatin1(GetParam().langue));
        loadThreeTrackDrive();
        openDialog();
        ASSERT_EQ(dialog_->trackList()->topLevelItemCount(), 3);
    }

    // Measures each window that `open` runs modally.
    void measureOpened(const std::function<void()>& open)
    {
        dialog_->setModalRunner([this](QDialog& window) {
            // The burner fills its speed list once its disc test has answered.
            if (auto* burner = qobject_cast<BurnDialog*>(&window)) {
                window.show();
                EXPECT_TRUE(burner->waitForWorker(30000));
                QCoreApplication::processEvents();
            }
            const QStringList cuts = cutTextsShown(window);
            if (!cuts.isEmpty())
                failures << report(window.objectName(), cuts);
            opened << window.objectName();
            return int(QDialog::Rejected);
        });
        open();
        settle();
    }

    void measure(QWidget& window)
    {
        const QStringList cuts = cutTextsShown(window);
        if (!cuts.isEmpty())
            failures << report(window.objectName(), cuts);
    }

    QStringList failures;
    QStringList opened;
};

TEST_P(TextFit, TheLanguageFileIsShipped)
{
    EXPECT_TRUE(QFile::exists(QDir(shippedLanguageFolder()).filePath(QString::fromUtf8(GetParam().file))));
    EXPECT_FALSE(dialog_->text(27).isEmpty());
}

TEST_P(TextFit, MainDialogWithItsRowsAndEveryStatusText)
{
    MainDialog& main = *dialog_;
    // The longest texts the status bar shows: the paused and the clocked
    // player, the track count, the disc length.
    const QString playing = main.text(44) + QStringLiteral("99");
    const QStringList partOne = {playing + main.text(47), playing + QStringLiteral(" (59:59)"),
                                 QStringLiteral("99") + main.text(46)};
    for (const QString& text : partOne) {
        main.setStatusText(1, text);
        main.setStatusText(2, main.text(45) + QStringLiteral("79:59:74"));
        measure(main);
    }
    // A finished track shows 100% in its progress cell.
    main.trackList()->topLevelItem(0)->setText(4, QStringLiteral("100%"));
    measure(main);
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}

TEST_P(TextFit, EveryWindowTheMainDialogOpens)
{
    dialog_->trackList()->setCurrentItem(dialog_->trackList()->topLevelItem(0));
    services_.saveAnswers.push_back(QDir(startFolder()).filePath(QStringLiteral("image")));
    // Configuration, compression, language, about, burner, erase, track
    // title, tag editor, disc image.
    const auto command = [this](int id) { return [this, id] { dialog_->command(id)->trigger(); }; };
    const std::function<void()> openers[] = {
        command(40002),
        command(40028),
        command(40036),
        command(40017),
        command(40032),
        command(40035),
        [this] { drives().editFocusedTitle(); },
        command(40011),
        command(40031),
    };
    for (const auto& open : openers)
        measureOpened(open);
    EXPECT_EQ(opened,
              (QStringList{QStringLiteral("116"), QStringLiteral("146"), QStringLiteral("230"), QStringLiteral("168"),
                           QStringLiteral("214"), QStringLiteral("229"), QStringLiteral("113"), QStringLiteral("159"),
                           QStringLiteral("211")}));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}

TEST_P(TextFit, CddbAndAspiWindows)
{
    const std::vector<CddbMatch> matches = {
        {1, QStringLiteral("rock"), QStringLiteral("0a0b0c0d"), QStringLiteral("Artist / Album")}};
    CddbMatchDialog match(dialog_->language(), matches);
    measure(match);
    CddbWaitDialog wait(dialog_->language());
    measure(wait);
    AspiMissingDialog aspi;
    measure(aspi);
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(ShippedLanguages, TextFit, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string("Langue") + info.param.langue; });

} // namespace
} // namespace brenlow::test
