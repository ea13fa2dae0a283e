#pragma once
// Windows-1252 text: the code page of the language files and of the settings
// both programs store.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quandor::profile {

/// Decodes Windows-1252 bytes (0x80 is the euro sign; the five unassigned
/// bytes map to the C1 controls of the same value).
QString fromWindows1252(QByteArrayView bytes);

/// Encodes to Windows-1252; characters outside it become '?'.
QByteArray toWindows1252(const QString& text);

/// True when every character of text has a Windows-1252 byte.
bool fitsWindows1252(const QString& text);

/// Stored text: valid UTF-8 (with at least one non-ASCII byte) is read as
/// UTF-8, anything else as Windows-1252.
QString fromStoredText(QByteArrayView bytes);

/// Stored form of text, the one fromStoredText reads back unchanged:
/// Windows-1252 when it fits and cannot be mistaken for UTF-8, else UTF-8.
QByteArray toStoredText(const QString& text);

} // namespace quandor::profile
