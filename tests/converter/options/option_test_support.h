#pragma once
// Shared helpers of the option window tests: a started main window in a
// throw-away program folder, and encoding a short generated signal through
// the main window's writer.

#include "converter/main/audiotool.h"
#include "converter/options/option_settings.h"
#include "tests/converter/main/window_fixture.h"

#include <QString>

namespace tavrel::test {

/// Encodes `seconds` of a 44.1 kHz stereo signal with the writer's current
/// format into `path`; false when the writer refused.
bool encodeSample(Audiotool& window, const QString& path, double seconds = 1.0);

} // namespace tavrel::test
