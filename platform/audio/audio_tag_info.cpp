#include "platform/audio/audio_tag_info.h"

#include "platform/audio/asf_header.h"
#include "platform/audio/audio_stream_check.h"
#include "platform/audio/checked_tag_stream.h"
#include "platform/audio/guarded_file_edit.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include "platform/files/file_descriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

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

/// `path` opened by TagLib as `format`, the format its content is: never
/// as the format its name suggests, nor as one TagLib guesses from a few bytes.
std::unique_ptr<TagLib::File> openAs(TaggedFormat format, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const char* file = name.constData();
    constexpr auto fast = TagLib::AudioProperties::Fast;
    switch (format) {
    case TaggedFormat::Mpeg:
        return std::make_unique<TagLib::MPEG::File>(file, true, fast);
    case TaggedFormat::Wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(file, true, fast);
    case TaggedFormat::Aiff:
        return std::make_unique<TagLib::RIFF::AIFF::File>(file, true, fast);
    case TaggedFormat::Asf:
        return std::make_unique<TagLib::ASF::File>(file, true, fast);
    case TaggedFormat::Mp4:
        return std::make_unique<TagLib::MP4::File>(file, true, fast);
    case TaggedFormat::Ape:
        return std::make_unique<TagLib::APE::File>(file, true, fast);
    case TaggedFormat::Flac:
        return std::make_unique<TagLib::FLAC::File>(file, true, fast);
    case TaggedFormat::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(file, true, fast);
    case TaggedFormat::OggOpus:
        return std::make_unique<TagLib::Ogg::Opus::File>(file, true, fast);
    case TaggedFormat::OggSpeex:
        return std::make_unique<TagLib::Ogg::Speex::File>(file, true, fast);
    case TaggedFormat::OggFlac:
        return std::make_unique<TagLib::Ogg::FLAC::File>(file, true, fast);
    case TaggedFormat::None:
        break;
    }
    return {};
}

/// Only files that hold audio are tagged: a text file named .mp3 stays untouched.
bool holdsAudio(const TagLib::File* file)
{
    return file && file->isValid() && file->audioProperties() && file->audioProperties()->sampleRate() > 0;
}

} // namespace

bool AudioTagInfo::LoadTags(const QString& path)
{
    Title = Artist = Album = Comment = EncodedBy = GenreText = Copyright = Composer = URL = OriginalArtist = QString();
    Genre = NoGenre;
    Year = 0;
    Track = 0;
    const std::unique_ptr<TagLib::File> file = openAs(taggedFormatOf(path), path);
    if (!holdsAudio(file.get())) {
        lastError_ = QStringLiteral("Cannot read the tags of %1").arg(path);
        return false;
    }
    const TagLib::PropertyMap map = file->properties();
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

/// True when `map` holds each of `fields` the format took as it was written
/// (a frame TagLib cannot read, such as an encrypted title, may still stand
/// ahead of the new one).
bool readsBack(const TagLib::PropertyMap& map, const TagFieldList& fields, const TagLib::PropertyMap& unsupported)
{
    for (const auto& [key, text] : fields) {
        if (unsupported.contains(key))
            continue;
        if (firstValue(map, key) != QString::fromUtf8(text))
            return false;
    }
    return true;
}

/// Readers that know only a WAV file's RIFF INFO chunk find the fields there
/// too.
void fillInfoTag(TagLib::RIFF::Info::Tag& info, const TagLib::PropertyMap& map, const AudioTagInfo& fields)
{
    info.setTitle(toTag(fields.Title));
    info.setArtist(toTag(fields.Artist));
    info.setAlbum(toTag(fields.Album));
    info.setComment(toTag(fields.Comment));
    info.setGenre(map.contains("GENRE") ? map["GENRE"].front() : TagLib::String());
    info.setYear(fields.Year > 0 ? unsigned(fields.Year) : 0);
    info.setTrack(fields.Track > 0 ? unsigned(fields.Track) : 0);
}

/// Puts the fields into the open `file` and saves it; true when TagLib says
/// it did. `unsupported` gets the fields the format cannot hold.
bool saveFields(TagLib::File& file, const AudioTagInfo& fields, TagLib::PropertyMap& unsupported)
{
    TagLib::PropertyMap map = file.properties();
    for (const auto& [key, text] : fields.TextFields())
        put(map, key, text);

    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(&file)) {
        mpeg->ID3v1Tag(true);
        unsupported = mpeg->setProperties(map);
        return mpeg->save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                          TagLib::ID3v2::v3, TagLib::File::Duplicate);
    }
    if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(&file)) {
        unsupported = wav->setProperties(map);
        fillInfoTag(*wav->InfoTag(), map, fields);
        return wav->save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v3);
    }
    if (auto* asf = dynamic_cast<TagLib::ASF::File*>(&file)) {
        dropDescriptionCopies(*asf->tag());
        unsupported = asf->setProperties(map);
        return asf->save();
    }
    unsupported = file.setProperties(map);
    return file.save();
}

