#include "cdrip/ui/main_status_bar.h"

#include "cdrip/ui/design_scale.h"

#include <QLabel>

namespace brenlow {

MainStatusBar::MainStatusBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("1"));
    setFixedHeight(fontMetrics().height() + 8);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("statusPart%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(3, 0, 3, 0);
        parts_[i] = label;
    }
    placeParts();
}

void MainStatusBar::setPartText(int part, const QString& text)
{
    if (part >= 0 && part < static_cast<int>(parts_.size())) {
        parts_[static_cast<std::size_t>(part)]->setText(text);
        updateToolTip(*parts_[static_cast<std::size_t>(part)]);
    }
}

void MainStatusBar::updateToolTip(QLabel& part)
{
    // The part edges follow the window, not the text: a text cut at the edge
    // stays readable in full as the part's tool tip.
    const bool cut = part.fontMetrics().horizontalAdvance(part.text()) > part.contentsRect().width();
    part.setToolTip(cut ? part.text() : QString());
}

void MainStatusBar::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    placeParts();
}

void MainStatusBar::reserveRoom(int part, const QStringList& texts)
{
    if (part < 1 || part >= static_cast<int>(parts_.size()))
        return;
    expected_[static_cast<std::size_t>(part)] = texts;
    placeParts();
}

int MainStatusBar::neededWidth(int part) const
{
    const QLabel& label = *parts_[static_cast<std::size_t>(part)];
    int widest = 0;
    for (const QString& text : expected_[static_cast<std::size_t>(part)])
        widest = std::max(widest, label.fontMetrics().horizontalAdvance(text));
    const QMargins margins = label.contentsMargins();
    // The two-pixel gap to the next part's edge, then the frame and margins.
    return widest == 0 ? 0 : widest + margins.left() + margins.right() + 2 * label.frameWidth() + 2;
}

void MainStatusBar::placeParts()
{
    const int total = width();
    const int lastWidth = std::max(scaledPixels(*this, 110), neededWidth(2));
    const int middleWidth = std::max(scaledPixels(*this, 260) - scaledPixels(*this, 110), neededWidth(1));
    const int edges[3] = {std::max(0, total - lastWidth - middleWidth), std::max(0, total - lastWidth), total};
    int left = 0;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        parts_[i]->setGeometry(left, 2, std::max(0, edges[i] - left - 2), height() - 4);
        left = edges[i];
        updateToolTip(*parts_[i]);
    }
}

} // namespace brenlow
