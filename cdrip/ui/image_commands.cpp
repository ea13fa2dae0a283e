// Until this feature is built, it adds nothing to the main dialog.
#include "cdrip/ui/main_dialog_parts.h"

namespace brenlow {

void attachImageCommands(MainDialog&) {}

} // namespace brenlow
