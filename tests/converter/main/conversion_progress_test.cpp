// Progress arithmetic and the display update, and the transcoding pump over
// scripted reader and writer objects (chunk sums, cancel, failures).

#include "converter/common/conversion_numbers.h"
#include "converter/main/progress.h"
#include "converter/main/transcode.h"
#include "tests/converter/main/conversion_test_surface.h"

#include <deque>
#include <gtest/gtest.h>

using namespace tavrel;
using tavrel::test::RecordingSurface;

namespace {

TEST(ProgressRounding, HalvesGoToTheEvenNeighbour)
{
    const std::pair<double, double> cases[] = {{42.5, 42}, {43.5, 44}, {0.5, 0},    {1.5, 2},   {2.5, 2},
                                               {-0.5, 0},  {-1.5, -2}, {2.4999, 2}, {2.5001, 3}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(roundHalfToEven(value), expected) << value;
}

TEST(ProgressRounding, ApeCallbackThousandths)
{
    const std::pair<std::int64_t, int> cases[] = {{0, 0},        {499, 0},      {500, 0},      {1500, 2}, {2500, 2},
                                                  {100000, 100}, {100499, 100}, {250000, 100}, {3501, 4}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(apeCallbackPercent(value), expected) << value;
}

TEST(ProgressRounding, EncoderDoneOfTotal)
{
    EXPECT_EQ(encoderPercent(1, 3), 33);
    EXPECT_EQ(encoderPercent(2, 3), 67);
    EXPECT_EQ(encoderPercent(85, 200), 42); // 42.5
    EXPECT_EQ(encoderPercent(87, 200), 44); // 43.5
    EXPECT_EQ(encoderPercent(5, 0), 0);     // unknown total: no division
    EXPECT_EQ(encoderPercent(5, -1), 0);
}

TEST(ProgressRounding, PumpPercentStaysBetweenOneAndHundred)
{
    EXPECT_EQ(pumpPercent(0.5, 200), 1); // under one percent still shows 1
    EXPECT_EQ(pumpPercent(0, 10), 1);
    EXPECT_EQ(pumpPercent(5, 10), 50);
    EXPECT_EQ(pumpPercent(12, 10), 100);
    EXPECT_EQ(pumpPercent(3, 0), 1); // unknown length: no division by zero
}

TEST(ProgressDisplay, BarWidthInsideItsFrame)
{
    EXPECT_DOUBLE_EQ(barWidth(1560, percentFraction(50)), 750);
    EXPECT_DOUBLE_EQ(barWidth(1560, percentFraction(100)), 1500);
    EXPECT_DOUBLE_EQ(barWidth(1560, percentFraction(250)), 1500); // clamped
    EXPECT_DOUBLE_EQ(barWidth(1560, percentFraction(-4)), 0);
}

TEST(ProgressDisplay, SameTextRedrawsNothingButStillYields)
{
    RecordingSurface surface;
    showPercent(surface, 3, 0);
    EXPECT_EQ(surface.label, QStringLiteral("0 %"));
    EXPECT_TRUE(surface.labels.isEmpty()); // "0 %" was already shown
    EXPECT_EQ(surface.yields, 1);

    showPercent(surface, 3, 42);
    showPercent(surface, 3, 42);
    EXPECT_EQ(surface.labels, QList<QString>{QStringLiteral("42 %")});
    EXPECT_DOUBLE_EQ(surface.rows.at(3), 42);
    EXPECT_DOUBLE_EQ(surface.fraction, 0.42);
    EXPECT_EQ(surface.yields, 3);

    surface.label = QStringLiteral("9 %");
    showPercent(surface, 3, 0); // a report of 0 shows 1 on the row
    EXPECT_DOUBLE_EQ(surface.rows.at(3), 1);
    showPercent(surface, 3, 130); // a decoder's odd report: the bars stay in range
    EXPECT_EQ(surface.label, QStringLiteral("130 %"));
    EXPECT_DOUBLE_EQ(surface.rows.at(3), 100);
    EXPECT_DOUBLE_EQ(surface.fraction, 1.0);
}

// ---- the pump over scripted objects ---------------------------------------------------

class ScriptedReader : public PumpReader {
public:
    bool opens = true;
    int frameBytes = 4;
    int rate = 10;  // bytes per chunk = 40
    int length = 1; // SourceLength
    std::deque<QByteArray> chunks;
    bool failAtEnd = false;
    bool isOpen = false;
    int reads = 0;

    bool open(const QString&) override { return isOpen = opens; }
    void close() override { isOpen = false; }
    int readStatus() const override { return failAtEnd && chunks.empty() ? -1 : 0; }
    int formatNumberA() const override { return frameBytes; }
    int formatNumberB() const override { return rate; }
    int byteRate() const override { return frameBytes * rate; }
    int sourceLength() const override { return length; }
    QByteArray readChunk(int count) override
    {
        ++reads;
        EXPECT_EQ(count, frameBytes * rate);
        if (chunks.empty())
            return {};
        QByteArray chunk = chunks.front();
        chunks.pop_front();
        return chunk;
    }
    QString lastError() const override { return QStringLiteral("scripted read error"); }
};

class ScriptedWriter : public PumpWriter {
public:
    bool opens = true;
    int failOnChunk = -1;
    QByteArray written;
    int chunksWritten = 0;
    bool isOpen = false, closed = false, aborted = false;
    int sourceRate = 0, sourceBlock = 0;

    bool open(const QString&) override { return isOpen = opens; }
    bool setSourceFormat(int b, int a) override
    {
        sourceRate = b;
        sourceBlock = a;
        return true;
    }
    bool writeChunk(const QByteArray& chunk) override
    {
        if (chunksWritten == failOnChunk)
            return false;
        ++chunksWritten;
        written += chunk;
        return true;
    }
    bool close(const quandor::audio::BeforeNaming& beforeNaming) override
    {
        QString refused;
        if (beforeNaming && !beforeNaming(QStringLiteral("out (unnamed)"), refused)) {
            isOpen = false;
            return false;
        }
        isOpen = false;
        return closed = true;
    }
    void abort() override
    {
        isOpen = false;
        aborted = true;
    }
    QString lastError() const override { return QStringLiteral("disk full"); }
};

struct PumpRig {
    ScriptedReader reader;
    ScriptedWriter writer;
    RecordingSurface surface;
    bool transcoding = false;
    bool cancel = true; // the pump resets it
    bool converting = true;
    QStringList tagged;

    PumpResult run()
    {
        return transcodeFile(reader, writer, QStringLiteral("in"), QStringLiteral("out"),
                             PumpFlags{transcoding, cancel, converting}, surface, 2,
                             [this](const QString& target, QString&) {
                                 EXPECT_TRUE(transcoding);
                                 EXPECT_TRUE(writer.isOpen) << "the target is tagged before it has its name";
                                 tagged.append(target);
                                 return true;
                             });
    }
    void fill(int count, int size = 40)
    {
        for (int i = 0; i < count; ++i)
            reader.chunks.push_back(QByteArray(size, static_cast<char>('a' + i)));
    }
};

TEST(Pump, CopiesEverythingShowsProgressAndTags)
{
    PumpRig rig;
    rig.reader.length = 4;
    rig.fill(4);
    rig.surface.onYield = [&](int) { EXPECT_TRUE(rig.transcoding); };
    const PumpResult result = rig.run();
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(rig.writer.written.size(), 160);
    EXPECT_EQ(rig.writer.sourceRate, 10);
    EXPECT_EQ(rig.writer.sourceBlock, 4);
    EXPECT_TRUE(rig.writer.closed);
    EXPECT_FALSE(rig.reader.isOpen);
    EXPECT_EQ(rig.tagged, QStringList{QStringLiteral("out (unnamed)")});
    EXPECT_EQ(rig.surface.yields, 4);
    EXPECT_TRUE(rig.surface.labels.contains(QStringLiteral("25 %")));
    EXPECT_TRUE(rig.surface.labels.contains(QStringLiteral("100 %")));
    EXPECT_DOUBLE_EQ(rig.surface.rows.at(2), 100);
    EXPECT_EQ(rig.surface.label, QStringLiteral("0 %")); // reset at the end
    EXPECT_DOUBLE_EQ(rig.surface.fraction, 0);
    EXPECT_FALSE(rig.transcoding);
    EXPECT_FALSE(rig.cancel);
}

TEST(Pump, SmallFirstChunkShowsOnePercentAndOvershootStopsAtHundred)
{
    PumpRig rig;
    rig.reader.length = 2;
    rig.fill(1, 4); // 0.1 s of 2 s: 5 %
    rig.fill(5);    // then 5 s more: the sum stops at the length
    double largestFraction = 0;
    rig.surface.onYield = [&](int) { largestFraction = std::max(largestFraction, rig.surface.fraction); };
    ASSERT_TRUE(rig.run().ok);
    EXPECT_EQ(rig.surface.labels.at(1), QStringLiteral("5 %")); // [0] is the reset
    EXPECT_DOUBLE_EQ(largestFraction, 1.0);
    EXPECT_EQ(rig.surface.labels.at(rig.surface.labels.size() - 2), QStringLiteral("100 %"));

    PumpRig tiny;
    tiny.reader.length = 500;
    tiny.fill(1, 4); // 0.1 s of 500 s
    ASSERT_TRUE(tiny.run().ok);
    EXPECT_EQ(tiny.surface.labels.at(1), QStringLiteral("1 %"));
}

TEST(Pump, ZeroLengthSourceNeverDividesByZero)
{
    PumpRig rig;
    rig.reader.length = 0;
    rig.fill(2);
    ASSERT_TRUE(rig.run().ok);
    EXPECT_EQ(rig.writer.written.size(), 80);
    EXPECT_EQ(rig.surface.labels.at(1), QStringLiteral("1 %"));
    EXPECT_DOUBLE_EQ(rig.surface.rows.at(2), 100);
}

TEST(Pump, CancelAtAYieldDiscardsTheUnfinishedTargetUntagged)
{
    PumpRig rig;
    rig.reader.length = 10;
    rig.fill(10);
    rig.surface.onYield = [&](int n) {
        if (n == 3)
            rig.cancel = true;
    };
    const PumpResult result = rig.run();
    EXPECT_TRUE(result.ok); // nothing to report
    EXPECT_TRUE(result.error.isEmpty());
    EXPECT_EQ(rig.writer.chunksWritten, 3);
    EXPECT_TRUE(rig.writer.aborted);
    EXPECT_FALSE(rig.writer.closed);
    EXPECT_FALSE(rig.writer.isOpen);
    EXPECT_FALSE(rig.reader.isOpen);
    EXPECT_TRUE(rig.tagged.isEmpty());
    EXPECT_TRUE(rig.cancel);                      // stays set for the caller
    EXPECT_DOUBLE_EQ(rig.surface.rows.at(2), 30); // the row keeps its last value
    EXPECT_FALSE(rig.transcoding);
}

TEST(Pump, EndOfRunStopsTheCopy)
{
    PumpRig rig;
    rig.reader.length = 10;
    rig.fill(10);
    rig.surface.onYield = [&](int) { rig.converting = false; };
    ASSERT_TRUE(rig.run().ok);
    EXPECT_EQ(rig.writer.chunksWritten, 1);
}

TEST(Pump, FailuresRemoveTheTargetAndResetTheState)
{
    struct Case {
        const char* name;
        std::function<void(PumpRig&)> arrange;
        bool writerOpened; // a target was created and must be discarded
    };
    const Case cases[] = {
        {"unreadable source", [](PumpRig& r) { r.reader.opens = false; }, false},
        {"target not creatable", [](PumpRig& r) { r.writer.opens = false; }, false},
        {"write fails midway", [](PumpRig& r) { r.writer.failOnChunk = 2; }, true},
        {"decoding breaks off", [](PumpRig& r) { r.reader.failAtEnd = true; }, true},
        {"chunk size overflows",
         [](PumpRig& r) {
             r.reader.frameBytes = 1 << 20;
             r.reader.rate = 1 << 12;
         },
         true},
    };
    for (const Case& c : cases) {
        PumpRig rig;
        rig.reader.length = 5;
        rig.fill(5);
        c.arrange(rig);
        const PumpResult result = rig.run();
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_FALSE(result.error.isEmpty()) << c.name;
        EXPECT_FALSE(rig.transcoding) << c.name;
        EXPECT_FALSE(rig.reader.isOpen) << c.name;
        EXPECT_FALSE(rig.writer.isOpen) << c.name;
        EXPECT_FALSE(rig.writer.closed) << c.name;
        if (c.writerOpened) {
            EXPECT_TRUE(rig.writer.aborted) << c.name; // the partial target is discarded
        }
        EXPECT_TRUE(rig.tagged.isEmpty()) << c.name;
        EXPECT_EQ(rig.surface.label, QStringLiteral("0 %")) << c.name;
    }
}

} // namespace
