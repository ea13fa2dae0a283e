#include "cdrip/encode/id3v1_tag.h"

#include <QFile>

namespace brenlow {

bool Id3v1Tag::write(const Id3v1Fields& fields) const
{
    if (path_.isEmpty() || !QFile::exists(path_))
        return false;
    QFile file(path_);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    qint64 at = file.size();
    if (at >= kId3v1Bytes && file.seek(at - kId3v1Bytes) && file.read(3) == "TAG")
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
