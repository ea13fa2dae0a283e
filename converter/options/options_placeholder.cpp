// Until the option windows are built, their buttons open nothing.
#include "converter/options/option_windows.h"

namespace tavrel {

void showMp3Options(Audiotool&) {}
void showOggOptions(Audiotool&) {}
void showWavOptions(Audiotool&) {}
void showAacOptions(Audiotool&) {}
void showTagEditor(Audiotool&) {}

} // namespace tavrel
