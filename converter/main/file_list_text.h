#pragma once
// Texts of the file list: entry numbers, durations, the kind of a source
// judged by its last three characters, and the messages of a refused file.

#include <QString>
#include <QtGlobal>

namespace tavrel {

/// Rounds to the nearest whole number, halves to the even neighbour.
qint64 roundHalfEven(double value);

/// An entry's number text: its 1-based position with at least three digits,
/// then "." (1 gives "001.", 1234 gives "1234.").
QString entryNumberText(int position);

/// "mm:ss:00" with at least two digits for minutes and seconds.
QString durationText(qint64 minutes, qint64 seconds);

/// Duration text of an AAC or M4A source reported in (fractional) seconds.
QString durationTextFromSeconds(double seconds);

/// Duration text of a source read by the audio reader (milliseconds).
QString durationTextFromMilliseconds(qint64 milliseconds);

/// Duration text of an APE source (whole seconds).
QString durationTextFromWholeSeconds(qint64 seconds);

/// The last three characters of `path`, lower-cased: what decides how a source
/// is probed and converted.
QString kindOf(const QString& path);

/// The part of `path` after its last folder separator (empty when it has none).
QString fileNamePart(const QString& path);

/// True for the kinds a drop accepts: wav, wma, mp3, ogg, aac, ape, apl, m4a.
bool isAcceptedDrop(const QString& path);

/// The text of the message for a file that cannot be added.
QString cannotAddMessage(const QString& path);

} // namespace tavrel
