#include "cdrip/ui/language_table.h"

#include "cdrip/ui/brenlow_registry.h"
#include "platform/profile/windows1252.h"

#include <QDir>
#include <QFile>

namespace brenlow {

QString LanguageTable::line(int n) const
{
    if (n < 1 || n > kSize)
        return {};
    return lines_[static_cast<std::size_t>(n - 1)];
}

QString LanguageTable::text(int n, const QString& english) const
{
    const QString loaded = line(n);
    return loaded.isEmpty() ? english : loaded;
}

void LanguageTable::setLine(int n, const QString& text)
{
    if (n >= 1 && n <= kSize)
        lines_[static_cast<std::size_t>(n - 1)] = text;
}

bool LanguageTable::loadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    int n = 1;
    qsizetype start = 0;
    while (start < bytes.size() && n <= kSize) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool last = end < 0;
        if (last)
            end = bytes.size();
        QByteArrayView text(bytes.constData() + start, end - start);
        if (text.endsWith('\r'))
            text.chop(1);
        setLine(n++, quandor::profile::fromWindows1252(text));
        start = end + 1;
    }
    return true;
}

std::optional<int> languageChoice(const std::optional<QString>& langue)
{
    if (!langue || langue->size() != 1)
        return std::nullopt;
    const QChar digit = langue->at(0);
    if (digit < QLatin1Char('0') || digit > QLatin1Char('4'))
        return std::nullopt;
    return digit.unicode() - u'0';
}

QString languageFileName(const std::optional<QString>& langue)
{
    switch (languageChoice(langue).value_or(1)) {
    case 0:
        return QStringLiteral("Zek_Francais.lng");
    case 2:
        return QStringLiteral("Zek_German.lng");
    case 3:
        return QStringLiteral("Zek_Nederlands.lng");
    case 4:
        return QStringLiteral("Zek_Portugu\u00eas.lng");
    default:
        return QStringLiteral("Zek_English.lng");
    }
}

bool loadLanguageFile(LanguageTable& table, const QString& programFolder)
{
    const QString path = QDir(programFolder).filePath(QStringLiteral("Lang/") + languageFileName(storedLanguage()));
    return table.loadFile(path);
}

} // namespace brenlow
