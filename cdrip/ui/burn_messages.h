#pragma once
// The burner's words for a cue sheet it refuses and for an image longer than
// the blank: what is wrong and where, so the user knows what to mend.

#include "cdrip/scsi/cue_sheet.h"
#include "cdrip/ui/language_table.h"

#include <QString>

namespace brenlow {

/// The row that says why `load` (read from `cuePath`) was refused, in the form
/// of the missing image's row: the path, " : ", the reason. Empty when the
/// refusal has a row of its own (no path, image missing or empty, not audio).
QString cueRefusalText(const CueSheetLoad& load, const QString& cuePath, const LanguageTable& language);

/// "The image (mm:ss.ff, n sectors) does not fit on the disc (mm:ss.ff, n sectors)."
QString imageTooLongText(std::int64_t imageSectors, int discSectors, const LanguageTable& language);

} // namespace brenlow
