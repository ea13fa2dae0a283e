#include "platform/id3v1/id3v1_record.h"

#include "platform/profile/windows1252.h"

namespace quandor::id3v1 {
namespace {

void putText(QByteArray& record, int offset, int size, const QString& text)
{
    const QByteArray bytes = profile::toWindows1252(text).left(size);
    record.replace(offset, bytes.size(), bytes);
}

QString getText(const QByteArray& record, int offset, int size)
{
    QByteArray bytes = record.mid(offset, size);
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return profile::fromWindows1252(bytes);
}

} // namespace

QByteArray encodeId3v1(const Id3v1Fields& f)
{
    QByteArray record(kId3v1Bytes, '\0');
    record.replace(0, 3, "TAG");
    putText(record, 3, 30, f.title);
    putText(record, 33, 30, f.artist);
    putText(record, 63, 30, f.album);
    putText(record, 93, 4, f.year);
    const bool hasTrack = f.track > 0 && f.track <= 255;
    putText(record, 97, hasTrack ? 28 : 30, f.comment);
    if (hasTrack) {
        record[125] = '\0';
        record[126] = static_cast<char>(f.track);
    }
    record[127] = static_cast<char>(f.genre & 0xFF);
    return record;
}

std::optional<Id3v1Fields> decodeId3v1(const QByteArray& record)
{
    if (record.size() != kId3v1Bytes || !record.startsWith("TAG"))
        return std::nullopt;
    Id3v1Fields f;
    f.title = getText(record, 3, 30);
    f.artist = getText(record, 33, 30);
    f.album = getText(record, 63, 30);
    f.year = getText(record, 93, 4);
    const bool hasTrack = record[125] == '\0' && record[126] != '\0';
    f.comment = getText(record, 97, hasTrack ? 28 : 30);
    f.track = hasTrack ? static_cast<uint8_t>(record[126]) : 0;
    f.genre = static_cast<uint8_t>(record[127]);
    return f;
}

} // namespace quandor::id3v1
