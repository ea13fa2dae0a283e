#include "platform/id3v1/trailing_id3v1.h"

#include "platform/id3v1/id3v1_record.h"

namespace quandor::id3v1 {

std::optional<TrailingId3v1> findTrailingId3v1(QIODevice& file)
{
    const qint64 offset = file.size() - kId3v1Bytes;
    if (offset < 0 || !file.seek(offset))
        return std::nullopt;
    QByteArray record = file.read(kId3v1Bytes);
    if (record.size() != kId3v1Bytes || !record.startsWith("TAG"))
        return std::nullopt;
    return TrailingId3v1{offset, std::move(record)};
}

} // namespace quandor::id3v1
