#pragma once
// Names for new files that never replace an existing one: base + extension,
// else base(1) + extension, base(2) + extension, ...

#include <QString>

namespace tavrel {

/// The first free name among base+ext, base(1)+ext, base(2)+ext, ...; `base`
/// gains the "(n)" that was needed. `ext` includes its dot (".wav").
QString takeFreeName(QString& base, const QString& ext);

/// What messages call the temporary WAV of a source file: the source's file
/// name with its extension replaced by ".wav", in `tempFolder`. The file
/// itself never takes that name (it has none), so a file there is never touched.
QString temporaryWavName(const QString& tempFolder, const QString& sourcePath);

/// The system's temporary folder, ending in a separator.
QString temporaryFolder();

} // namespace tavrel
