// The tag editor is not built yet: its menu item opens nothing.
#include "converter/options/option_windows.h"

namespace tavrel {

void showTagEditor(Audiotool&) {}

} // namespace tavrel
