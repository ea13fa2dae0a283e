// The real message box with a long path: it must wrap inside the box, not
// widen the box past the screen and cut the path.

#include "platform/shell/qt_services.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct ShownBox {
    QString text;
    int widestLine = 0;
    int labelWidth = 0;
    int neededHeight = 0;
    int labelHeight = 0;
    int boxWidth = 0;
    int screenWidth = 0;
};

// Reads the box once it is up, then closes it.
ShownBox showMessage(const QString& text)
{
    ShownBox shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        shown.text = label->text();
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setDocumentMargin(0);
        QTextOption wrapAtSpaces; // as the label wraps: never inside a word
        wrapAtSpaces.setWrapMode(QTextOption::WordWrap);
        document.setDefaultTextOption(wrapAtSpaces);
        document.setPlainText(label->text());
        document.setTextWidth(label->contentsRect().width());
        shown.widestLine = int(document.idealWidth());
        shown.labelWidth = label->contentsRect().width();
        shown.neededHeight = label->heightForWidth(label->width());
        shown.labelHeight = label->height();
        shown.boxWidth = box->width();
        shown.screenWidth = box->screen()->availableGeometry().width();
        box->done(QMessageBox::Ok);
    });
    quandor::shell::QtServices services;
    services.message(nullptr, text, QStringLiteral("Brenlow"), quandor::shell::MessageButtons::Ok,
                     quandor::shell::MessageIcon::Warning);
    return shown;
}

TEST(MessageBox, LongPathsWrapInsideTheBox)
{
    const QString folder = QStringLiteral("a_folder_name_without_any_spaces_in_it");
    const QString cases[] = {
        QStringLiteral("Can't write the file /home/user/") + (folder + QLatin1Char('/')).repeated(6)
            + QStringLiteral("01 - Track.wav"),
        QStringLiteral("Can't write C:\\Music\\") + (folder + QLatin1Char('\\')).repeated(6) + QStringLiteral("x.mp3"),
        QStringLiteral("Name: ") + QString(200, QLatin1Char('x')) + QStringLiteral(".ogg"),
    };
    for (const QString& text : cases) {
        const ShownBox shown = showMessage(text);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(QString(shown.text).remove(QChar(0x200B)), text);
        EXPECT_LE(shown.widestLine, shown.labelWidth);
        EXPECT_LE(shown.neededHeight, shown.labelHeight);
        EXPECT_LE(shown.boxWidth, shown.screenWidth);
    }
}

} // namespace
