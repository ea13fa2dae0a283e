#pragma once
// The help menu's texts and targets: the help file, the FAQ page for the
// language in use, the translation request and the designer request.

#include <QString>

namespace tavrel::help {

/// The help file beside the program.
QString helpFile(const QString& programFolder);
/// The FAQ page for a [LANGUE] VALUE text: the French page for exactly 1,
/// the English one for any other value, a text that is not a number included.
QString faqPageFor(const QString& languageValue);
/// The message of "Help us translate".
QString helpUsText();
/// The message of the about window's "Need a designer !".
QString designerText();
/// "EUR" when the currency caption is the euro sign alone, otherwise "USD".
QString donationCurrency(const QString& currencySign);
/// The mail link of the maker's address, with the program as subject.
QString mailLink(const QString& address);

} // namespace tavrel::help
