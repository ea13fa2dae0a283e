#include "cdrip/cddb/cddb_cache.h"

#include "cdrip/cddb/cddb_reply.h"
#include "platform/profile/profile_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace brenlow {
namespace {

const QString kIndexSection = QStringLiteral("CDDBID");

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

QString CddbCache::indexFile() const
{
    return QDir(startFolder_).filePath(QStringLiteral("CDDB/CDDB.ini"));
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
    if (!value)
        return std::nullopt;
    const QString path = resolve(*value);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseCddbEntry(file.read(4 * 1024 * 1024));
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
    const QString folder = QDir(startFolder_).filePath(QStringLiteral("CDDB/") + folderName);
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile file(QDir(folder).filePath(discId + QStringLiteral(".txt")));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    return quandor::profile::writeString(indexFile(), kIndexSection, queryCommand, indexValue(folderName, discId));
}

} // namespace brenlow
