#pragma once
// Where a program keeps its settings: its own folder, as it was designed; when
// that folder is not writable (an installed copy), a per-user folder instead,
// the way the system redirects such writes.

#include <QString>

namespace quandor::shell {

/// The folder of the running executable.
QString programFolder();

/// The folder for `program`'s settings files: programFolder() when writable,
/// else <user data folder>/Quandor/<program>. QUANDOR_SETTINGS_DIR overrides both.
QString settingsFolder(const QString& program);

/// True when a file can be created in `folder`.
bool isWritableFolder(const QString& folder);

} // namespace quandor::shell
