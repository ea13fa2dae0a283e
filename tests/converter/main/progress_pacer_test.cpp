// The paced progress displays: while a run is under way, reports reach the
// displays at most once per interval and only at a yield, and the event loop
// runs at most once per yield interval; settling, and any report outside a
// run, shows what is held at once.

#include "converter/main/progress_pacer.h"
#include "tests/converter/main/conversion_test_surface.h"

#include <gtest/gtest.h>

using namespace tavrel;
using tavrel::test::RecordingSurface;

namespace {

struct PacerRig {
    RecordingSurface shown;
    bool running = true;
    qint64 now = 1000;
    ProgressPacer pacer{shown, [this] { return running; }, [this] { return now; }, 100};

    // One chunk of the pump: row, bar and label, then the yield.
    void chunk(int percent)
    {
        pacer.setRowProgress(1, percent);
        pacer.setBarFraction(percent / 100.0);
        pacer.setPercentLabel(percentText(percent));
        pacer.yield();
    }
};

TEST(ProgressPacer, ReportsWithinAnIntervalReachTheDisplaysOnce)
{
    PacerRig rig;
    rig.chunk(1); // nothing shown yet: the first report shows at its yield
    EXPECT_EQ(rig.shown.labels, QList<QString>{QStringLiteral("1 %")});
    for (int percent = 2; percent <= 9; ++percent) {
        rig.now += 10;
        rig.chunk(percent);
    }
    EXPECT_EQ(rig.shown.labels.size(), 1);                      // 80 ms later: still held
    EXPECT_EQ(rig.pacer.percentLabel(), QStringLiteral("9 %")); // the run sees its latest value
    EXPECT_EQ(rig.shown.yields, 5);                             // every 20 ms: no sooner than 16 ms apart

    rig.now += 20; // 100 ms after the last update
    rig.chunk(10);
    EXPECT_EQ(rig.shown.labels, (QList<QString>{QStringLiteral("1 %"), QStringLiteral("10 %")}));
    EXPECT_DOUBLE_EQ(rig.shown.rows.at(1), 10);
    EXPECT_DOUBLE_EQ(rig.shown.fraction, 0.10);
}

TEST(ProgressPacer, DuringARunTheEventLoopRunsOncePerYieldIntervalOrAfterShowing)
{
    PacerRig rig;
    const auto yieldAt = [&](qint64 at) {
        rig.now = at;
        rig.pacer.yield();
        return rig.shown.yields;
    };
    EXPECT_EQ(yieldAt(1000), 1);
    EXPECT_EQ(yieldAt(1005), 1);
    EXPECT_EQ(yieldAt(1015), 1);
    EXPECT_EQ(yieldAt(1016), 2);

    rig.now = 1020; // a value due to be shown is painted at once, whatever the last turn
    rig.chunk(7);
    EXPECT_EQ(rig.shown.yields, 3);
    EXPECT_EQ(rig.shown.label, QStringLiteral("7 %"));

    rig.running = false; // outside a run every yield lets the loop run
    EXPECT_EQ(yieldAt(1021), 4);
    EXPECT_EQ(yieldAt(1021), 5);
}

TEST(ProgressPacer, SettlingShowsTheLastValuesAtOnce)
{
    PacerRig rig;
    rig.chunk(40);
    rig.now += 5;
    rig.chunk(41);
    rig.pacer.setRowProgress(1, 100); // the pump's end, before its reset
    EXPECT_DOUBLE_EQ(rig.shown.rows.at(1), 40);
    resetProgress(rig.pacer); // the step ends: settles on the final values
    EXPECT_DOUBLE_EQ(rig.shown.rows.at(1), 100);
    EXPECT_EQ(rig.shown.label, QStringLiteral("0 %"));
    EXPECT_DOUBLE_EQ(rig.shown.fraction, 0);
}

TEST(ProgressPacer, SameLabelIsNotSetAgainAndNothingHeldShowsNothing)
{
    PacerRig rig;
    rig.shown.label = QStringLiteral("5 %");
    rig.chunk(5);
    EXPECT_TRUE(rig.shown.labels.isEmpty());
    rig.now += 500;
    rig.pacer.yield();
    rig.pacer.settle();
    EXPECT_TRUE(rig.shown.labels.isEmpty());
    EXPECT_EQ(rig.shown.yields, 2);
}

TEST(ProgressPacer, OutsideARunEveryReportShowsAtOnce)
{
    PacerRig rig;
    rig.running = false;
    showPercent(rig.pacer, 2, 2);
    showPercent(rig.pacer, 2, 33);
    EXPECT_EQ(rig.shown.labels, (QList<QString>{QStringLiteral("2 %"), QStringLiteral("33 %")}));
    EXPECT_DOUBLE_EQ(rig.shown.rows.at(2), 33);
}

} // namespace
