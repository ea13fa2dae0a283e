#include "platform/audio/audio_tag_info.h"

#include "platform/audio/asf_header.h"
#include "platform/audio/guarded_file_edit.h"

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

#include <algorithm>

namespace quandor::audio {

namespace {

/// `text` up to its first NUL: ID3v1 fields come NUL-padded, and the
/// padding is not part of the text.
QByteArray unpaddedUtf8(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return (nul < 0 ? text : text.left(nul)).toUtf8();
}

TagLib::String toTag(const QString& text)
{
    return TagLib::String(unpaddedUtf8(text).constData(), TagLib::String::UTF8);
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
    if (it == map.end() || it->second.isEmpty())
        return {};
    return fromTag(it->second.front());
}

/// The leading number of "3/12" or "2006-05-01".
long leadingNumber(const QString& text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end].isDigit())
        ++end;
    return end == 0 ? 0 : text.left(end).toLong();
}

/// Sets `key` to the UTF-8 `text`; an empty text removes the field.
void put(TagLib::PropertyMap& map, const char* key, const QByteArray& text)
{
    if (text.isEmpty())
        map.erase(key);
    else
        map.replace(key, TagLib::StringList(TagLib::String(text.constData(), TagLib::String::UTF8)));
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

/// Writes the fields into `path` through TagLib; true when the file took
/// them and still reads as audio afterwards.
bool writeTags(const QString& path, const AudioTagInfo& fields)
{
    bool saved = false;
    {
        TagLib::FileRef ref = openFile(path);
        if (!holdsAudio(ref) || ref.file()->readOnly())
            return false;
        TagLib::PropertyMap map = ref.file()->properties();
        for (const auto& [key, text] : fields.TextFields())
            put(map, key, text);

        if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(ref.file())) {
            mpeg->ID3v1Tag(true);
            mpeg->setProperties(map);
            saved = mpeg->save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                               TagLib::ID3v2::v3, TagLib::File::Duplicate);
        } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(ref.file())) {
            wav->setProperties(map);
            TagLib::RIFF::Info::Tag* info = wav->InfoTag();
            info->setTitle(toTag(fields.Title));
            info->setArtist(toTag(fields.Artist));
            info->setAlbum(toTag(fields.Album));
            info->setComment(toTag(fields.Comment));
            info->setGenre(map.contains("GENRE") ? map["GENRE"].front() : TagLib::String());
            info->setYear(fields.Year > 0 ? unsigned(fields.Year) : 0);
            info->setTrack(fields.Track > 0 ? unsigned(fields.Track) : 0);
            saved = wav->save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v3);
        } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(ref.file())) {
            dropDescriptionCopies(*asf->tag());
            asf->setProperties(map);
            saved = asf->save();
        } else {
            ref.file()->setProperties(map);
            saved = ref.file()->save();
        }
    }
    return saved && holdsAudio(openFile(path));
}

/// How much a save may grow a file: the new text several times over (ID3v2
/// and ID3v1 both, UTF-16) plus room for the padding writers add.
qint64 allowedGrowth(const AudioTagInfo& fields)
{
    qint64 text = 0;
    for (const QString* field :
         {&fields.Title, &fields.Artist, &fields.Album, &fields.Comment, &fields.EncodedBy, &fields.GenreText,
          &fields.Copyright, &fields.Composer, &fields.URL, &fields.OriginalArtist})
        text += field->toUtf8().size();
    constexpr qint64 kPaddingRoom = 256 * 1024;
    return 8 * text + kPaddingRoom;
}

/// A save takes a few milliseconds; the time-out leaves room for copying a
/// large file on a busy disk.
int saveTimeoutMs(const QString& path)
{
    constexpr qint64 kBase = 20000;
    constexpr qint64 kBytesPerMs = 16 * 1024;
    return int(std::min<qint64>(kBase + QFileInfo(path).size() / kBytesPerMs, 600000));
}

} // namespace

bool AudioTagInfo::SaveTags(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        lastError_ = QStringLiteral("The file does not exist: %1").arg(path);
        return false;
    }
    // TagLib edits a copy in a child process: a file it mishandles can neither
    // take the program down nor be left damaged or grown without end.
    const GuardedEditLimits limits{allowedGrowth(*this), saveTimeoutMs(path)};
    const auto write = [this](const QString& copy) { return writeTags(copy, *this); };
    // A WMA file's tags are all in its header: only the header is edited, and
    // a header that grows does not move the audio through a small buffer.
    const qint64 asfHeader = asfHeaderObjectSize(path);
    const bool saved =
        asfHeader > 0 ? editHeadGuarded(path, asfHeader, limits, write) : editCopyGuarded(path, limits, write);
    if (!saved) {
        lastError_ = QStringLiteral("Cannot write tags into %1").arg(path);
        return false;
    }
    lastError_.clear();
    return true;
}

TagFieldList AudioTagInfo::TextFields() const
{
    const auto text = unpaddedUtf8;
    // A genre number from the list wins; a free genre text is kept otherwise.
    const bool listed = Genre >= 0 && Genre < GenreCount;
    return {
        {"TITLE", text(Title)},
        {"ARTIST", text(Artist)},
        {"ALBUM", text(Album)},
        {"COMMENT", text(Comment)},
        {"ENCODEDBY", text(EncodedBy)},
        {"COPYRIGHT", text(Copyright)},
        {"COMPOSER", text(Composer)},
        {"URL", text(URL)},
        {"ORIGINALARTIST", text(OriginalArtist)},
        {"GENRE", text(listed ? GenreName(Genre) : GenreText)},
        {"DATE", Year > 0 ? QByteArray::number(qlonglong(Year)) : QByteArray()},
        {"TRACKNUMBER", Track > 0 ? QByteArray::number(Track) : QByteArray()},
    };
}

QString AudioTagInfo::GenreName(int genre)
{
    if (genre < 0 || genre >= GenreCount)
        return {};
    return fromTag(TagLib::ID3v1::genre(genre));
}

} // namespace quandor::audio
