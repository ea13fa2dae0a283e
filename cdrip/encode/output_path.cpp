#include "cdrip/encode/output_path.h"

#include <QDir>
#include <QFileInfo>

namespace brenlow {
namespace {

constexpr qsizetype kMaxNameBytes = 255;

QString cleaned(QString text)
{
    CleanFileName(text);
    return text;
}

/// Cuts `base` so that base + suffix fits in 255 bytes of the file system's
/// encoding, never inside a character.
QString fitName(QString base, const QString& suffix)
{
    const qsizetype budget = kMaxNameBytes - QFile::encodeName(suffix).size();
    while (!base.isEmpty() && QFile::encodeName(base).size() > budget) {
        qsizetype cut = base.size() - 1;
        if (cut > 0 && base.at(cut).isLowSurrogate())
            --cut;
        base.truncate(cut);
    }
    return base + suffix;
}

QString expandPattern(const OutputNaming& naming, int trackNumber, const QString& title)
{
    QString name;
    const QString& pattern = naming.pattern;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%')) {
            // A separator typed into the pattern would point outside the folder.
            name += (c == QLatin1Char('/') || c == QLatin1Char('\\')) ? QLatin1Char('_') : c;
            continue;
        }
        if (++i >= pattern.size())
            break;
        switch (pattern.at(i).unicode()) {
        case 'N':
            name += QStringLiteral("%1").arg(trackNumber, 2, 10, QLatin1Char('0'));
            break;
        case 'T':
            name += cleaned(title);
            break;
        case 'A':
            name += cleaned(naming.album);
            break;
        case 'C':
            name += cleaned(naming.artist);
            break;
        case 'Y':
            name += cleaned(naming.year);
            break;
        case '/':
        case '\\':
            name += QLatin1Char('_');
            break;
        default:
            name += pattern.at(i);
            break;
        }
    }
    return name;
}

bool ensureFolder(const QString& folder, bool create)
{
    if (!create || QFileInfo(folder).isDir())
        return true;
    return QDir().mkpath(folder);
}

} // namespace

void CleanFileName(QString& text)
{
    static const QString forbidden = QStringLiteral("/\\:*?<>|.");
    for (QChar& c : text) {
        if (forbidden.contains(c) || c.unicode() == 0)
            c = QLatin1Char('_');
    }
}

OutputPath BuildOutputPath(const OutputNaming& naming, int trackNumber, const QString& title, const QString& extension,
                           bool createFolders)
{
    QString folder = naming.outputFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (!ensureFolder(folder, createFolders))
        return {QString(), folder};
    if (naming.artistAlbumFolders) {
        for (const QString* level : {&naming.artist, &naming.album}) {
            const QString name = cleaned(level->trimmed());
            if (name.isEmpty())
                continue;
            folder += QLatin1Char('/') + fitName(name, QString());
            if (!ensureFolder(folder, createFolders))
                return {QString(), folder};
        }
    }
    const QString fileName = fitName(expandPattern(naming, trackNumber, title), QLatin1Char('.') + extension);
    return {folder + QLatin1Char('/') + fileName, QString()};
}

} // namespace brenlow
