#pragma once
// The 128-byte ID3v1 tag at the end of an MP3 file (v1.1: a track number in
// byte 126 when byte 125 is zero). Texts are Windows-1252.

#include <QByteArray>
#include <QString>
#include <optional>

namespace brenlow {

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

/// The block for `fields`; texts are cut to their field sizes.
QByteArray encodeId3v1(const Id3v1Fields& fields);
/// The fields of a 128-byte block, or nothing when it does not begin with "TAG".
std::optional<Id3v1Fields> decodeId3v1(const QByteArray& block);

/// The tag of one file.
class Id3v1Tag {
public:
    explicit Id3v1Tag(QString path) : path_(std::move(path)) {}

    /// Writes the tag over an existing one, else appends it (a file shorter
    /// than a tag keeps every byte). False when the file cannot be opened or
    /// the write fails.
    bool write(const Id3v1Fields& fields) const;
    /// The file's tag; nothing when it has none or cannot be read.
    std::optional<Id3v1Fields> read() const;

private:
    QString path_;
};

} // namespace brenlow
