#pragma once
// CDDB entries: the read reply a server sends ("210 ..." then DTITLE, DYEAR,
// DGENRE, TTITLEn lines) and the user entries written in the same shape.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <map>
#include <optional>

namespace brenlow {

struct CddbEntry {
    QString artist;
    QString album;
    QString year;
    QString genre;                 ///< empty: no genre
    std::map<int, QString> titles; ///< 0-based track index → title
};

/// The fields of a read reply or user entry; nothing when the reply does not
/// start with "210 " or has no DTITLE. Titles have / \ : * ? < > | replaced.
std::optional<CddbEntry> parseCddbEntry(QByteArrayView reply);

/// The user entry for a disc, lines ended by CR LF:
/// the "210 ..." banner, 67 asterisks, an empty line, DISCID, DTITLE, DYEAR,
/// DGENRE and TTITLE0 .. TTITLE<n-1> for `trackCount` tracks.
QByteArray formatCddbUserEntry(const QString& discId, const CddbEntry& entry, int trackCount);

/// Leading and trailing white space removed, each inner run turned into one space.
QString trimSpaces(const QString& text);

/// Each of / \ : * ? < > | becomes "_".
QString replaceTitleChars(const QString& text);

} // namespace brenlow