/// Writes the fields into `path` through TagLib; true when the file took
/// them, still reads as audio afterwards and gives them back.
bool writeTags(const QString& path, TaggedFormat format, const AudioTagInfo& fields)
{
    bool saved = false;
    TagLib::PropertyMap unsupported;
    {
        const std::unique_ptr<TagLib::File> file = openAs(format, path);
        if (!holdsAudio(file.get()) || file->readOnly())
            return false;
        saved = saveFields(*file, fields, unsupported);
    }
    if (!saved)
        return false;
    const std::unique_ptr<TagLib::File> written = openAs(format, path);
    return holdsAudio(written.get()) && readsBack(written->properties(), fields.TextFields(), unsupported);
}

/// `stream` opened by TagLib as `format`, for the formats the program writes
/// its outputs in; null for the others.
std::unique_ptr<TagLib::File> openOn(TaggedFormat format, TagLib::IOStream* stream)
{
    constexpr auto fast = TagLib::AudioProperties::Fast;
    switch (format) {
    case TaggedFormat::Mpeg:
        return std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(), true, fast);
    case TaggedFormat::Wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, true, fast);
    case TaggedFormat::Asf:
        return std::make_unique<TagLib::ASF::File>(stream, true, fast);
    case TaggedFormat::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, true, fast);
    default:
        return nullptr;
    }
}

struct OwnSave {
    bool saved = false;
    int failure = 0; ///< the errno of a write that failed half-way: the file is damaged
};

/// writeTags for the program's own file `fd` (reached at `path`), with every
/// write of the save checked.
OwnSave writeOwnTags(int fd, const QString& path, TaggedFormat format, const AudioTagInfo& fields)
{
    const QByteArray name = QFile::encodeName(path);
    CheckedTagStream stream(fd, name);
    if (!stream.isOpen())
        return {false, errno};
    bool saved = false;
    TagLib::PropertyMap unsupported;
    {
        const std::unique_ptr<TagLib::File> file = openOn(format, &stream);
        if (!file)
            return {writeTags(path, format, fields), 0};
        if (!holdsAudio(file.get()))
            return {};
        saved = saveFields(*file, fields, unsupported);
    }
    if (stream.failure() != 0)
        return {false, stream.failure()};
    if (!saved)
        return {};
    CheckedTagStream reading(fd, name);
    const std::unique_ptr<TagLib::File> written = openOn(format, &reading);
    return {holdsAudio(written.get()) && readsBack(written->properties(), fields.TextFields(), unsupported), 0};
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
    const GuardedEditResult result = save(path);
    lastError_ = result.error;
    lastKeptCopy_ = result.keptCopy;
    return result.saved;
}

