#pragma once
// The converter's secondary windows, opened from the main window. Each is
// modal, shown over the settings' owner window and created for each opening.

class QWidget;

namespace tavrel {

class OptionSettings;

void showMp3Options(OptionSettings& settings);
void showOggOptions(OptionSettings& settings);
void showWavOptions(OptionSettings& settings);
void showAacOptions(OptionSettings& settings);
void showTagEditor();

} // namespace tavrel
