#pragma once
// The program's start: the system check, the language choice on a first
// start, then the main dialog, run modally; when it ends the program ends.

#include "cdrip/ui/main_dialog.h"

#include <QString>
#include <functional>
#include <optional>

namespace brenlow {

/// What the system reports about itself (the Windows version numbers the
/// program was designed around: 95 family or NT family).
struct SystemVersion {
    enum class Family { Windows95, NT };
    int major = 0;
    int minor = 0;
    Family family = Family::NT;
};

/// The system's version; nothing when it cannot be asked.
using SystemVersionProvider = std::function<std::optional<SystemVersion>()>;

/// The version code: -1 when the query fails; 0 (3.51), 1 (4.0 NT and every
/// version not in the table), 2 (4.0 95 family), 3 (4.10), 4 (4.90), 5 (5.0),
/// 6 (5.1), 7 (5.2).
int checkWindowsVersion(const SystemVersionProvider& provider);
/// Codes 0, 1, 5, 6 and 7: the NT family, on which the program runs.
bool isSupportedVersionCode(int code);
/// The running system: Linux and every other host count as a later NT-family
/// version (code 1).
std::optional<SystemVersion> currentSystemVersion();

struct StartEnvironment {
    /// The current directory at start: Ripper.ini, My Music, the CDDB cache.
    QString startFolder;
    /// The executable's folder, where the Lang folder is; empty: the start
    /// folder (the program started in its own folder).
    QString programFolder;
    SystemVersionProvider systemVersion = currentSystemVersion;
    /// Runs the language dialog and the main dialog; QDialog::exec by default.
    ModalRunner runModal;
};

/// The folders of the running program, wherever it was started from.
StartEnvironment currentStartEnvironment();

/// The program: returns its exit code.
int runBrenlow(const StartEnvironment& environment);

} // namespace brenlow
