#pragma once
// Splits a text at a separator, each part but the last keeping the separator
// at its end: "a=b=c" at '=' gives "a=", "b=", "c". A text without the
// separator is one part; an empty text is one empty part.

#include <QString>
#include <QStringList>

namespace brenlow {

QStringList splitString(const QString& text, QChar separator);

} // namespace brenlow
