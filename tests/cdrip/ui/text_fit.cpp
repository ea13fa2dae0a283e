#include "text_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTreeWidget>

namespace brenlow::test {
namespace {

QString nameOf(const QWidget& widget)
{
    const QString name = widget.objectName();
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(widget.metaObject()->className()),
                                       name.isEmpty() ? QStringLiteral("(unnamed)") : name);
}

void check(QStringList& cuts, const QWidget& widget, const QString& text, int needed, int room)
{
    if (needed > room)
        cuts << QStringLiteral("%1: \"%2\" needs %3 px, has %4 px").arg(nameOf(widget), text).arg(needed).arg(room);
}

int widestLine(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

QString withoutMnemonic(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

void checkLabel(QStringList& cuts, const QLabel& label)
{
    if (label.text().isEmpty() || label.wordWrap())
        return;
    const QRect room = label.contentsRect().adjusted(label.margin(), label.margin(), -label.margin(), -label.margin());
    const QFontMetrics metrics = label.fontMetrics();
    const QString text = label.text();
    check(cuts, label, text, widestLine(metrics, text), room.width());
    check(cuts, label, text, metrics.height() * int(text.count(QLatin1Char('\n')) + 1), room.height());
}

void checkWrappedLabel(QStringList& cuts, const QLabel& label)
{
    if (label.text().isEmpty() || !label.wordWrap())
        return;
    check(cuts, label, label.text(), label.heightForWidth(label.width()), label.height());
}

void checkPushButton(QStringList& cuts, const QPushButton& button)
{
    if (button.text().isEmpty())
        return;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect contents = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    int room = contents.width();
    if (!button.icon().isNull())
        room -= button.iconSize().width() + 4;
    const QString text = withoutMnemonic(button.text());
    check(cuts, button, text, button.fontMetrics().horizontalAdvance(text), room);
    check(cuts, button, text, button.fontMetrics().height(), contents.height());
}

void checkIndicatorButton(QStringList& cuts, const QAbstractButton& button, QStyle::PixelMetric indicator,
                          QStyle::PixelMetric spacing)
{
    if (button.text().isEmpty())
        return;
    const int room = button.width() - button.style()->pixelMetric(indicator, nullptr, &button)
        - button.style()->pixelMetric(spacing, nullptr, &button);
    const QString text = withoutMnemonic(button.text());
    check(cuts, button, text, button.fontMetrics().horizontalAdvance(text), room);
    check(cuts, button, text, button.fontMetrics().height(), button.height());
}

void checkGroupBox(QStringList& cuts, const QGroupBox& box)
{
    if (box.title().isEmpty())
        return;
    // The title's own minimum: its text with the style's frame around it.
    check(cuts, box, box.title(), box.minimumSizeHint().width(), box.width());
}

// Row texts are drawn inset by 2 pixels at either side; the track list's
// progress text starts at 8/20 of its cell.
void checkTreeWidget(QStringList& cuts, const QTreeWidget& tree)
{
    const QHeaderView* header = tree.header();
    const QFontMetrics headerMetrics = header->fontMetrics();
    const int headerMargin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QTreeWidgetItem* titles = tree.headerItem();
    for (int column = 0; column < tree.columnCount(); ++column) {
        if (header->isSectionHidden(column))
            continue;
        const QString title = titles->text(column);
        if (!title.isEmpty())
            check(cuts, *header, title, headerMetrics.horizontalAdvance(title) + headerMargin,
                  header->sectionSize(column));
    }
    const bool trackList = tree.objectName() == QStringLiteral("trackList");
    const QFontMetrics rowMetrics = tree.fontMetrics();
    for (int row = 0; row < tree.topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = tree.topLevelItem(row);
        for (int column = 0; column < tree.columnCount(); ++column) {
            const QString text = item->text(column);
            const int width = header->sectionSize(column);
            if (text.isEmpty())
                continue;
            if (trackList && column == 4)
                check(cuts, tree, text, (width / 20) * 8 + rowMetrics.horizontalAdvance(text) + 1, width);
            else
                check(cuts, tree, text, rowMetrics.horizontalAdvance(text) + 4, width);
        }
    }
}

// Every item, as the closed combo box would show it once chosen: in the
// field beside the arrow.
void checkComboBox(QStringList& cuts, const QComboBox& combo)
{
    if (combo.isEditable())
        return; // the user's own text scrolls in its field
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = false;
    const QRect field =
        combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
    const QFontMetrics metrics = combo.fontMetrics();
    for (int item = 0; item < combo.count(); ++item) {
        const QString text = combo.itemText(item);
        int needed = metrics.horizontalAdvance(text);
        if (!combo.itemIcon(item).isNull())
            needed += combo.iconSize().width() + 4;
        check(cuts, combo, text, needed, field.width());
    }
}

// Rows of a list: the text after its icon, inside the viewport, with the
// focus frame's margin at either side.
void checkListWidget(QStringList& cuts, const QListWidget& list)
{
    const int margin = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1);
    const QFontMetrics metrics = list.fontMetrics();
    const int room = list.viewport()->width();
    for (int row = 0; row < list.count(); ++row) {
        const QListWidgetItem* item = list.item(row);
        if (item->text().isEmpty())
            continue;
        int needed = metrics.horizontalAdvance(item->text()) + margin;
        if (!item->icon().isNull())
            needed += list.iconSize().isValid() ? list.iconSize().width() + margin
                                                : list.style()->pixelMetric(QStyle::PM_SmallIconSize) + margin;
        check(cuts, list, item->text(), needed, room);
    }
}

void checkWidget(QStringList& cuts, const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        checkLabel(cuts, *label);
        checkWrappedLabel(cuts, *label);
    } else if (const auto* push = qobject_cast<const QPushButton*>(&widget)) {
        checkPushButton(cuts, *push);
    } else if (const auto* box = qobject_cast<const QCheckBox*>(&widget)) {
        checkIndicatorButton(cuts, *box, QStyle::PM_IndicatorWidth, QStyle::PM_CheckBoxLabelSpacing);
    } else if (const auto* radio = qobject_cast<const QRadioButton*>(&widget)) {
        checkIndicatorButton(cuts, *radio, QStyle::PM_ExclusiveIndicatorWidth, QStyle::PM_RadioButtonLabelSpacing);
    } else if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) {
        checkGroupBox(cuts, *group);
    } else if (const auto* tree = qobject_cast<const QTreeWidget*>(&widget)) {
        checkTreeWidget(cuts, *tree);
    } else if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        checkComboBox(cuts, *combo);
    } else if (const auto* list = qobject_cast<const QListWidget*>(&widget)) {
        checkListWidget(cuts, *list);
    }
}

} // namespace

QStringList cutTexts(const QWidget& window)
{
    QStringList cuts;
    checkWidget(cuts, window);
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        if (child->isVisibleTo(&window) && !child->isWindow())
            checkWidget(cuts, *child);
    }
    return cuts;
}

} // namespace brenlow::test
