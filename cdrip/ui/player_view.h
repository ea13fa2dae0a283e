#pragma once
// What the CD player shows: its position bar, and its play state and clock
// in the status bar.

class QScrollBar;
class QString;

namespace brenlow {

class PlayerView {
public:
    /// Control 1090: the position in the track played, in frames.
    virtual QScrollBar* positionBar() const = 0;
    /// The play state or the clock (status bar part 1).
    virtual void showPlayState(const QString& text) = 0;
    /// Language line n.
    virtual QString text(int line) const = 0;

protected:
    ~PlayerView() = default;
};

} // namespace brenlow
