#include "cdrip/encode/id3v1_tag.h"

#include "platform/profile/windows1252.h"

#include <QFile>

namespace brenlow {
namespace {

void putText(QByteArray& block, int offset, int size, const QString& text)
{
    const QByteArray bytes = quandor::profile::toWindows1252(text).left(size);
    block.replace(offset, bytes.size(), bytes);
}

QString getText(const QByteArray& block, int offset, int size)
{
    QByteArray bytes = block.mid(offset, size);
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return quandor::profile::fromWindows1252(bytes);
}

bool startsWithTag(const QByteArray& block)
{
    return block.startsWith("TAG");
}

} // namespace

QByteArray encodeId3v1(const Id3v1Fields& f)
{
    QByteArray block(kId3v1Bytes, '\0');
    block.replace(0, 3, "TAG");
    putText(block, 3, 30, f.title);
    putText(block, 33, 30, f.artist);
    putText(block, 63, 30, f.album);
    putText(block, 93, 4, f.year);
    const bool hasTrack = f.track > 0 && f.track <= 255;
    putText(block, 97, hasTrack ? 28 : 30, f.comment);
    if (hasTrack) {
        block[125] = '\0';
        block[126] = static_cast<char>(f.track);
    }
    block[127] = static_cast<char>(f.genre & 0xFF);
    return block;
}

std::optional<Id3v1Fields> decodeId3v1(const QByteArray& block)
{
    if (block.size() != kId3v1Bytes || !startsWithTag(block))
        return std::nullopt;
    Id3v1Fields f;
    f.title = getText(block, 3, 30);
    f.artist = getText(block, 33, 30);
    f.album = getText(block, 63, 30);
    f.year = getText(block, 93, 4);
    const bool hasTrack = block[125] == '\0' && block[126] != '\0';
    f.comment = getText(block, 97, hasTrack ? 28 : 30);
    f.track = hasTrack ? static_cast<uint8_t>(block[126]) : 0;
    f.genre = static_cast<uint8_t>(block[127]);
    return f;
}

bool Id3v1Tag::write(const Id3v1Fields& fields) const
{
    if (path_.isEmpty() || !QFile::exists(path_))
        return false;
    QFile file(path_);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    qint64 at = file.size();
    if (at >= kId3v1Bytes && file.seek(at - kId3v1Bytes) && startsWithTag(file.read(3)))
        at -= kId3v1Bytes;
    const QByteArray block = encodeId3v1(fields);
    return file.seek(at) && file.write(block) == kId3v1Bytes && file.flush();
}

std::optional<Id3v1Fields> Id3v1Tag::read() const
{
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() < kId3v1Bytes)
        return std::nullopt;
    if (!file.seek(file.size() - kId3v1Bytes))
        return std::nullopt;
    return decodeId3v1(file.read(kId3v1Bytes));
}

} // namespace brenlow
