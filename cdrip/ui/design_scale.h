#pragma once
// Brenlow's hand-placed dialogs give their controls pixel positions and sizes
// drawn for the 8-point dialog font (6 px average character width, 13 px line
// height). A wider font would cut their captions, so a dialog built at those
// design pixels is scaled once by the ratio of its font to that font.

#include <QRect>

class QFont;
class QWidget;

namespace brenlow {

/// Factor from design pixels to pixels for `font`: the larger of its width
/// and height ratios to the design font, never below 1.
double designScale(const QFont& font);

/// `designPixels` in pixels for the font of `widget`.
int scaledPixels(const QWidget& widget, int designPixels);

/// `design` in pixels for `scale`; edges are scaled, so neighbours stay flush.
QRect scaledRect(const QRect& design, double scale);

/// Scales the design geometry of `dialog` for its font, once: its fixed size,
/// the geometry of every hand-placed control (children of the dialog and of
/// plain container widgets), the fixed sizes of laid-out containers, link
/// fonts and the column widths of its tree views, widened
/// where a column title still does not fit. Call it when the controls, column
/// titles and widths are set; a second call does nothing.
void fitToFont(QWidget& dialog);

} // namespace brenlow
