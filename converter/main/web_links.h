#pragma once
// The maker's web addresses the converter opens with the desktop's browser.

#include <QString>

namespace tavrel::links {

/// The maker's web site; the other pages are found under it.
inline QString site() { return QStringLiteral("https://tavrel.quandor.org/"); }

/// The set-up page opened once, at the first start.
inline QString setupPage() { return site() + QStringLiteral("setup.html"); }

} // namespace tavrel::links
