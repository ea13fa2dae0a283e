#include "cdrip/cddb/cddb_cache.h"

#include "cdrip/cddb/cddb_reply.h"
#include "platform/files/contained_file.h"
#include "platform/files/file_door.h"
#include "platform/profile/profile_file.h"

#include <QDir>
#include <QFileInfo>

namespace brenlow {
namespace {

const QString kIndexSection = QStringLiteral("CDDBID");
const QString kIndexName = QStringLiteral("CDDB.ini");
constexpr qint64 kMaxEntryBytes = 4 * 1024 * 1024;
constexpr qint64 kMaxIndexBytes = 64 * 1024 * 1024;

QString indexValue(const QString& folderName, const QString& discId)
{
    return QStringLiteral("\\CDDB\\") + folderName + QLatin1Char('\\') + discId + QStringLiteral(".txt");
}

bool isSafeComponent(const QString& part)
{
    return !part.isEmpty() && part != QStringLiteral(".") && part != QStringLiteral("..")
        && !part.contains(QLatin1Char('/'));
}

} // namespace

CddbCache::CddbCache(QString startFolder) : startFolder_(std::move(startFolder)) {}

QString CddbCache::cacheFolder() const
{
    return QDir(startFolder_).filePath(QStringLiteral("CDDB"));
}

QString CddbCache::indexFile() const
{
    return QDir(cacheFolder()).filePath(kIndexName);
}

std::optional<QString> CddbCache::findEntry(const QString& queryCommand) const
{
    if (queryCommand.trimmed().isEmpty())
        return std::nullopt;
    const QString value =
        quandor::profile::readString(indexFile(), kIndexSection, queryCommand, QStringLiteral("023Error"));
    if (value == QStringLiteral("023Error"))
        return std::nullopt;
    return value;
}

QString CddbCache::resolve(const QString& value) const
{
    const QStringList parts =
        QString(value).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() != 3 || parts[0] != QStringLiteral("CDDB"))
        return QString();
    for (const QString& part : parts) {
        if (!isSafeComponent(part))
            return QString();
    }
    return QDir(startFolder_).filePath(parts.join(QLatin1Char('/')));
}

std::optional<CddbEntry> CddbCache::load(const QString& queryCommand) const
{
    const std::optional<QString> value = findEntry(queryCommand);
    if (!value || resolve(*value).isEmpty())
        return std::nullopt;
    // A link or a FIFO in the cache is not an entry: read nothing through it.
    const QString relative = QDir(cacheFolder()).relativeFilePath(resolve(*value));
    const std::optional<QByteArray> bytes = quandor::files::readFileBeneath(cacheFolder(), relative, kMaxEntryBytes);
    if (!bytes)
        return std::nullopt;
    return parseCddbEntry(*bytes);
}

bool CddbCache::storeServerReply(const QString& queryCommand, const QString& category, const QString& discId,
                                 const QByteArray& reply)
{
    if (!isCddbCategory(category) || !isCddbDiscId(discId))
        return false;
    return writeAndIndex(queryCommand, category, discId, reply);
}

bool CddbCache::saveUserEntry(const QString& queryCommand, const QString& discId, const CddbEntry& entry,
                              int trackCount)
{
    if (queryCommand.trimmed().isEmpty() || !isCddbDiscId(discId))
        return false;
    return writeAndIndex(queryCommand, QStringLiteral("Custom"), discId,
                         formatCddbUserEntry(discId, entry, trackCount));
}

bool CddbCache::writeAndIndex(const QString& queryCommand, const QString& folderName, const QString& discId,
                              const QByteArray& bytes)
{
    // The cache folder itself may be where the user put it; below it every
    // folder and file is the cache's own, and a link found there is replaced,
    // never followed (a reply must not land in a file the link names).
    if (!QDir().mkpath(cacheFolder()))
        return false;
    const QString entry = folderName + QLatin1Char('/') + discId + QStringLiteral(".txt");
    if (!quandor::files::writeFileBeneath(cacheFolder(), entry, bytes))
        return false;
    return writeIndex(queryCommand, indexValue(folderName, discId));
}

bool CddbCache::writeIndex(const QString& queryCommand, const QString& value)
{
    // Another Brenlow may store an entry meanwhile: the index is read,
    // changed and written back under the cache folder's lock, so both keep theirs.
    const quandor::files::FolderLock lock(indexFile());
    if (!lock.held())
        return false;
    std::optional<QByteArray> index = quandor::files::readFileBeneath(cacheFolder(), kIndexName, kMaxIndexBytes);
    const QFileInfo existing(indexFile());
    if (!index && existing.isFile() && !existing.isSymLink())
        return false; // there but unreadable: never replace what we cannot keep
    const std::optional<QByteArray> changed =
        quandor::profile::withString(index.value_or(QByteArray()), kIndexSection, queryCommand, value);
    return changed && quandor::files::writeFileBeneath(cacheFolder(), kIndexName, *changed);
}

} // namespace brenlow
