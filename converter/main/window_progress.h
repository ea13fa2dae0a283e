#pragma once
// The main window's progress displays as a progress surface: the percentage
// label Label6, the bar Image4 in its frame, the entries' row bars, and the
// event loop. Each display is touched only when the value it shows changes.

#include "converter/main/progress.h"

namespace tavrel {

class Audiotool;

class WindowProgress final : public ProgressSurface {
public:
    explicit WindowProgress(Audiotool& window) : w_(window) {}

    QString percentLabel() const override;
    void setPercentLabel(const QString& text) override;
    void setBarFraction(double fraction) override;
    void setRowProgress(int position, double value) override;
    void yield() override;

private:
    Audiotool& w_;
};

} // namespace tavrel
