#pragma once
// The main window's progress displays as a progress surface: the percentage
// label Label6, the bar Image4 in its frame Picture1, the entries' row bars,
// and the event loop. Each display is touched only when the value it shows
// changes.

#include "converter/main/progress.h"

class QFrame;
class QLabel;

namespace tavrel {

class FileListView;
class ProgressStrip;

class WindowProgress final : public ProgressSurface {
public:
    /// `bar` lies inside `frame`, two pixels from each side.
    WindowProgress(QLabel& percent, QFrame& frame, ProgressStrip& bar, FileListView& list)
        : percent_(percent),
          frame_(frame),
          bar_(bar),
          list_(list)
    {}

    QString percentLabel() const override;
    void setPercentLabel(const QString& text) override;
    void setBarFraction(double fraction) override;
    void setRowProgress(int position, double value) override;
    void yield() override;

private:
    QLabel& percent_;
    QFrame& frame_;
    ProgressStrip& bar_;
    FileListView& list_;
};

} // namespace tavrel
