#include "converter/main/progress_pacer.h"

#include <chrono>
#include <utility>

namespace tavrel {

ProgressPacer::ProgressPacer(ProgressSurface& shown, std::function<bool()> pacing, Clock clock, qint64 intervalMs,
                             qint64 yieldIntervalMs)
    : shown_(shown),
      pacing_(std::move(pacing)),
      clock_(std::move(clock)),
      intervalMs_(intervalMs),
      yieldIntervalMs_(yieldIntervalMs)
{}

qint64 ProgressPacer::steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString ProgressPacer::percentLabel() const
{
    return label_ ? *label_ : shown_.percentLabel();
}

void ProgressPacer::setPercentLabel(const QString& text)
{
    label_ = text;
    changed();
}

void ProgressPacer::setBarFraction(double fraction)
{
    bar_ = fraction;
    changed();
}

void ProgressPacer::setRowProgress(int position, double value)
{
    rows_[position] = value;
    changed();
}

void ProgressPacer::yield()
{
    const qint64 now = clock_();
    if (holdsChanges() && (!lastShown_ || now - *lastShown_ >= intervalMs_))
        show(); // what was just set is painted by this turn of the loop
    else if (pacing_() && lastYield_ && now - *lastYield_ < yieldIntervalMs_)
        return;
    lastYield_ = now;
    shown_.yield();
}

void ProgressPacer::settle()
{
    show();
    shown_.settle();
}

bool ProgressPacer::holdsChanges() const
{
    return label_ || bar_ || !rows_.empty();
}

void ProgressPacer::changed()
{
    if (!pacing_())
        show();
}

void ProgressPacer::show()
{
    if (!holdsChanges())
        return;
    for (const auto& [position, value] : rows_)
        shown_.setRowProgress(position, value);
    rows_.clear();
    if (bar_)
        shown_.setBarFraction(*bar_);
    bar_.reset();
    if (label_ && *label_ != shown_.percentLabel())
        shown_.setPercentLabel(*label_);
    label_.reset();
    lastShown_ = clock_();
}

} // namespace tavrel
