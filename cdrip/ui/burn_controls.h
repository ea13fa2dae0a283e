#pragma once
// The image burner dialog's controls while a burn or a disc test runs: its
// settings and commands are disabled (and for a burn Cancel (1115) enabled),
// and the reverse at the end.
// Window thread only: the burn's starter calls it before its worker runs and
// again when the worker has reported its end.

class QWidget;

namespace brenlow {

void disableBurnControls(QWidget& burnDialog);
void enableBurnControls(QWidget& burnDialog);
/// While the disc is tested: the settings and commands disabled, Cancel too
/// (there is no burn to stop); enableBurnControls ends it.
void disableBurnSettings(QWidget& burnDialog);

} // namespace brenlow