GuardedEditResult AudioTagInfo::save(const QString& path) const
{
    if (!QFileInfo(path).isFile())
        return {false, QStringLiteral("the file does not exist")};
    const TaggedFormat format = taggedFormatOf(path);
    if (format == TaggedFormat::None)
        return {false, QStringLiteral("the file is no audio file that can hold tags")};
    // TagLib edits a copy in a child process: a file it mishandles can neither
    // take the program down nor be left damaged or grown without end. The
    // copy replaces the file only with its audio unchanged, as FFmpeg reads it.
    const GuardedEditLimits limits{allowedGrowth(*this), saveTimeoutMs(path)};
    const auto write = [this, format](const QString& copy) { return writeTags(copy, format, *this); };
    const auto check = [](const QString& original, const QString& copy) { return audioDifference(original, copy); };
    if (format != TaggedFormat::Asf)
        return editCopyGuarded(path, limits, write, check);
    // A WMA file's tags are all in its header: only the header is edited, and
    // a header that grows does not move the audio through a small buffer. The
    // tag writer replaces as much of the file as the header claims, so a
    // header whose contents do not bear out its size is not edited.
    const qint64 asfHeader = asfHeaderObjectSize(path);
    if (asfHeader < 0)
        return {false, QStringLiteral("the header of this WMA file does not match its contents")};
    return editHeadGuarded(path, asfHeader, limits, write, check);
}

namespace {

/// Room for a tag writer that grows `fd` by up to `growth` bytes in place. It
/// does not check its writes, so a full disk or a size limit would cut the
/// file without a word: the room is taken first, and a file without it is
/// not tagged. 0, or the errno of the lack.
int reserveRoom(int fd, qint64 growth)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return errno;
    const qint64 needed = qint64(info.st_size) + growth;
    rlimit size{};
    if (::getrlimit(RLIMIT_FSIZE, &size) == 0 && size.rlim_cur != RLIM_INFINITY && qint64(size.rlim_cur) < needed)
        return EFBIG;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(needed)) != 0 && errno != EOPNOTSUPP)
        return errno;
    return 0;
}

/// Gives back what reserveRoom took beyond the file's end.
void releaseRoom(int fd, qint64 growth)
{
    struct stat info {};
    if (::fstat(fd, &info) == 0)
        ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, info.st_size, off_t(growth + 4096));
}

/// The format of an output by the extension the program gave it.
TaggedFormat outputFormatOf(const QString& finalName, const QString& workingPath)
{
    const QString suffix = QFileInfo(finalName).suffix().toLower();
    if (suffix == QLatin1String("mp3"))
        return TaggedFormat::Mpeg;
    if (suffix == QLatin1String("wav"))
        return TaggedFormat::Wav;
    if (suffix == QLatin1String("ogg"))
        return TaggedFormat::OggVorbis;
    if (suffix == QLatin1String("wma"))
        return TaggedFormat::Asf;
    return taggedFormatOf(workingPath);
}

} // namespace

bool AudioTagInfo::SaveTagsToOwnFile(const QString& workingPath, const QString& finalName)
{
    lastKeptCopy_.clear();
    lastSaveDamaged_ = false;
    const TaggedFormat format = outputFormatOf(finalName, workingPath);
    if (format == TaggedFormat::None) {
        lastError_ = QStringLiteral("the file is no audio file that can hold tags");
        return false;
    }
    const files::FileDescriptor file(::open(QFile::encodeName(workingPath).constData(), O_RDWR | O_CLOEXEC));
    const qint64 growth = allowedGrowth(*this);
    if (const int error = file ? reserveRoom(file.get(), growth) : errno) {
        lastError_ = QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    const OwnSave written = writeOwnTags(file.get(), workingPath, format, *this);
    releaseRoom(file.get(), growth);
    if (written.failure != 0) {
        lastSaveDamaged_ = true;
        lastError_ =
            QStringLiteral("Cannot write %1: %2")
                .arg(QDir::toNativeSeparators(finalName), QString::fromLocal8Bit(std::strerror(written.failure)));
        return false;
    }
    if (!written.saved) {
        lastError_ = QStringLiteral("the tag writer could not write the tags into this file");
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
