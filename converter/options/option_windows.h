#pragma once
// The converter's secondary windows, opened from the main window. Each is
// modal, owned by the main window and created for each opening.

class QWidget;

namespace tavrel {

class Audiotool;

void showMp3Options(Audiotool& owner);
void showOggOptions(Audiotool& owner);
void showWavOptions(Audiotool& owner);
void showAacOptions(Audiotool& owner);
void showTagEditor(Audiotool& owner);

} // namespace tavrel
