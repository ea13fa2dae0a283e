#include "cdrip/cddb/cddb_query.h"

namespace brenlow {
namespace {

int digitSum(int value)
{
    int sum = 0;
    for (; value > 0; value /= 10)
        sum += value % 10;
    return sum;
}

// Whole seconds of an address's MSF time (minutes * 60 + seconds, frames dropped).
int wholeSeconds(Lba address)
{
    return address.msfFrames() / kFramesPerSecond;
}

} // namespace

CddbQuery formatCddbQuery(const TrackTable& tracks)
{
    if (tracks.empty())
        return {};
    int n = 0;
    for (const Track& track : tracks.tracks())
        n += digitSum(wholeSeconds(track.start));
    const int playingSeconds = wholeSeconds(tracks.leadOut()) - wholeSeconds(tracks.tracks().front().start);
    const quint32 id = (static_cast<quint32>(n % 255) << 24) | (static_cast<quint32>(playingSeconds) << 8)
        | static_cast<quint32>(tracks.count());

    CddbQuery query;
    query.discId = QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
    query.command = QStringLiteral("cddb query ") + query.discId + QLatin1Char(' ') + QString::number(tracks.count())
        + QLatin1Char(' ');
    for (const Track& track : tracks.tracks())
        query.command += QString::number(track.start.msfFrames()) + QLatin1Char(' ');
    query.command += QString::number(wholeSeconds(tracks.leadOut())) + QLatin1Char(' ');
    return query;
}

} // namespace brenlow
