#include "cdrip/encode/id3v1_tag.h"

#include "platform/id3v1/trailing_id3v1.h"

#include <QFile>

namespace brenlow {

using quandor::id3v1::findTrailingId3v1;

bool Id3v1Tag::write(const Id3v1Fields& fields) const
{
    if (path_.isEmpty() || !QFile::exists(path_))
        return false;
    // Unbuffered, so that a write the disk has no room for fails here and
    // leaves nothing pending that would stop the cut below.
    QFile file(path_);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const qint64 size = file.size();
    const auto old = findTrailingId3v1(file);
    const qint64 at = old ? old->offset : size;
    if (file.seek(at) && file.write(encodeId3v1(fields)) == kId3v1Bytes)
        return true;
    file.resize(size); // no part of a tag stays behind the audio
    return false;
}

std::optional<Id3v1Fields> Id3v1Tag::read() const
{
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto found = findTrailingId3v1(file);
    return found ? decodeId3v1(found->record) : std::nullopt;
}

} // namespace brenlow
