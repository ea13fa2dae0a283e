#pragma once
// The maker's web addresses the converter opens with the desktop's browser.

#include "platform/shell/maker_addresses.h"

#include <QString>

namespace tavrel::links {

/// The converter's pages on the maker's web site; the other pages are found under it.
inline QString site()
{
    return quandor::shell::maker::site() + QStringLiteral("/tavrel/");
}

/// The set-up page opened once, at the first start.
inline QString setupPage()
{
    return site() + QStringLiteral("setup.html");
}

/// The maker's name and e-mail address, shown in the about window.
inline QString makerName()
{
    return QStringLiteral("Quandor");
}
inline QString makerEmail()
{
    return quandor::shell::maker::mailAddress(QStringLiteral("tavrel"));
}

/// The home page and the two FAQ pages (French, English).
inline QString homePage()
{
    return site() + QStringLiteral("indexEn.html");
}
inline QString faqPage(bool french)
{
    return site() + (french ? QStringLiteral("FAQ/FAQ_Tavrel.htm") : QStringLiteral("FAQ/FAQ_TavrelEn.htm"));
}

/// The donation page; the currency code is appended to its last query key.
inline QString donationPage(const QString& currencyCode)
{
    return site() + QStringLiteral("donate?item_name=Tavrel&currency_code=") + currencyCode;
}

} // namespace tavrel::links
