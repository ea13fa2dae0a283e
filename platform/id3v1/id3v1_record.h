#pragma once
// The 128-byte ID3v1 record at the end of an audio file: "TAG", title, artist
// and album (30 bytes each), year (4), comment (30), genre (1). ID3v1.1 keeps a
// track number in byte 126 when byte 125 is zero, the comment then being 28
// bytes; an ID3v1.0 record (byte 125 not zero) has no track number. Texts are
// Windows-1252, cut at their first NUL.

#include <QByteArray>
#include <QString>
#include <optional>

namespace quandor::id3v1 {

constexpr int kId3v1Bytes = 128;
constexpr int kNoGenre = 255;

struct Id3v1Fields {
    QString title;        ///< 30 bytes on disk
    QString artist;       ///< 30
    QString album;        ///< 30
    QString year;         ///< 4
    QString comment;      ///< 30, or 28 when a track number is kept
    int track = 0;        ///< 1..255; 0 = none
    int genre = kNoGenre; ///< 0..147 a genre of the table, 255 none

    bool operator==(const Id3v1Fields&) const = default;
};

/// The record for `fields`; texts are cut to their field sizes.
QByteArray encodeId3v1(const Id3v1Fields& fields);
/// The fields of a 128-byte record, or nothing when it does not begin with "TAG".
std::optional<Id3v1Fields> decodeId3v1(const QByteArray& record);

} // namespace quandor::id3v1
