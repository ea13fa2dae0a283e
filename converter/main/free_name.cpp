#include "converter/main/free_name.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

namespace {

// Any entry counts as taken, a folder or a dangling link included.
bool nameTaken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString withSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

QString takeFreeName(QString& base, const QString& ext)
{
    if (!nameTaken(base + ext))
        return base + ext;
    for (qint64 n = 1;; ++n) {
        const QString numbered = base + QLatin1Char('(') + QString::number(n) + QLatin1Char(')');
        if (!nameTaken(numbered + ext)) {
            base = numbered;
            return numbered + ext;
        }
    }
}

QString temporaryWavName(const QString& tempFolder, const QString& sourcePath)
{
    const QString fileName = QFileInfo(sourcePath).fileName();
    // "song.m4a" → "song" + ".wav"; a name without extension just gains ".wav".
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return withSeparator(tempFolder) + (dot > 0 ? fileName.left(dot) : fileName) + QStringLiteral(".wav");
}

QString temporaryFolder()
{
    return withSeparator(QDir::tempPath());
}

} // namespace tavrel
