#pragma once
// How the main window reads its own Config.ini values. A stored value that is
// not what the program writes there falls back to that key's default, so a
// damaged or hand-edited file never stops the start-up.

#include <QString>
#include <QtGlobal>

namespace tavrel::config {

constexpr quint32 DefaultTrackColor = 16576; ///< red 192, green 64, blue 0
constexpr int DefaultWmaProfile = 9;
constexpr int WmaProfileCount = 51;

/// [Track] COLOR: a colour 0..0xFFFFFF in decimal (blue-green-red); the
/// default for anything else.
quint32 trackColor(const QString& stored);

/// [LANGUE] VALUE: a language number 0..32767 in decimal; 0 for anything else.
int languageNumber(const QString& stored);

/// [WMA] Num: a profile number 1..51 in decimal; 9 for anything else.
int wmaProfile(const QString& stored);

/// The red, green and blue of a stored colour.
inline int redOf(quint32 color)
{
    return int(color & 0xFF);
}
inline int greenOf(quint32 color)
{
    return int((color >> 8) & 0xFF);
}
inline int blueOf(quint32 color)
{
    return int((color >> 16) & 0xFF);
}
inline quint32 storedColor(int red, int green, int blue)
{
    return quint32(red & 0xFF) | (quint32(green & 0xFF) << 8) | (quint32(blue & 0xFF) << 16);
}

} // namespace tavrel::config
