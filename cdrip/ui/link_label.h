#pragma once
// Static texts that act as links: underlined, a hand cursor over them only,
// and a click signal for their dialog.

#include <QLabel>

namespace brenlow {

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

/// Gives `control` the link look: a normal-weight underlined font three
/// quarters of its height, and the hand cursor (on this control alone).
void makeLinkControl(QWidget& control);

} // namespace brenlow
