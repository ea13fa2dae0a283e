#include "platform/profile/windows1252.h"

#include <QStringDecoder>
#include <array>

namespace quandor::profile {
namespace {

// 0x80..0x9F; the unassigned bytes keep their C1 control value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t toUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

// The byte for a character, or -1 when Windows-1252 has none.
int toByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[static_cast<size_t>(i)] == c)
            return 0x80 + i;
    }
    return -1;
}

bool hasNonAscii(QByteArrayView bytes)
{
    for (char b : bytes) {
        if (static_cast<unsigned char>(b) >= 0x80)
            return true;
    }
    return false;
}

} // namespace

QString fromWindows1252(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes)
        text.append(QChar(toUnicode(static_cast<unsigned char>(b))));
    return text;
}

QByteArray toWindows1252(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const int b = toByte(c.unicode());
        bytes.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return bytes;
}

bool fitsWindows1252(const QString& text)
{
    for (QChar c : text) {
        if (toByte(c.unicode()) < 0)
            return false;
    }
    return true;
}

QString fromStoredText(QByteArrayView bytes)
{
    if (hasNonAscii(bytes)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString decoded = utf8.decode(bytes);
        if (!utf8.hasError())
            return decoded;
    }
    return fromWindows1252(bytes);
}

QByteArray toStoredText(const QString& text)
{
    // Some Windows-1252 bytes are valid UTF-8 too (those of "Ã©" spell "é"), and
    // would be read as that: such text is stored as UTF-8, which reads back exactly.
    if (fitsWindows1252(text)) {
        QByteArray bytes = toWindows1252(text);
        if (fromStoredText(bytes) == text)
            return bytes;
    }
    return text.toUtf8();
}

} // namespace quandor::profile
