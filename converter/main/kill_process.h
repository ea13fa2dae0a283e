#pragma once
// The program's own exit at shut-down. It ends this program normally; it
// never looks for, or stops, any other process, whatever its name.

#include <QString>

namespace tavrel::KillProcess {

/// Ends this program's event loop; `name` (the program's executable name) is
/// kept for the callers' sake and names nothing else. Always returns an empty
/// string.
QString KillByName(const QString& name);

} // namespace tavrel::KillProcess
