// The rip on its worker thread: reports arrive on the owner's thread, the
// stop question is asked there while the worker waits.
#include "cdrip/encode/rip_runner.h"
#include "tests/cdrip/encode/memory_disc.h"
#include "tests/support/tools.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

using namespace brenlow;
using namespace brenlow::test;

namespace {

RipJob wavJob(const std::shared_ptr<MemoryDisc>& disc, const QString& folder, int64_t sectors)
{
    RipJob job;
    job.format = RipFormat::Wav;
    job.drive = disc;
    RipTrack track;
    track.lengthSectors = sectors;
    track.title = QStringLiteral("t");
    job.tracks = {track};
    job.naming.outputFolder = folder;
    job.naming.pattern = QStringLiteral("%N");
    return job;
}

/// The reads run ahead of the encoder, so a stop asked for while sector
/// `askedAt` is read lands at a check between runs no later than the run
/// holding that sector: the file holds whole ten-sector runs (maybe none).
void expectCutAtRunBoundaryBefore(qsizetype fileSize, int askedAt)
{
    const qsizetype audio = fileSize - 44;
    EXPECT_EQ(audio % (10 * 2352), 0) << fileSize;
    EXPECT_LE(audio / 2352, askedAt) << fileSize;
}

} // namespace

TEST(RipRunner, ReportsOnTheOwnerThreadAndAsksThere)
{
    for (bool answerStop : {false, true}) {
        QTemporaryDir dir;
        auto disc = std::make_shared<MemoryDisc>(300);
        RipRunner runner;
        std::vector<int> percents;
        std::optional<RipOutcome> outcome;
        int questions = 0;
        QObject::connect(&runner, &RipRunner::trackProgress, [&](int, int p) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            percents.push_back(p);
        });
        QObject::connect(&runner, &RipRunner::finished, [&](RipOutcome o) { outcome = o; });
        runner.setStopQuestion([&] {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            ++questions;
            return answerStop;
        });
        disc->beforeRead = [&](int64_t lba) {
            if (lba == 100)
                runner.requestStop();
        };
        ASSERT_TRUE(runner.start(wavJob(disc, dir.path(), 300)));
        EXPECT_FALSE(runner.start(wavJob(disc, dir.path(), 300))) << "one rip at a time";
        runner.wait();
        ASSERT_TRUE(outcome);
        EXPECT_EQ(questions, 1);
        EXPECT_EQ(*outcome, answerStop ? RipOutcome::Stopped : RipOutcome::Completed);
        const qsizetype size = quandor::test::readAll(QDir(dir.path()).filePath(QStringLiteral("01.wav"))).size();
        if (answerStop) {
            expectCutAtRunBoundaryBefore(size, 100);
        } else {
            EXPECT_EQ(size, 44 + 300 * 2352);
            EXPECT_FALSE(percents.empty());
        }
    }
}

TEST(RipRunner, ClosingDuringTheQuestionEndsTheRip)
{
    QTemporaryDir dir;
    auto disc = std::make_shared<MemoryDisc>(200);
    auto runner = std::make_unique<RipRunner>();
    std::atomic<bool> reached{false};
    // The read-ahead may come back to this address while the runner is being
    // destroyed: only the first visit asks for the stop.
    disc->beforeRead = [&reached, raw = runner.get()](int64_t lba) {
        if (lba == 50 && !reached.exchange(true))
            raw->requestStop();
    };
    runner->setStopQuestion([] {
        ADD_FAILURE() << "no question while the window closes";
        return false;
    });
    ASSERT_TRUE(runner->start(wavJob(disc, dir.path(), 200)));
    while (!reached)
        QThread::msleep(1);
    QThread::msleep(20); // the worker now waits for the answer, never delivered
    runner.reset();      // joins: the pending question counts as "stop"
    const QByteArray file = quandor::test::readAll(QDir(dir.path()).filePath(QStringLiteral("01.wav")));
    expectCutAtRunBoundaryBefore(file.size(), 50);
}
