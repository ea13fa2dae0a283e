// CDDB user entries: an entry saved through the cache comes back field for
// field when loaded again, whatever scripts its texts mix. Only the forms the
// entry format keeps are compared: no line ends (they become spaces), an artist
// without " / " (the DTITLE separator), an album without '/' and with single
// inner spaces, titles without / \ : * ? < > | (file-name characters).
// Input: "disc id\0artist\0album\0year\0genre\0title\0title...".

#include "cdrip/cddb/cddb_cache.h"
#include "cdrip/cddb/cddb_entry.h"
#include "cdrip/cddb/cddb_reply.h"
#include "fuzz/support/fuzz_support.h"

using namespace brenlow;
using namespace quandor;

namespace {

// The text as a user can type it into the one-line fields of the tag editor.
QString oneLine(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.remove(QChar(0));
    return text;
}

bool keptAsIs(const CddbEntry& entry)
{
    const QString dtitle = entry.artist + QStringLiteral(" / ") + entry.album;
    if (dtitle.indexOf(QStringLiteral(" / ")) != entry.artist.size())
        return false;
    if (entry.album.contains(QLatin1Char('/')) || trimSpaces(entry.album) != entry.album
        || trimSpaces(entry.year) != entry.year)
        return false;
    for (const auto& [index, title] : entry.titles) {
        if (replaceTitleChars(title) != title)
            return false;
    }
    return true;
}

QString shownEntry(const CddbEntry& e)
{
    QString text =
        QStringLiteral("artist \"%1\" album \"%2\" year \"%3\" genre \"%4\"").arg(e.artist, e.album, e.year, e.genre);
    for (const auto& [index, title] : e.titles)
        text += QStringLiteral(" title%1 \"%2\"").arg(index).arg(title);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    fuzz::Fields fields(data, size);
    const QString discId = QString::fromUtf8(fields.next());
    CddbEntry entry;
    entry.artist = oneLine(fields.next());
    entry.album = oneLine(fields.next());
    entry.year = oneLine(fields.next());
    entry.genre = oneLine(fields.next());
    for (int track = 0; !fields.rest().isEmpty() && track < 99; ++track)
        entry.titles[track] = oneLine(fields.next());
    const int trackCount = int(entry.titles.size());

    CddbCache cache(folder.path());
    const QString query = QStringLiteral("cddb query 0501ac02 2 150 20000 300");
    const bool saved = cache.saveUserEntry(query, discId, entry, trackCount);
    fuzz::check(saved == isCddbDiscId(discId), "an entry of any valid disc id is saved");
    if (!saved)
        return 0;
    const QByteArray file = fuzz::readFile(folder.file(QStringLiteral("CDDB/Custom/%1.txt").arg(discId)));
    const std::optional<CddbEntry> loaded = cache.load(query);
    fuzz::check(loaded.has_value(), "a saved entry loads", fuzz::shown(file));
    if (keptAsIs(entry)) {
        const bool same = loaded->artist == entry.artist && loaded->album == entry.album && loaded->year == entry.year
            && loaded->genre == entry.genre && loaded->titles == entry.titles;
        fuzz::check(same, "a saved entry comes back",
                    QStringLiteral("saved  %1\nloaded %2\nfile %3")
                        .arg(shownEntry(entry), shownEntry(*loaded), fuzz::shown(file)));
    }
    return 0;
}
