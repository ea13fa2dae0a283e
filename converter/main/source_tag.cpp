#include "converter/main/source_tag.h"

#include "platform/audio/audio_tag_info.h"
#include "platform/id3v1/id3v1_record.h"
#include "platform/mac/mac_library.h"

namespace tavrel {

std::optional<TagValues> readSourceTagValues(const QString& path)
{
    quandor::audio::AudioTagInfo tag;
    if (!tag.LoadTags(path))
        return std::nullopt;
    return TagValues{.title = tag.Title,
                     .artist = tag.Artist,
                     .album = tag.Album,
                     .comment = tag.Comment,
                     .year = QString::number(tag.Year),
                     .genre = tag.Genre,
                     .track = tag.Track};
}

std::optional<TagValues> readApeTagValues(const QString& path)
{
    QByteArray record;
    quandor::mac::GetID3Tag(path, record);
    const std::optional<quandor::id3v1::Id3v1Fields> fields = quandor::id3v1::decodeId3v1(record);
    if (!fields)
        return std::nullopt;
    return TagValues{.title = fields->title,
                     .artist = fields->artist,
                     .album = fields->album,
                     .comment = fields->comment,
                     .year = fields->year,
                     .genre = fields->genre,
                     .track = fields->track};
}

} // namespace tavrel
