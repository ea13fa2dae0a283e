#include "cdrip/cddb/cddb_query.h"
#include "cdrip/cddb/cddb_url.h"

#include <gtest/gtest.h>

using namespace brenlow;

namespace {

// A disc whose tracks start at these frames on the MSF scale (the address +
// 150), each running up to the next, the last up to the lead-out.
TrackTable disc(const std::vector<int>& msfStarts, int leadOutFrame)
{
    std::vector<Track> tracks;
    for (std::size_t i = 0; i < msfStarts.size(); ++i) {
        Track track;
        track.number = static_cast<int>(i) + 1;
        track.start = Lba::fromMsfFrames(msfStarts[i]);
        track.lengthFrames = (i + 1 < msfStarts.size() ? msfStarts[i + 1] : leadOutFrame) - msfStarts[i];
        tracks.push_back(track);
    }
    TrackTable table;
    table.setTracks(std::move(tracks), Lba::fromMsfFrames(leadOutFrame));
    return table;
}

// Two tracks at 00:02:00 and 03:30:45, lead-out at 07:10:20.
const TrackTable kTwoTracks = disc({150, 15795}, 32270);

CddbServerSettings server()
{
    return {QStringLiteral("http://127.0.0.1:8880/"), QStringLiteral("~cddb/cddb.cgi"), QStringLiteral("anon ymous"),
            QStringLiteral("example.org/a&b")};
}

} // namespace

TEST(CddbQuery, DiscIdAndCommandOfTheTwoTrackDisc)
{
    const CddbQuery query = formatCddbQuery(kTwoTracks);
    EXPECT_EQ(query.discId, QStringLiteral("0501ac02"));
    EXPECT_EQ(query.command, QStringLiteral("cddb query 0501ac02 2 150 15795 430 "));
}

TEST(CddbQuery, PlayingTimeDropsTheFramesOfBothEndsBeforeSubtracting)
{
    // Track 1 at frame 182 (2 s 32 f), lead-out at 30010 (400 s 10 f): whole
    // seconds 400 - 2 = 398, where (30010 - 182) / 75 would give 397.
    const CddbQuery query = formatCddbQuery(disc({182, 20000}, 30010));
    EXPECT_EQ(query.discId, QStringLiteral("10018e02")); // digits 2 + 14 = 16, 398 s, 2 tracks
    EXPECT_EQ(query.command, QStringLiteral("cddb query 10018e02 2 182 20000 400 "));
}

TEST(CddbQuery, EdgeDiscs)
{
    EXPECT_TRUE(formatCddbQuery(TrackTable{}).command.isEmpty());
    // One track starting late (first track 2 on the disc): the playing time counts from it.
    const CddbQuery one = formatCddbQuery(disc({4500}, 4500 + 75 * 100));
    EXPECT_EQ(one.discId, QStringLiteral("06006401")); // digits of 60 → 6, 100 s, 1 track
    // 99 tracks: the digit sum wraps modulo 255 and every frame is listed.
    std::vector<int> starts;
    for (int i = 0; i < 99; ++i)
        starts.push_back(150 + i * 7500);
    const CddbQuery full = formatCddbQuery(disc(starts, 150 + 99 * 7500));
    EXPECT_EQ(full.discId, QStringLiteral("3c26ac63")); // 1080 mod 255 = 60, 9900 s, 99 tracks
    EXPECT_EQ(full.command.count(QLatin1Char(' ')), 4 + 99 + 1);
}

TEST(CddbUrl, QueryAndReadUrlsEscapeWhatTheServerExpects)
{
    const CddbQuery query = formatCddbQuery(kTwoTracks);
    EXPECT_EQ(buildCddbQueryUrl(server(), query.command),
              QStringLiteral("http://127.0.0.1:8880/~cddb/cddb.cgi?cmd=cddb+query+0501ac02+2+150+15795+430+"
                             "&hello=anon%20ymous+example.org%2Fa%26b+Brenlow+1.4&proto=5"));
    EXPECT_EQ(buildCddbReadUrl(server(), QStringLiteral("rock"), QStringLiteral("0501ac02")),
              QStringLiteral("http://127.0.0.1:8880/~cddb/cddb.cgi?cmd=cddb+read+rock+0501ac02+"
                             "&hello=anon%20ymous+example.org%2Fa%26b+Brenlow+1.4&proto=5"));
}
