#include "converter/main/help_menu.h"

#include "converter/main/web_links.h"

#include <QDir>

namespace tavrel::help {

QString helpFile(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("Tavrel.chm"));
}

QString faqPageFor(const QString& languageValue)
{
    bool ok = false;
    const int value = languageValue.trimmed().toInt(&ok);
    return links::faqPage(ok && value == 1);
}

QString helpUsText()
{
    return QStringLiteral("If you want to translate Tavrel in your natural language, take the english file in the "
                          "Lang directory of Tavrel and translate it contents. Send your translated file at ")
        + links::makerEmail() + QStringLiteral("\r\nThanks.");
}

QString designerText()
{
    return QStringLiteral("If you are designer and want to help (for free) development of this Freeware, i need a "
                          "designer to improve Look 'n' feel of Tavrel. Please contact me at ")
        + links::makerEmail();
}

QString donationCurrency(const QString& currencySign)
{
    return currencySign == QString(QChar(0x20AC)) ? QStringLiteral("EUR") : QStringLiteral("USD");
}

QString mailLink(const QString& address)
{
    // No blank after the scheme: "mailto: x" is not a valid address for mail programs.
    return QStringLiteral("mailto:") + address + QStringLiteral("?subject=Tavrel");
}

} // namespace tavrel::help
