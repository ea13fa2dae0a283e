#pragma once
// The bar inside the progress frame: a strip of the frame's inner width whose
// filled part grows. Changing the fill repaints only the strip of pixels that
// changed; the widget keeps its size, so no move, resize or layout follows.

#include <QFrame>

namespace tavrel {

class ProgressStrip final : public QFrame {
public:
    explicit ProgressStrip(QWidget* parent);

    /// Pixels filled from the left, limited to the strip's width.
    void setFilledPixels(int pixels);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int filled_ = 0;
};

} // namespace tavrel
