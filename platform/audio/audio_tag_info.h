#pragma once
// The tag object of the converter, over TagLib: reads and writes the common
// fields of MP3 (ID3v2 and ID3v1), Ogg Vorbis (comments), WMA (ASF), M4A,
// WAV (RIFF INFO and ID3) and APE (APEv2) files.

#include "platform/audio/guarded_file_edit.h"
#include "platform/audio/tag_fields.h"

#include <QString>

namespace quandor::audio {

class AudioTagInfo {
public:
    static constexpr int NoGenre = -1; ///< read back when a file names no ID3v1 genre
    static constexpr int GenreCount = 148;

    int TagVersion = 2;
    QString Title;
    QString Artist;
    QString Album;
    QString Comment;
    QString EncodedBy;
    QString GenreText;
    QString Copyright;
    QString Composer;
    QString URL;
    QString OriginalArtist;
    int Genre = NoGenre; ///< 0..147; anything else (-1, 255) means none and is not written
    long Year = 0;       ///< 0 = none
    int Track = 0;       ///< 0 = none

    /// Fills the fields from the file's tags; false (fields cleared) when the
    /// file cannot be opened as a tagged audio file.
    bool LoadTags(const QString& path);
    /// Writes the fields into the file; false, with the reason in
    /// LastError() and the file left as it was, when it cannot be tagged
    /// (among others a full disk, a file the user may not write, or a save
    /// that would change the audio).
    bool SaveTags(const QString& path);
    /// Writes the fields into a file the program itself is writing and has
    /// not yet named (an encoder's finished output, opened through
    /// `workingPath`; `finalName` gives its format by its extension): no
    /// copy of it is made, as there is nothing of the user's to keep. False,
    /// with the reason in LastError(), when the file took no tags; when a
    /// write failed half-way, LastSaveDamagedFile() says so too.
    bool SaveTagsToOwnFile(const QString& workingPath, const QString& finalName);
    /// After SaveTagsToOwnFile failed: a write of the save failed half-way,
    /// so the file is no longer whole (and must not be given its name).
    bool LastSaveDamagedFile() const { return lastSaveDamaged_; }
    /// The text fields SaveTags writes, in a fixed order, each as a save
    /// stores it (empty: removed).
    TagFieldList TextFields() const;

    /// The ID3v1 genre name of `genre` (0..147), empty otherwise.
    static QString GenreName(int genre);

    QString LastError() const { return lastError_; }
    /// After a failed save that may have damaged the file: where its former
    /// contents are kept. Empty otherwise.
    QString LastKeptCopy() const { return lastKeptCopy_; }

private:
    GuardedEditResult save(const QString& path) const;

    QString lastError_;
    QString lastKeptCopy_;
    bool lastSaveDamaged_ = false;
};

} // namespace quandor::audio
