#pragma once
// The main dialog's status bar (id 1): three parts whose right edges are
// width − 260, width − 110 and the width, in pixels of the dialog font's
// design (scaled for the font in use). Parts 1 and 2 widen, at the expense
// of part 0, when a text they are told to expect needs more room. Each part
// is a label named "statusPart<n>"; a text cut at its edge is its tool tip.

#include <QFrame>
#include <array>

class QLabel;

namespace brenlow {

class MainStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    void setPartText(int part, const QString& text);
    /// Makes part 1 or 2 at least wide enough for each of `texts`.
    void reserveRoom(int part, const QStringList& texts);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeParts();
    static void updateToolTip(QLabel& part);

    int neededWidth(int part) const;

    std::array<QLabel*, 3> parts_{};
    std::array<QStringList, 3> expected_{};
};

} // namespace brenlow
