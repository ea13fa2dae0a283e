#pragma once
// The image burner dialog's controls while a burn runs: its settings and
// commands are disabled and Cancel (1115) enabled, and the reverse at the end.
// Window thread only: the burn's starter calls it before its worker runs and
// again when the worker has reported its end.

class QWidget;

namespace brenlow {

void disableBurnControls(QWidget& burnDialog);
void enableBurnControls(QWidget& burnDialog);

} // namespace brenlow
