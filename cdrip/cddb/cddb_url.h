#pragma once
// Request URLs of the CDDB server's HTTP interface (protocol level 5).

#include <QString>

namespace brenlow {

/// The [CDDB] values of Ripper.ini a request needs.
struct CddbServerSettings {
    QString server;    ///< base URL, normally ending with "/"
    QString queryPath; ///< script path appended to it, e.g. "~cddb/cddb.cgi"
    QString user;      ///< sent in the greeting
    QString site;      ///< the user's host, sent in the greeting
};

/// server + path + "?cmd=" + command + "&hello=" + user + "+" + site + "+Brenlow+<version>&proto=5".
/// Spaces of the command travel as "+"; user and site are percent-encoded.
QString buildCddbUrl(const CddbServerSettings& settings, const QString& command);

/// The URL of "cddb query ..." for the disc's query command.
QString buildCddbQueryUrl(const CddbServerSettings& settings, const QString& queryCommand);

/// The URL of "cddb read <category> <discid> ".
QString buildCddbReadUrl(const CddbServerSettings& settings, const QString& category, const QString& discId);

} // namespace brenlow
