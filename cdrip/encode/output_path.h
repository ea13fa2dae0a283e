#pragma once
// Where a ripped track goes: the output folder, optional artist and album
// folders, and a file name made from the naming pattern.

#include <QString>

namespace brenlow {

/// Replaces each of / \ : * ? < > | . in `text` with "_".
void CleanFileName(QString& text);

/// What names a track's file, copied from the settings and the main dialog.
struct OutputNaming {
    QString outputFolder;
    bool artistAlbumFolders = false;             ///< Ripper.ini [Output] Rep
    QString pattern = QStringLiteral("%N - %T"); ///< [Output] Nom
    QString artist;
    QString album;
    QString year;
};

struct OutputPath {
    QString path;         ///< the file to write; empty on failure
    QString failedFolder; ///< the folder that could not be created
    bool ok() const { return !path.isEmpty(); }
};

/// Builds the path of track `trackNumber` (1-based). Pattern codes: %N the
/// number with two digits at least, %T the title, %A the album, %C the artist,
/// %Y the year; one code per "%", any other character after "%" is kept as it
/// is, a lone "%" at the end is dropped. Every substituted text is cleaned, so
/// no name can leave the output folder; an empty artist or album skips its
/// folder level; each name is cut to 255 bytes at a character boundary, the
/// extension kept. Missing folders are created when `createFolders` is set.
OutputPath BuildOutputPath(const OutputNaming& naming, int trackNumber, const QString& title, const QString& extension,
                           bool createFolders = true);

} // namespace brenlow
