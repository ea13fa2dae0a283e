#include "cdrip/encode/id3v1_tag.h"

#include "platform/id3v1/trailing_id3v1.h"

#include <QFile>

namespace brenlow {

using quandor::id3v1::findTrailingId3v1;

bool Id3v1Tag::write(const Id3v1Fields& fields) const
{
    if (path_.isEmpty() || !QFile::exists(path_))
        return false;
    QFile file(path_);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const auto old = findTrailingId3v1(file);
    const qint64 at = old ? old->offset : file.size();
    const QByteArray block = encodeId3v1(fields);
    return file.seek(at) && file.write(block) == kId3v1Bytes && file.flush();
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
