#pragma once
// Measures the texts a window shows against the room their controls give
// them: captions of labels, buttons and group boxes, list column titles and
// row texts, every item of a combo box (as its field shows it once chosen)
// and the rows of lists. Each text that is wider (or taller) than its room is reported.

#include <QStringList>

class QWidget;

namespace brenlow::test {

/// "<control>: "<text>" needs <n> px, has <m> px" for every text of `window`
/// and its visible controls that does not fit; empty when all fit.
QStringList cutTexts(const QWidget& window);

} // namespace brenlow::test
