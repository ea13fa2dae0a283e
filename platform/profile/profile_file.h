#pragma once
// INI files read and written one value at a time, with the semantics of the
// Windows profile-file functions both programs were designed around:
// - section and key names compare without regard to case, spaces around
//   names and values are ignored, one pair of surrounding quotes is stripped;
// - the first matching section and the first matching key in it win;
// - reading never creates the file; a missing file, section or key gives the
//   caller's default;
// - writing replaces the value in place, else appends the key at the end of
//   its section, else appends the section; every other line stays byte for
//   byte; new lines end in CR LF; the file is replaced atomically, under a
//   lock on its folder (two programs changing one file keep both changes);
// - only a regular file is read (never a FIFO, never through a link); a link
//   under the name is replaced by the file, never written through.
// Values are stored as Windows-1252 when they fit, else as UTF-8; reading
// accepts both (valid UTF-8 is taken as UTF-8).

#include <QByteArray>
#include <QString>
#include <optional>

namespace quandor::profile {

/// The value of [section] key in file, or fallback when any of them is absent.
QString readString(const QString& file, const QString& section, const QString& key,
                   const QString& fallback = QString());

/// Stores [section] key = value. False when nothing was written: the value holds
/// CR or LF, a name is empty or holds a bracket or '=', or the file could not be
/// replaced. The file is unchanged then.
[[nodiscard]] bool writeString(const QString& file, const QString& section, const QString& key, const QString& value);

/// The bytes of an INI file with [section] key = value stored as writeString
/// stores it, for a caller that reads and replaces the file itself; nothing
/// for a value or name that writeString refuses.
std::optional<QByteArray> withString(QByteArray bytes, const QString& section, const QString& key,
                                     const QString& value);

/// Stores the default a reader found absent. A failure is not reported: the
/// reader uses the default either way and the next read tries again.
void writeDefault(const QString& file, const QString& section, const QString& key, const QString& value);

} // namespace quandor::profile
