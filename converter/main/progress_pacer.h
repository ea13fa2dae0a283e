#pragma once
// Keeps the progress displays from costing the conversion its speed: while a
// run is under way, the values the run reports are held and handed to the
// displays at most once per interval (at a yield, where the event loop would
// paint them anyway); the displays themselves skip a value they already show
// (the same text, the same pixel of bar, the same row value). The event loop
// is let run at most once per yield interval too: a run may report a
// thousand times a second, and each turn of the loop costs a round trip to
// the display server, while a press needs an answer only within a blink.
// Outside a run, and whenever the run settles (a step ends, the run ends),
// what is held is shown at once, so the displays always end on their final
// values.

#include "converter/main/progress.h"

#include <QtGlobal>
#include <functional>
#include <map>
#include <optional>

namespace tavrel {

class ProgressPacer final : public ProgressSurface {
public:
    /// Milliseconds on a steady clock.
    using Clock = std::function<qint64()>;

    /// At most one update of `shown` per `intervalMs`, and one turn of the
    /// event loop per `yieldIntervalMs`, while `pacing` answers true.
    ProgressPacer(ProgressSurface& shown, std::function<bool()> pacing, Clock clock = steadyMilliseconds,
                  qint64 intervalMs = 100, qint64 yieldIntervalMs = 16);

    QString percentLabel() const override;
    void setPercentLabel(const QString& text) override;
    void setBarFraction(double fraction) override;
    void setRowProgress(int position, double value) override;
    /// Shows what is held when the interval has passed, then lets the event
    /// loop run: always after showing, else once the yield interval has passed.
    void yield() override;
    /// Shows what is held now.
    void settle() override;

    static qint64 steadyMilliseconds();

private:
    bool holdsChanges() const;
    void changed();
    void show();

    ProgressSurface& shown_;
    std::function<bool()> pacing_;
    Clock clock_;
    qint64 intervalMs_;
    qint64 yieldIntervalMs_;
    std::optional<qint64> lastShown_;
    std::optional<qint64> lastYield_;

    std::optional<QString> label_;
    std::optional<double> bar_;
    std::map<int, double> rows_;
};

} // namespace tavrel
