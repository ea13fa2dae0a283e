// The real message box: a long path wraps inside the box instead of widening
// it past the screen or being cut, and the text shown and copied is the text
// given, character for character.

#include "platform/shell/message_dialog.h"
#include "platform/shell/qt_services.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

using quandor::shell::MessageButtons;
using quandor::shell::MessageDialog;
using quandor::shell::MessageIcon;
using quandor::shell::MessageResult;

struct ShownBox {
    QString text;
    QString copied;
    qreal widestLine = 0;
    int textWidth = 0;
    qreal neededHeight = 0;
    int textHeight = 0;
    int boxWidth = 0;
    int screenWidth = 0;
};

// Shows the message through the services, reads the box once it is up, then
// lets `answer` close it.
MessageResult showMessage(const QString& text, MessageButtons buttons, ShownBox& shown,
                          const std::function<void(MessageDialog&)>& answer)
{
    QTimer::singleShot(0, [&shown, answer] {
        auto* box = qobject_cast<MessageDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const auto* view = box->findChild<QTextEdit*>(QStringLiteral("messageText"));
        ASSERT_NE(view, nullptr);
        shown.text = view->toPlainText();
        shown.widestLine = view->document()->idealWidth();
        shown.textWidth = view->viewport()->width();
        shown.neededHeight = view->document()->documentLayout()->documentSize().height();
        shown.textHeight = view->viewport()->height();
        shown.boxWidth = box->width();
        shown.screenWidth = box->screen()->availableGeometry().width();
        QApplication::clipboard()->clear();
        QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
        QApplication::sendEvent(box, &copy);
        shown.copied = QApplication::clipboard()->text();
        answer(*box);
    });
    quandor::shell::QtServices services;
    return services.message(nullptr, text, QStringLiteral("Brenlow"), buttons, MessageIcon::Warning);
}

void pressOk(MessageDialog& box)
{
    box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

TEST(MessageBox, LongPathsWrapInsideTheBoxAndKeepEveryCharacter)
{
    const QString folder = QStringLiteral("a_folder_name_without_any_spaces_in_it");
    const QString cases[] = {
        QStringLiteral("Can't write the file /home/user/") + (folder + QLatin1Char('/')).repeated(6)
            + QStringLiteral("01 - Track.wav"),
        QStringLiteral("Can't write C:\\Music\\") + (folder + QLatin1Char('\\')).repeated(6) + QStringLiteral("x.mp3"),
        QStringLiteral("Name: ") + QString(200, QLatin1Char('x')) + QStringLiteral(".ogg"),
        QStringLiteral("The drive reports HARDWARE ERROR (44/00)."),
        QStringLiteral("Short."),
    };
    for (const QString& text : cases) {
        SCOPED_TRACE(text.toStdString());
        ShownBox shown;
        EXPECT_EQ(showMessage(text, MessageButtons::Ok, shown, pressOk), MessageResult::Ok);
        EXPECT_EQ(shown.text, text);
        EXPECT_EQ(shown.copied, text);
        EXPECT_FALSE(shown.text.contains(QChar(0x200B)));
        EXPECT_LE(shown.widestLine, shown.textWidth);
        EXPECT_LE(shown.neededHeight, shown.textHeight);
        EXPECT_LE(shown.textHeight, shown.neededHeight + 4) << "no empty room under the text";
        EXPECT_LE(shown.boxWidth, shown.screenWidth);
    }
}

TEST(MessageBox, EachButtonAndEscapeGiveTheirAnswer)
{
    const auto click = [](QDialogButtonBox::StandardButton which) {
        return [which](MessageDialog& box) { box.findChild<QDialogButtonBox*>()->button(which)->click(); };
    };
    const auto escape = [](MessageDialog& box) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &press);
    };
    const struct {
        MessageButtons buttons;
        std::function<void(MessageDialog&)> answer;
        MessageResult result;
    } cases[] = {
        {MessageButtons::Ok, escape, MessageResult::Ok},
        {MessageButtons::OkCancel, click(QDialogButtonBox::Ok), MessageResult::Ok},
        {MessageButtons::OkCancel, escape, MessageResult::Cancel},
        {MessageButtons::YesNo, click(QDialogButtonBox::Yes), MessageResult::Yes},
        {MessageButtons::YesNo, escape, MessageResult::No},
        {MessageButtons::YesNoCancel, click(QDialogButtonBox::No), MessageResult::No},
        {MessageButtons::YesNoCancel, escape, MessageResult::Cancel},
        {MessageButtons::RetryCancel, escape, MessageResult::Cancel},
        {MessageButtons::RetryCancel, click(QDialogButtonBox::Retry), MessageResult::Retry},
        {MessageButtons::RetryCancel, click(QDialogButtonBox::Cancel), MessageResult::Cancel},
    };
    for (const auto& c : cases) {
        ShownBox shown;
        EXPECT_EQ(showMessage(QStringLiteral("Go on?"), c.buttons, shown, c.answer), c.result) << int(c.buttons);
    }
}

} // namespace
