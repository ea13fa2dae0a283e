// GetID3Tag and GetDurationTrack: both read only a few bytes of the file.

#include "platform/id3v1/id3v1_record.h"
#include "platform/id3v1/trailing_id3v1.h"
#include "platform/mac/ape_file_start.h"
#include "platform/mac/ape_link.h"
#include "platform/mac/mac_library.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace quandor::mac {

std::optional<ApeFileInfo> readApeStart(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Leading ID3v2 tags are stepped over by their headers, never read whole.
    qint64 leading = 0;
    for (;;) {
        if (!file.seek(leading))
            return std::nullopt;
        const qint64 tag = id3v2TagBytes(file.read(kId3v2HeaderBytes));
        if (tag == 0)
            break;
        leading += tag;
    }
    if (!file.seek(leading))
        return std::nullopt;
    return parseApeStartAt(file.read(4096), leading);
}

Result GetID3Tag(const QString& path, QByteArray& buffer)
{
    buffer = QByteArray(id3v1::kId3v1Bytes, '\0');
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::ReadFailed;
    if (const auto found = id3v1::findTrailingId3v1(file))
        buffer = found->record;
    return Result::Success;
}

int GetDurationTrack(const QString& path)
{
    const auto link = readApeLink(path);
    const auto info = readApeStart(link ? link->imagePath : path);
    if (!info || info->sampleRate == 0)
        return -1;
    std::uint64_t blocks = info->totalBlocks();
    if (link) {
        const auto end = std::min<std::uint64_t>(std::uint64_t(link->finishBlock), blocks);
        const auto start = std::min<std::uint64_t>(std::uint64_t(link->startBlock), end);
        blocks = end - start;
    }
    const std::uint64_t seconds = blocks / info->sampleRate;
    return seconds <= std::uint64_t(std::numeric_limits<int>::max()) ? int(seconds) : -1;
}

} // namespace quandor::mac
