#include "cdrip/cddb/cddb_query.h"

namespace brenlow {
namespace {

constexpr int kFramesPerSecond = 75;

int digitSum(int value)
{
    int sum = 0;
    for (; value > 0; value /= 10)
        sum += value % 10;
    return sum;
}

// Whole seconds on the MSF scale (minutes * 60 + seconds, frames dropped).
int wholeSeconds(int frame)
{
    return frame / kFramesPerSecond;
}

} // namespace

CddbQuery formatCddbQuery(const std::vector<CddbTrackSpan>& tracks)
{
    if (tracks.empty())
        return {};
    int n = 0;
    for (const CddbTrackSpan& track : tracks)
        n += digitSum(wholeSeconds(track.startFrame));
    const int leadOut = tracks.back().startFrame + tracks.back().lengthFrames;
    const int playingSeconds = wholeSeconds(leadOut) - wholeSeconds(tracks.front().startFrame);
    const quint32 id = (static_cast<quint32>(n % 255) << 24) | (static_cast<quint32>(playingSeconds) << 8)
        | static_cast<quint32>(tracks.size());

    CddbQuery query;
    query.discId = QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
    query.command = QStringLiteral("cddb query ") + query.discId + QLatin1Char(' ') + QString::number(tracks.size())
        + QLatin1Char(' ');
    for (const CddbTrackSpan& track : tracks)
        query.command += QString::number(track.startFrame) + QLatin1Char(' ');
    query.command += QString::number(leadOut / kFramesPerSecond) + QLatin1Char(' ');
    return query;
}

} // namespace brenlow
