#include "cdrip/ui/about_dialog.h"

#include "cdrip/ui/aspi_missing_dialog.h"

#include "cdrip/ui/link_label.h"
#include "cdrip/ui/main_dialog.h"
#include "shell_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace brenlow::test {
namespace {

class AboutDialogTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        markStartedBefore();
        ASSERT_TRUE(loadLanguageFile(language, startFolder()));
    }
    LanguageTable language;
};

TEST_F(AboutDialogTest, CaptionsAndTheAmountAreSetAtEachOpening)
{
    MainDialog main(startFolder());
    QStringList amounts;
    main.setModalRunner([&](QDialog& dialog) {
        auto* amount = dialog.findChild<QLineEdit*>(QStringLiteral("1091"));
        amounts << amount->text();
        amount->setText(QStringLiteral("25"));
        EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("1134"))->title(), main.text(86));
        EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("1065"))->text(), main.text(63));
        return 0;
    });
    main.command(40017)->trigger();
    main.command(40017)->trigger();
    EXPECT_EQ(amounts, (QStringList{QStringLiteral("10"), QStringLiteral("10")}));
}

TEST_F(AboutDialogTest, EachLinkOpensItsTargetAndClosesTheDialog)
{
    struct Case {
        int id;
        QString amount;
        QString expectedEnd;
    };
    const Case cases[] = {
        {1070, QString(), QStringLiteral("/infosEn.php?ASPI=ASPI%20ok.")},
        {1069, QString(), QStringLiteral("?subject=Brenlow%20Information")},
        {1092, QStringLiteral("10"), QStringLiteral("10&no_note=1&currency_code=USD")},
        {1092, QString(), QStringLiteral("=&no_note=1&currency_code=USD")},
        {1092, QStringLiteral("5 & more"), QStringLiteral("5%20%26%20more&no_note=1&currency_code=USD")},
    };
    for (const Case& c : cases) {
        services_.openedUrls.clear();
        AboutDialog dialog(language, QStringLiteral("ASPI ok."));
        dialog.show();
        if (c.id == 1092)
            dialog.findChild<QLineEdit*>(QStringLiteral("1091"))->setText(c.amount);
        emit dialog.findChild<LinkLabel*>(QString::number(c.id))->clicked();
        ASSERT_EQ(services_.openedUrls.size(), 1) << c.id;
        EXPECT_TRUE(services_.openedUrls[0].endsWith(c.expectedEnd)) << services_.openedUrls[0].toStdString();
        EXPECT_FALSE(dialog.isVisible()) << c.id;
    }
    AboutDialog dialog(language, QString());
    EXPECT_TRUE(dialog.mailLink().startsWith(QStringLiteral("mailto:")));
}

TEST_F(AboutDialogTest, OnlyTheLinksShowTheHandCursor)
{
    AboutDialog dialog(language, QString());
    for (int id : {1069, 1070, 1092})
        EXPECT_EQ(dialog.findChild<QWidget*>(QString::number(id))->cursor().shape(), Qt::PointingHandCursor) << id;
    for (int id : {1065, 1091, 1136})
        EXPECT_NE(dialog.findChild<QWidget*>(QString::number(id))->cursor().shape(), Qt::PointingHandCursor) << id;
    EXPECT_NE(dialog.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("1091"))->maxLength(), 259);
}

TEST(LinkControls, TheFontIsThreeQuartersOfTheHeightTheLinkIsShownAt)
{
    const LanguageTable language;
    AboutDialog about(language, QStringLiteral("ASPI ok."));
    AspiMissingDialog aspi;
    const std::pair<QDialog*, QStringList> links[] = {
        {&about, {QStringLiteral("1069"), QStringLiteral("1070"), QStringLiteral("1092")}},
        {&aspi, {QStringLiteral("1072"), QStringLiteral("1073")}},
    };
    for (const auto& [dialog, ids] : links) {
        dialog->show();
        QCoreApplication::processEvents();
        for (const QString& id : ids) {
            const auto* link = dialog->findChild<LinkLabel*>(id);
            ASSERT_NE(link, nullptr) << id.toStdString();
            EXPECT_EQ(link->font().pixelSize(), 3 * link->height() / 4)
                << dialog->objectName().toStdString() << '/' << id.toStdString() << " height " << link->height();
        }
        dialog->hide();
    }
}

} // namespace
} // namespace brenlow::test
