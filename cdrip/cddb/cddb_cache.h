#pragma once
// The local CDDB cache under <StartFolder>/CDDB: one file per disc, a server
// reply in CDDB/<category>/<discid>.txt or a user entry in
// CDDB/Custom/<discid>.txt, indexed in CDDB/CDDB.ini, section [CDDBID], by
// the disc's query command. Nothing is written through a symbolic link met
// inside CDDB/ (see writeFileBeneath). Index values keep their stored form
// ("\CDDB\rock\0501ac02.txt") so existing caches stay valid.

#include "cdrip/cddb/cddb_entry.h"

#include <QString>
#include <optional>

namespace brenlow {

class CddbCache {
public:
    explicit CddbCache(QString startFolder);

    /// CDDB/ under the start folder.
    QString cacheFolder() const;
    QString indexFile() const;

    /// The index value for the disc, or nothing when it is not indexed.
    std::optional<QString> findEntry(const QString& queryCommand) const;

    /// The file an index value names; empty when the value points outside the cache.
    QString resolve(const QString& indexValue) const;

    /// The cached entry of the disc, parsed; nothing when absent or unreadable.
    std::optional<CddbEntry> load(const QString& queryCommand) const;

    /// Stores a server's read reply byte for byte as CDDB/<category>/<discid>.txt and
    /// indexes it. False (nothing indexed) for an untrusted category or disc id, or
    /// when the file cannot be written.
    bool storeServerReply(const QString& queryCommand, const QString& category, const QString& discId,
                          const QByteArray& reply);

    /// Writes the user entry CDDB/Custom/<discid>.txt, then indexes it. Does nothing
    /// for an empty query command; false when the file could not be written.
    bool saveUserEntry(const QString& queryCommand, const QString& discId, const CddbEntry& entry, int trackCount);

private:
    bool writeAndIndex(const QString& queryCommand, const QString& folderName, const QString& discId,
                       const QByteArray& bytes);
    bool writeIndex(const QString& queryCommand, const QString& value);

    QString startFolder_;
};

} // namespace brenlow
