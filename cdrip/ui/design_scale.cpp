#include "cdrip/ui/design_scale.h"

#include "cdrip/ui/link_label.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QLayout>
#include <QStyle>
#include <QTreeView>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace brenlow {
namespace {

constexpr double kDesignCharWidth = 6.0;
constexpr double kDesignLineHeight = 13.0;
constexpr const char* kScaledProperty = "designScaled";

int scaled(int pixels, double scale)
{
    return static_cast<int>(std::lround(pixels * scale));
}

bool hasFixedSize(const QWidget& widget)
{
    return widget.minimumSize() == widget.maximumSize() && !widget.minimumSize().isEmpty();
}

void scaleFixedSize(QWidget& widget, double scale)
{
    if (hasFixedSize(widget))
        widget.setFixedSize(scaled(widget.minimumWidth(), scale), scaled(widget.minimumHeight(), scale));
}

// Only plain QWidget containers hold hand-placed controls of their own; the
// children of a combo box, a list or a scroll bar belong to that control.
bool isPlainContainer(const QWidget& widget)
{
    return widget.metaObject() == &QWidget::staticMetaObject;
}

bool isLaidOut(const QWidget& parent, QWidget& child)
{
    const QLayout* layout = parent.layout();
    return layout != nullptr && (layout->indexOf(&child) >= 0 || layout->menuBar() == &child);
}

// A link control's font follows its height: make it again for the new one.
void remakeLink(QWidget& widget)
{
    if (qobject_cast<LinkLabel*>(&widget) && widget.testAttribute(Qt::WA_SetFont))
        makeLinkControl(widget);
}

int titleWidth(const QHeaderView& header, int section)
{
    const QString title = header.model()->headerData(section, header.orientation()).toString();
    if (title.isEmpty())
        return 0;
    const int margin = header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    return header.fontMetrics().horizontalAdvance(title) + 2 * margin;
}

// Width the columns may fill without a horizontal scroll bar, with room kept
// for the vertical one.
int columnRoom(const QTreeView& view)
{
    return view.width() - 2 * view.frameWidth() - view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
}

// Columns scale like the rest; a column still too narrow for its title grows,
// and the widest column gives that room back when the list would overflow.
void scaleColumns(QTreeView& view, double scale)
{
    QHeaderView* header = view.header();
    std::vector<int> widths;
    std::vector<int> needs;
    int designEdge = 0;
    for (int section = 0; section < header->count(); ++section) {
        const int left = scaled(designEdge, scale);
        designEdge += header->sectionSize(section);
        needs.push_back(titleWidth(*header, section));
        widths.push_back(std::max(scaled(designEdge, scale) - left, needs.back()));
    }
    if (widths.empty())
        return;
    const auto widest = std::max_element(widths.begin(), widths.end());
    const int excess = std::accumulate(widths.begin(), widths.end(), 0) - columnRoom(view);
    const int need = needs[std::size_t(widest - widths.begin())];
    if (excess > 0)
        *widest = std::max(need, *widest - excess);
    for (int section = 0; section < header->count(); ++section)
        header->resizeSection(section, widths[std::size_t(section)]);
}

void scaleChildren(QWidget& parent, double scale)
{
    for (QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        if (isLaidOut(parent, *child))
            scaleFixedSize(*child, scale);
        else
            child->setGeometry(scaledRect(child->geometry(), scale));
        remakeLink(*child);
        if (auto* view = qobject_cast<QTreeView*>(child))
            scaleColumns(*view, scale);
        if (isPlainContainer(*child))
            scaleChildren(*child, scale);
    }
}

} // namespace

double designScale(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double charWidth = metrics.horizontalAdvance(alphabet) / alphabet.size();
    return std::max({1.0, charWidth / kDesignCharWidth, metrics.height() / kDesignLineHeight});
}

int scaledPixels(const QWidget& widget, int designPixels)
{
    return scaled(designPixels, designScale(widget.font()));
}

QRect scaledRect(const QRect& design, double scale)
{
    const int left = scaled(design.x(), scale);
    const int top = scaled(design.y(), scale);
    const int right = scaled(design.x() + design.width(), scale);
    const int bottom = scaled(design.y() + design.height(), scale);
    return {left, top, right - left, bottom - top};
}

void fitToFont(QWidget& dialog)
{
    if (dialog.property(kScaledProperty).toBool())
        return;
    dialog.setProperty(kScaledProperty, true);
    const double scale = designScale(dialog.font());
    scaleFixedSize(dialog, scale);
    scaleChildren(dialog, scale);
}

} // namespace brenlow
