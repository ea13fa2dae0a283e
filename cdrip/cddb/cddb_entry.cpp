#include "cdrip/cddb/cddb_entry.h"

#include "cdrip/cddb/cddb_reply.h"
#include "platform/profile/windows1252.h"

#include <QRegularExpression>

namespace brenlow {
namespace {

const QString kBanner = QStringLiteral("210 :::::::::::     Brenlow  ::::::::::::::::::::::::::::");

struct Fields {
    QString title, year, genre;
    bool hasTitle = false, hasYear = false, hasGenre = false;
    std::map<int, QString> tracks;
};

// A value continued on repeated keys is joined; DYEAR and DGENRE keep their first value.
void take(Fields& f, const QString& key, const QString& value)
{
    static const QRegularExpression trackKey(QRegularExpression::anchoredPattern(QStringLiteral("TTITLE(\\d{1,3})")));
    if (key == QStringLiteral("DTITLE")) {
        f.title += value;
        f.hasTitle = true;
    } else if (key == QStringLiteral("DYEAR") && !f.hasYear) {
        f.year = value;
        f.hasYear = true;
    } else if (key == QStringLiteral("DGENRE") && !f.hasGenre) {
        f.genre = value;
        f.hasGenre = true;
    } else if (const auto m = trackKey.match(key); m.hasMatch()) {
        f.tracks[m.captured(1).toInt()] += value;
    }
}

} // namespace

QString trimSpaces(const QString& text)
{
    return text.simplified();
}

QString replaceTitleChars(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (QStringLiteral("/\\:*?<>|").contains(c))
            c = QLatin1Char('_');
    }
    return out;
}

std::optional<CddbEntry> parseCddbEntry(QByteArrayView reply)
{
    const std::vector<QString> lines = cddbReplyLines(reply);
    if (lines.empty() || !lines.front().startsWith(QStringLiteral("210 ")))
        return std::nullopt;
    Fields f;
    for (size_t i = 1; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(QLatin1Char('='));
        if (eq > 0 && !lines[i].startsWith(QLatin1Char('#')))
            take(f, lines[i].first(eq), lines[i].sliced(eq + 1));
    }
    if (!f.hasTitle)
        return std::nullopt;

    CddbEntry entry;
    const qsizetype split = f.title.indexOf(QStringLiteral(" / "));
    if (split < 0) {
        entry.artist = entry.album = trimSpaces(f.title);
    } else {
        entry.artist = f.title.first(split);
        entry.album = trimSpaces(f.title.sliced(split + 3).section(QLatin1Char('/'), 0, 0));
    }
    entry.year = trimSpaces(f.year);
    entry.genre = f.genre;
    for (const auto& [index, title] : f.tracks)
        entry.titles[index] = replaceTitleChars(title);
    return entry;
}

QByteArray formatCddbUserEntry(const QString& discId, const CddbEntry& entry, int trackCount)
{
    QStringList lines = {
        kBanner,
        QString(67, QLatin1Char('*')),
        QString(),
        QStringLiteral("DISCID=") + discId,
        QStringLiteral("DTITLE=") + entry.artist + QStringLiteral(" / ") + entry.album,
        QStringLiteral("DYEAR=") + entry.year,
        QStringLiteral("DGENRE=") + entry.genre,
    };
    for (int i = 0; i < trackCount; ++i) {
        const auto title = entry.titles.find(i);
        lines.append(QStringLiteral("TTITLE%1=").arg(i) + (title == entry.titles.end() ? QString() : title->second));
    }
    QString text;
    for (QString line : lines) {
        line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += line + QStringLiteral("\r\n");
    }
    // One encoding for the whole file, the way it is read back: a line that needs
    // UTF-8 makes every line UTF-8.
    return quandor::profile::toStoredText(text);
}

} // namespace brenlow
