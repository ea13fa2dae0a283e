#pragma once
// The main dialog's status bar (id 1): three parts whose right edges are
// width − 260, width − 110 and the width.

#include <QFrame>
#include <array>

class QLabel;

namespace brenlow {

class MainStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    void setPartText(int part, const QString& text);
    QString partText(int part) const;
    /// The part's full text when it does not fit the part, else empty.
    QString partToolTip(int part) const;
    /// Width of a part in pixels.
    int partWidth(int part) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeParts();
    static void updateToolTip(QLabel& part);

    std::array<QLabel*, 3> parts_{};
};

} // namespace brenlow
