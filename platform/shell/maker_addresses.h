#pragma once
// The one place that names the maker's addresses both programs link to. They
// are placeholders under a domain reserved for examples, so no page, link or
// start-up ever sends a user to a server this project does not run; every web
// page and mail address the programs open is built from these.

#include <QString>

namespace quandor::shell::maker {

/// The placeholder domain of every maker address.
inline QString domain()
{
    return QStringLiteral("quandor.example.org");
}

/// The maker's web site, without a trailing slash.
inline QString site()
{
    return QStringLiteral("https://") + domain();
}

/// A mailbox at the maker's domain.
inline QString mailAddress(const QString& mailbox)
{
    return mailbox + QLatin1Char('@') + domain();
}

} // namespace quandor::shell::maker
