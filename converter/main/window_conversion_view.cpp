#include "converter/main/window_conversion_view.h"

#include "converter/main/audiotool.h"
#include "converter/main/captions.h"
#include "converter/main/file_list_view.h"
#include "platform/shell/services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidgetItem>

namespace tavrel {

int WindowConversionView::entryCount() const
{
    return w_.entryCount();
}
QString WindowConversionView::entryKey(int position) const
{
    return w_.entryKey(position);
}
QString WindowConversionView::entryName(int position) const
{
    return w_.entryName(position);
}

void WindowConversionView::showCurrentFile(const QString& name)
{
    w_.Label4->setText(captions::text(captions::CurrentFile) + name);
}

void WindowConversionView::showPositionText(const QString& text)
{
    w_.Label5->setText(text);
}

void WindowConversionView::revealEntry(int position)
{
    QTreeWidgetItem* item = w_.entryItem(position);
    if (!item)
        return;
    w_.ListView1->clearSelection();
    w_.ListView1->setCurrentItem(item);
    item->setSelected(true);
    w_.ListView1->scrollToItem(item);
    w_.LayoutFileList();
}

void WindowConversionView::setConvertingControls(bool converting)
{
    w_.progressDisplay().settle(); // an entry starts or the run ends: show where it stands
    w_.Command4->setEnabled(converting);
    for (QWidget* control :
         {static_cast<QWidget*>(w_.Command3), static_cast<QWidget*>(w_.Command5), static_cast<QWidget*>(w_.Command2),
          static_cast<QWidget*>(w_.Image1), static_cast<QWidget*>(w_.Image5), static_cast<QWidget*>(w_.Combo1)})
        control->setEnabled(!converting);
}

QString WindowConversionView::outputFormat() const
{
    return w_.Combo1->currentText();
}
bool WindowConversionView::saveBesideSource() const
{
    return w_.Check1->isChecked();
}
QString WindowConversionView::outputFolder() const
{
    return w_.Text1->text();
}
void WindowConversionView::setOutputFolder(const QString& folder)
{
    w_.Text1->setText(folder);
}

void WindowConversionView::showError(const QString& text, const QString& title)
{
    quandor::shell::messageBox(&w_, text, title, quandor::shell::MessageButtons::Ok,
                               quandor::shell::MessageIcon::Critical);
}

QString WindowConversionView::caption(int line, const QString& builtIn) const
{
    const QString text = captions::text(line);
    return text.isEmpty() ? builtIn : text;
}

QString WindowConversionView::percentLabel() const
{
    return w_.progressDisplay().percentLabel();
}
void WindowConversionView::setPercentLabel(const QString& text)
{
    w_.progressDisplay().setPercentLabel(text);
}
void WindowConversionView::setBarFraction(double fraction)
{
    w_.progressDisplay().setBarFraction(fraction);
}
void WindowConversionView::setRowProgress(int position, double value)
{
    w_.progressDisplay().setRowProgress(position, value);
}
void WindowConversionView::yield()
{
    w_.progressDisplay().yield();
}
void WindowConversionView::settle()
{
    w_.progressDisplay().settle();
}

} // namespace tavrel
