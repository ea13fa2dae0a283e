#include "platform/shell/message_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>
#include <algorithm>
#include <cmath>
#include <memory>

namespace quandor::shell {
namespace {

// As wide as its longest line needs, within these bounds (pixels).
constexpr int kNarrowestText = 200;
constexpr int kWidestText = 500;

QDialogButtonBox::StandardButtons standardButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return QDialogButtonBox::Ok;
    case MessageButtons::OkCancel:
        return QDialogButtonBox::Ok | QDialogButtonBox::Cancel;
    case MessageButtons::YesNo:
        return QDialogButtonBox::Yes | QDialogButtonBox::No;
    case MessageButtons::YesNoCancel:
        return QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel;
    case MessageButtons::RetryCancel:
        return QDialogButtonBox::Retry | QDialogButtonBox::Cancel;
    }
    return QDialogButtonBox::Ok;
}

MessageResult resultOf(QDialogButtonBox::StandardButton button)
{
    switch (button) {
    case QDialogButtonBox::Ok:
        return MessageResult::Ok;
    case QDialogButtonBox::Yes:
        return MessageResult::Yes;
    case QDialogButtonBox::No:
        return MessageResult::No;
    case QDialogButtonBox::Retry:
        return MessageResult::Retry;
    default:
        return MessageResult::Cancel;
    }
}

// Escape answers as the box's way out: Cancel, else No, else the one OK.
MessageResult escapeAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageResult::Ok;
    case MessageButtons::YesNo:
        return MessageResult::No;
    default:
        return MessageResult::Cancel;
    }
}

QStyle::StandardPixmap standardPixmap(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QStyle::SP_MessageBoxInformation;
    case MessageIcon::Warning:
        return QStyle::SP_MessageBoxWarning;
    case MessageIcon::Critical:
        return QStyle::SP_MessageBoxCritical;
    case MessageIcon::Question:
        return QStyle::SP_MessageBoxQuestion;
    case MessageIcon::None:
        break;
    }
    return QStyle::SP_CustomBase;
}

QLabel* iconLabel(QWidget& dialog, MessageIcon icon)
{
    auto* label = new QLabel(&dialog);
    label->setObjectName(QStringLiteral("messageIcon"));
    if (icon != MessageIcon::None) {
        const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
        label->setPixmap(dialog.style()->standardIcon(standardPixmap(icon), nullptr, &dialog).pixmap(size, size));
    }
    label->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    return label;
}

// A read-only text view, not a label: a label wraps only between words.
QTextEdit* textView(QWidget& dialog, const QString& text)
{
    auto* view = new QTextEdit(&dialog);
    view->setObjectName(QStringLiteral("messageText"));
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setFrameShape(QFrame::NoFrame);
    view->setFocusPolicy(Qt::NoFocus);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    view->viewport()->setAutoFillBackground(false);
    view->document()->setDocumentMargin(0);
    view->setPlainText(text);
    return view;
}

// Enter answers with the box's way forward: OK, else Yes, else Retry.
void focusDefaultButton(QDialogButtonBox& box)
{
    for (const auto which : {QDialogButtonBox::Ok, QDialogButtonBox::Yes, QDialogButtonBox::Retry}) {
        if (QPushButton* button = box.button(which)) {
            button->setDefault(true);
            button->setFocus();
            break;
        }
    }
}

} // namespace

MessageDialog::MessageDialog(QWidget* owner, const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon)
    : QDialog(owner),
      text_(text),
      buttons_(buttons)
{
    setWindowTitle(title);
    setModal(true);

    textView_ = textView(*this, text_);

    buttonBox_ = new QDialogButtonBox(standardButtons(buttons), this);
    buttonBox_->setCenterButtons(style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, this));
    connect(buttonBox_, &QDialogButtonBox::clicked, this, &MessageDialog::chosen);

    auto* layout = new QGridLayout(this);
    layout->addWidget(iconLabel(*this, icon), 0, 0);
    layout->addWidget(textView_, 0, 1);
    layout->addWidget(buttonBox_, 1, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fitText();
    focusDefaultButton(*buttonBox_);
}

// The text's width: its longest line, kept within the bounds and the screen;
// its height: what the text needs wrapped at that width.
void MessageDialog::fitText()
{
    const QFontMetrics metrics(textView_->font());
    int longest = 0;
    for (const QString& line : text_.split(QLatin1Char('\n')))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    int widest = kWidestText;
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen())
        widest = std::min(widest, screen->availableGeometry().width() / 2);
    const int width = std::clamp(longest + 2, std::min(kNarrowestText, widest), widest);
    // Measured on a copy: the view lays its own document out again for its
    // current (not yet final) width whenever that document changes.
    const std::unique_ptr<QTextDocument> measure(textView_->document()->clone());
    measure->setDefaultTextOption(textView_->document()->defaultTextOption());
    measure->setDefaultFont(textView_->document()->defaultFont());
    measure->setTextWidth(width);
    const int height = static_cast<int>(std::ceil(measure->size().height()));
    textView_->setFixedSize(width, std::max(height, metrics.height()));
}

void MessageDialog::chosen(QAbstractButton* button)
{
    answer_ = resultOf(buttonBox_->standardButton(button));
    done(answer_ == MessageResult::Cancel ? QDialog::Rejected : QDialog::Accepted);
}

void MessageDialog::reject()
{
    answer_ = escapeAnswer(buttons_);
    QDialog::reject();
}

void MessageDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (textView_->textCursor().hasSelection())
            textView_->copy();
        else
            QApplication::clipboard()->setText(text_);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace quandor::shell
