#pragma once
// The ID3v1 tag of a ripped MP3 file: the record (platform/id3v1) read from
// and written at the end of the file.

#include "platform/id3v1/id3v1_record.h"

#include <QString>
#include <optional>

namespace brenlow {

using quandor::id3v1::decodeId3v1;
using quandor::id3v1::encodeId3v1;
using quandor::id3v1::Id3v1Fields;
using quandor::id3v1::kId3v1Bytes;
using quandor::id3v1::kNoGenre;

/// The tag of one file.
class Id3v1Tag {
public:
    explicit Id3v1Tag(QString path) : path_(std::move(path)) {}

    /// Writes the tag over an existing one, else appends it (a file shorter
    /// than a tag keeps every byte). False when the file cannot be opened or
    /// the write fails (a full disk): the file then ends as it did.
    bool write(const Id3v1Fields& fields) const;
    /// The file's tag; nothing when it has none or cannot be read.
    std::optional<Id3v1Fields> read() const;

private:
    QString path_;
};

} // namespace brenlow
