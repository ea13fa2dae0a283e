#include "platform/audio/audio_tag_info.h"

#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>

#include <QFile>
#include <QFileInfo>

namespace quandor::audio {

namespace {

TagLib::String toTag(const QString& text)
{
    // ID3v1 fields come NUL-padded; the padding is not part of the text.
    const qsizetype nul = text.indexOf(QChar(0));
    const QString clean = nul < 0 ? text : text.left(nul);
    return TagLib::String(clean.toUtf8().constData(), TagLib::String::UTF8);
}

QString fromTag(const TagLib::String& text)
{
    const QString value = QString::fromUtf8(text.toCString(true));
    const qsizetype nul = value.indexOf(QChar(0));
    return nul < 0 ? value : value.left(nul);
}

QString firstValue(const TagLib::PropertyMap& map, const char* key)
{
    const auto it = map.find(key);
    if (it == map.end() || it->second.isEmpty()) return {};
    return fromTag(it->second.front());
}

/// The leading number of "3/12" or "2006-05-01".
long leadingNumber(const QString& text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end].isDigit()) ++end;
    return end == 0 ? 0 : text.left(end).toLong();
}

/// Sets `key` to `value`; an empty value removes the field.
void put(TagLib::PropertyMap& map, const char* key, const QString& value)
{
    const TagLib::String text = toTag(value);
    if (text.isEmpty()) map.erase(key);
    else map.replace(key, TagLib::StringList(text));
}

TagLib::FileRef openFile(const QString& path)
{
    return TagLib::FileRef(QFile::encodeName(path).constData(), true, TagLib::AudioProperties::Fast);
}

/// Only files that hold audio are tagged: a text file named .mp3 stays untouched.
bool holdsAudio(const TagLib::FileRef& ref)
{
    return !ref.isNull() && ref.audioProperties() && ref.audioProperties()->sampleRate() > 0;
}

} // namespace

bool AudioTagInfo::LoadTags(const QString& path)
{
    Title = Artist = Album = Comment = EncodedBy = GenreText = Copyright = Composer = URL = OriginalArtist = QString();
    Genre = NoGenre;
    Year = 0;
    Track = 0;
    TagLib::FileRef ref = openFile(path);
    if (!holdsAudio(ref)) {
        lastError_ = QStringLiteral("Cannot read the tags of %1").arg(path);
        return false;
    }
    const TagLib::PropertyMap map = ref.file()->properties();
    Title = firstValue(map, "TITLE");
    Artist = firstValue(map, "ARTIST");
    Album = firstValue(map, "ALBUM");
    Comment = firstValue(map, "COMMENT");
    EncodedBy = firstValue(map, "ENCODEDBY");
    GenreText = firstValue(map, "GENRE");
    Copyright = firstValue(map, "COPYRIGHT");
    Composer = firstValue(map, "COMPOSER");
    URL = firstValue(map, "URL");
    OriginalArtist = firstValue(map, "ORIGINALARTIST");
    Year = leadingNumber(firstValue(map, "DATE"));
    Track = int(leadingNumber(firstValue(map, "TRACKNUMBER")));
    if (!GenreText.isEmpty()) {
        const int index = TagLib::ID3v1::genreIndex(toTag(GenreText));
        Genre = index >= 0 && index < GenreCount ? index : NoGenre;
    }
    lastError_.clear();
    return true;
}

namespace {

// Some writers repeat the title, author, copyright and description of an ASF
// file as extended attributes ("title", "Author"); readers take those over the
// content description, so a saved title would not show. The content
// description is the one place for them.
void dropDescriptionCopies(TagLib::ASF::Tag& tag)
{
    static const char* const kDescriptionFields[] = {"title", "author", "copyright", "description", "rating"};
    TagLib::StringList doomed;
    for (const auto& [name, attributes] : tag.attributeListMap()) {
        for (const char* field : kDescriptionFields) {
            if (QString::fromStdString(name.to8Bit(true)).compare(QLatin1String(field), Qt::CaseInsensitive) == 0)
                doomed.append(name);
        }
    }
    for (const TagLib::String& name : doomed)
        tag.removeItem(name);
}

} // namespace

bool AudioTagInfo::SaveTags(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        lastError_ = QStringLiteral("The file does not exist: %1").arg(path);
        return false;
    }
    TagLib::FileRef ref = openFile(path);
    if (!holdsAudio(ref) || ref.file()->readOnly()) {
        lastError_ = QStringLiteral("Cannot write tags into %1").arg(path);
        return false;
    }
    TagLib::PropertyMap map = ref.file()->properties();
    put(map, "TITLE", Title);
    put(map, "ARTIST", Artist);
    put(map, "ALBUM", Album);
    put(map, "COMMENT", Comment);
    put(map, "ENCODEDBY", EncodedBy);
    put(map, "COPYRIGHT", Copyright);
    put(map, "COMPOSER", Composer);
    put(map, "URL", URL);
    put(map, "ORIGINALARTIST", OriginalArtist);
    // A genre number from the list wins; a free genre text is kept otherwise.
    put(map, "GENRE", Genre >= 0 && Genre < GenreCount ? GenreName(Genre) : GenreText);
    put(map, "DATE", Year > 0 ? QString::number(Year) : QString());
    put(map, "TRACKNUMBER", Track > 0 ? QString::number(Track) : QString());

    bool saved = false;
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(ref.file())) {
        mpeg->ID3v1Tag(true);
        mpeg->setProperties(map);
        saved = mpeg->save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                           TagLib::ID3v2::v3, TagLib::File::Duplicate);
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(ref.file())) {
        wav->setProperties(map);
        TagLib::RIFF::Info::Tag* info = wav->InfoTag();
        info->setTitle(toTag(Title));
        info->setArtist(toTag(Artist));
        info->setAlbum(toTag(Album));
        info->setComment(toTag(Comment));
        info->setGenre(map.contains("GENRE") ? map["GENRE"].front() : TagLib::String());
        info->setYear(Year > 0 ? unsigned(Year) : 0);
        info->setTrack(Track > 0 ? unsigned(Track) : 0);
        saved = wav->save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v3);
    } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(ref.file())) {
        dropDescriptionCopies(*asf->tag());
        asf->setProperties(map);
        saved = asf->save();
    } else {
        ref.file()->setProperties(map);
        saved = ref.file()->save();
    }
    if (!saved) {
        lastError_ = QStringLiteral("Cannot write tags into %1").arg(path);
        return false;
    }
    lastError_.clear();
    return true;
}

QString AudioTagInfo::GenreName(int genre)
{
    if (genre < 0 || genre >= GenreCount) return {};
    return fromTag(TagLib::ID3v1::genre(genre));
}

} // namespace quandor::audio
