#include "cdrip/cddb/cddb_url.h"
#include "quandor_version.h"

#include <QUrl>

namespace brenlow {
namespace {

// Command words are plain ASCII; every space becomes "+", anything unusual is escaped.
QString commandText(const QString& command)
{
    QString text = QString::fromLatin1(QUrl::toPercentEncoding(command, " "));
    text.replace(QLatin1Char(' '), QLatin1Char('+'));
    return text;
}

// The path is appended to the server as it stands; a server typed without its
// final "/" still gets one, so "http://host" + "~cddb/cddb.cgi" stays a URL.
QString scriptUrl(const CddbServerSettings& settings)
{
    if (!settings.server.isEmpty() && !settings.server.endsWith(QLatin1Char('/'))
        && !settings.queryPath.startsWith(QLatin1Char('/')))
        return settings.server + QLatin1Char('/') + settings.queryPath;
    return settings.server + settings.queryPath;
}

QString escaped(const QString& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

} // namespace

QString buildCddbUrl(const CddbServerSettings& settings, const QString& command)
{
    return scriptUrl(settings) + QStringLiteral("?cmd=") + commandText(command) + QStringLiteral("&hello=")
        + escaped(settings.user) + QLatin1Char('+') + escaped(settings.site)
        + QStringLiteral("+Brenlow+" QUANDOR_VERSION_TEXT "&proto=5");
}

QString buildCddbQueryUrl(const CddbServerSettings& settings, const QString& queryCommand)
{
    return buildCddbUrl(settings, queryCommand);
}

QString buildCddbReadUrl(const CddbServerSettings& settings, const QString& category, const QString& discId)
{
    return buildCddbUrl(settings,
                        QStringLiteral("cddb read ") + category + QLatin1Char(' ') + discId + QLatin1Char(' '));
}

} // namespace brenlow
