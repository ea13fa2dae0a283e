#pragma once
// The tag a converted file carries: the values collected from its source,
// written into the new file with the program's name as the encoder.

#include "platform/audio/tag_fields.h"

#include <QString>

namespace tavrel {

/// The tag values of the entry being converted. The year is kept as text, as
/// it was read; genre and track as numbers.
struct TagValues {
    static constexpr int NoGenre = -1; ///< the source names no genre: none is written

    QString title;
    QString artist;
    QString album;
    QString comment;
    QString year;
    int genre = NoGenre;
    int track = 0; ///< 0: the source has none
};

/// The text shown when a tag cannot be written.
QString tagErrorMessage();
/// That text, then the file that keeps no tag and the reason.
QString tagFailureMessage(const QString& target, const QString& reason);

/// Writes `values` into `target` (with "Tavrel" as the encoder). A year that
/// reads as 0 becomes `currentYear` and a track of 0 or 103 becomes 1; both
/// changes stay in `values` for later entries. A genre outside 0..147 is left
/// out. False, with the reason in `error`, when the year is not a number or
/// the file cannot be tagged; the file then stays as it was.
bool applyTag(TagValues& values, const QString& target, int currentYear, QString* error = nullptr);

/// As applyTag, for an output the program has written and not yet named,
/// opened through `workingPath`; `target` is the name it will get. When a
/// write of the tag failed half-way, `damaged` (may be null) is set: the
/// file is no longer whole then.
bool applyTagToOwnFile(TagValues& values, const QString& workingPath, const QString& target, int currentYear,
                       QString* error = nullptr, bool* damaged = nullptr);

/// The text fields applyTag would write for `values`, its changes to year and
/// track made on a copy; empty when it would refuse them.
quandor::audio::TagFieldList tagFieldsFor(TagValues values, int currentYear);

} // namespace tavrel
