#pragma once
// How far the work on one entry is: the percentage each reporting component
// gives, and the one display update they all feed (percentage label, bar,
// the entry's row bar, then one turn of the event loop).

#include <QString>
#include <cstdint>

namespace tavrel {

/// The encoder's report: done ÷ total × 100, halves to even; 0 when the total is unknown (≤ 0).
int encoderPercent(double done, double total);

/// The APE library's report in thousandths of a percent: ÷ 1000, halves to even, at most 100.
int apeCallbackPercent(std::int64_t thousandths);

/// The pump's percentage of `done` out of `length` (same unit): halves to even,
/// never below 1 and never above 100. An unknown length (≤ 0) shows 1.
int pumpPercent(double done, double length);

/// The bar's share of its frame for a percentage, limited to 0..1.
double percentFraction(int percent);

/// The bar width inside a frame of `frameWidth` units for `fraction` (0..1):
/// (frameWidth − 60) × fraction, the 60 leaving a margin inside the frame.
double barWidth(double frameWidth, double fraction);

/// "42 %".
QString percentText(int percent);

/// Where progress is shown. Implemented by the main window; tests record it.
class ProgressSurface {
public:
    virtual ~ProgressSurface() = default;

    virtual QString percentLabel() const = 0;
    virtual void setPercentLabel(const QString& text) = 0;
    /// The bar's share of its frame, 0..1.
    virtual void setBarFraction(double fraction) = 0;
    /// The row bar of the entry at `position` (1-based), 0..100.
    virtual void setRowProgress(int position, double value) = 0;
    /// Lets the event loop run once (Cancel, repainting, the list's keys).
    virtual void yield() = 0;
    /// Shows at once whatever a paced surface still holds (a step or the run ends).
    virtual void settle() {}
};

/// The display update of every component report for the entry at `position`:
/// label, bar and row bar (a report of 0 shows 1 on the row) when the text
/// changes; the event loop runs in any case.
void showPercent(ProgressSurface& surface, int position, int percent);

/// "0 %" and an empty bar, as after every step; the surface settles on them.
void resetProgress(ProgressSurface& surface);

} // namespace tavrel
