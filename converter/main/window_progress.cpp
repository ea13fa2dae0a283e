#include "converter/main/window_progress.h"

#include "converter/main/audiotool.h"
#include "converter/main/vector_registers.h"

#include <QCoreApplication>
#include <QLabel>

namespace tavrel {

QString WindowProgress::percentLabel() const
{
    return w_.Label6->text();
}

void WindowProgress::setPercentLabel(const QString& text)
{
    w_.Label6->setText(text); // the same text again repaints nothing
}

void WindowProgress::setBarFraction(double fraction)
{
    w_.setImage4WidthTwips(barWidth(w_.picture1WidthTwips(), fraction));
}

void WindowProgress::setRowProgress(int position, double value)
{
    w_.setRowProgress(position, value);
}

void WindowProgress::yield()
{
    QCoreApplication::processEvents();
    releaseUpperVectorState(); // the conversion goes on from here
}

} // namespace tavrel
