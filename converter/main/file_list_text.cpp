#include "converter/main/file_list_text.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tavrel {

qint64 roundHalfEven(double value)
{
    return qint64(std::nearbyint(value));
}

QString entryNumberText(int position)
{
    return QStringLiteral("%1.").arg(position, 3, 10, QLatin1Char('0'));
}

QString durationText(qint64 minutes, qint64 seconds)
{
    auto twoDigits = [](qint64 value) {
        const QString digits = QString::number(value < 0 ? -value : value).rightJustified(2, u'0');
        return value < 0 ? QStringLiteral("-") + digits : digits;
    };
    return twoDigits(minutes) + u':' + twoDigits(seconds) + QStringLiteral(":00");
}

QString durationTextFromSeconds(double seconds)
{
    const qint64 minutes = roundHalfEven(seconds) / 60;
    const qint64 rest = roundHalfEven(seconds - 60.0 * double(minutes));
    return durationText(minutes, rest);
}

QString durationTextFromMilliseconds(qint64 milliseconds)
{
    return durationTextFromWholeSeconds(roundHalfEven(double(milliseconds) / 1000.0));
}

QString durationTextFromWholeSeconds(qint64 seconds)
{
    return durationText(seconds / 60, seconds - 60 * (seconds / 60));
}

QString kindOf(const QString& path)
{
    return path.right(3).toLower();
}

QString fileNamePart(const QString& path)
{
#ifdef Q_OS_WIN
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
#else
    const qsizetype slash = path.lastIndexOf(u'/');
#endif
    return slash < 0 ? QString() : path.mid(slash + 1);
}

bool isAcceptedDrop(const QString& path)
{
    static const QStringList accepted{QStringLiteral("wav"), QStringLiteral("wma"), QStringLiteral("mp3"),
                                      QStringLiteral("ogg"), QStringLiteral("aac"), QStringLiteral("ape"),
                                      QStringLiteral("apl"), QStringLiteral("m4a")};
    return accepted.contains(kindOf(path));
}

QString cannotAddMessage(const QString& path)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Can't add : ") + crlf + path;
    const QString kind = kindOf(path);
    if (kind == QLatin1String("wma"))
        text += crlf + crlf + QStringLiteral("You wma file is it DRM protected ?");
    else if (kind == QLatin1String("aac"))
        text += crlf + crlf
            + QStringLiteral("The file is not in a known AAC format for Tavrel. "
                             "Maybe Invalid Channel number or protected file.");
    return text;
}

} // namespace tavrel
