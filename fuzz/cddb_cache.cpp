// The CDDB cache: whatever the index (CDDB.ini) and a server hand it, the cache
// writes only CDDB/CDDB.ini and CDDB/<category>/<8 hex digits>.txt under its
// start folder, never resolves an index value outside CDDB/, and a stored
// reply is found again by its query.
// Input: "query\0category\0disc id\0<CDDB.ini bytes>\0<reply>".

#include "cdrip/cddb/cddb_cache.h"
#include "cdrip/cddb/cddb_reply.h"
#include "fuzz/support/fuzz_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

using namespace brenlow;
using namespace quandor;

namespace {

// Every file under `start` is the index or a cache entry of a trusted name.
void checkOnlyCacheFiles(const QString& start)
{
    QDirIterator it(start, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(start).relativeFilePath(it.next());
        if (relative == QStringLiteral("CDDB/CDDB.ini"))
            continue;
        const QStringList parts = relative.split(QLatin1Char('/'));
        const bool entry = parts.size() == 3 && parts[0] == QStringLiteral("CDDB") && isCddbCategory(parts[1])
            && parts[2].endsWith(QStringLiteral(".txt")) && isCddbDiscId(parts[2].chopped(4));
        fuzz::check(entry, "the cache writes only CDDB/<category>/<disc id>.txt", relative);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    fuzz::Fields fields(data, size);
    const QString query = QString::fromUtf8(fields.next());
    const QString category = QString::fromUtf8(fields.next());
    const QString discId = QString::fromUtf8(fields.next());
    const QByteArrayView index = fields.next();
    const QByteArray reply = fields.rest().toByteArray();

    const QString start = folder.file(QStringLiteral("start"));
    QDir().mkpath(start);
    CddbCache cache(start);
    if (!index.isEmpty())
        folder.write(QStringLiteral("start/CDDB/CDDB.ini"), index);

    // Whatever the index holds resolves inside CDDB/ or not at all.
    if (const auto value = cache.findEntry(query)) {
        const QString path = cache.resolve(*value);
        if (!path.isEmpty()) {
            const QString inside = QDir(start).relativeFilePath(path);
            fuzz::check(inside.startsWith(QStringLiteral("CDDB/")) && !inside.contains(QStringLiteral("..")),
                        "an index value resolves inside CDDB/", inside);
        }
    }
    cache.load(query);

    const bool stored = cache.storeServerReply(query, category, discId, reply);
    if (stored) {
        fuzz::check(isCddbCategory(category) && isCddbDiscId(discId), "only trusted names are stored");
        const QString file = QStringLiteral("start/CDDB/%1/%2.txt").arg(category, discId);
        fuzz::check(fuzz::readFile(folder.file(file)) == reply, "a reply is stored byte for byte");
        const auto value = cache.findEntry(query);
        fuzz::check(value && QFileInfo(cache.resolve(*value)) == QFileInfo(folder.file(file)),
                    "a stored reply is found by its query", value.value_or(QString()));
        const auto reloaded = cache.load(query);
        const auto parsed = parseCddbEntry(reply);
        fuzz::check(reloaded.has_value() == parsed.has_value(), "a stored reply loads as it parses");
    }
    checkOnlyCacheFiles(start);
    return 0;
}
