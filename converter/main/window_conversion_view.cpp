#include "converter/main/window_conversion_view.h"

#include "converter/common/message_lines.h"
#include "converter/main/captions.h"
#include "converter/main/file_list_view.h"
#include "platform/shell/services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tavrel {

int WindowConversionView::entryCount() const
{
    return c_.list.entryCount();
}
QString WindowConversionView::entryKey(int position) const
{
    return c_.list.entryKey(position);
}
QString WindowConversionView::entryName(int position) const
{
    return c_.list.entryName(position);
}

void WindowConversionView::showCurrentFile(const QString& name)
{
    c_.currentFile.setText(captions::text(captions::CurrentFile) + name);
}

void WindowConversionView::showPositionText(const QString& text)
{
    c_.positionText.setText(text);
}

void WindowConversionView::revealEntry(int position)
{
    c_.list.revealEntry(position);
}

void WindowConversionView::setConvertingControls(bool converting)
{
    c_.progress.settle(); // an entry starts or the run ends: show where it stands
    c_.cancel.setEnabled(converting);
    for (QWidget* control : c_.idleOnly)
        control->setEnabled(!converting);
}

RunRequest WindowConversionView::runRequest() const
{
    return RunRequest{c_.format.currentText(), c_.outputFolder.text(), c_.saveBeside.isChecked()};
}

void WindowConversionView::showError(const QString& text, const QString& title)
{
    // The window keeps answering while the message waits, so Cancel stops a
    // run even while it is telling of an entry it could not convert.
    bool cancelled = false;
    const QMetaObject::Connection pressed =
        QObject::connect(&c_.cancel, &QPushButton::clicked, &c_.window, [&cancelled] { cancelled = true; });
    quandor::shell::services().messageWhileWorking(&c_.window, localizedMessage(text), title,
                                                   quandor::shell::MessageIcon::Critical,
                                                   [&cancelled] { return cancelled; });
    QObject::disconnect(pressed);
}

QString WindowConversionView::caption(int line, const QString& builtIn) const
{
    const QString text = captions::text(line);
    return text.isEmpty() ? builtIn : text;
}

QString WindowConversionView::percentLabel() const
{
    return c_.progress.percentLabel();
}
void WindowConversionView::setPercentLabel(const QString& text)
{
    c_.progress.setPercentLabel(text);
}
void WindowConversionView::setBarFraction(double fraction)
{
    c_.progress.setBarFraction(fraction);
}
void WindowConversionView::setRowProgress(int position, double value)
{
    c_.progress.setRowProgress(position, value);
}
void WindowConversionView::yield()
{
    c_.progress.yield();
}
void WindowConversionView::settle()
{
    c_.progress.settle();
}

} // namespace tavrel
