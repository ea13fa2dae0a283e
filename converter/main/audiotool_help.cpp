// The help menu's commands. They open nothing yet.
#include "converter/main/audiotool.h"

namespace tavrel {

void Audiotool::About_Click() {}
void Audiotool::Aide_Click() {}
void Audiotool::FAQ_Click() {}
void Audiotool::Homepage_Click() {}
void Audiotool::Helpus_Click() {}

} // namespace tavrel
