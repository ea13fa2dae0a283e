// The worker thread of every Brenlow job: results and posts arrive on the
// owner's thread in order, a stop request reaches the job, and an owner that
// goes mid-job stops and waits for it, with nothing delivered afterwards.
#include "cdrip/jobs/job_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

using namespace brenlow;

namespace {

/// Runs the event loop until `done` holds or a generous time has passed.
template <class Predicate>
bool processEventsUntil(Predicate done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

/// Spins until a stop is requested; how many rounds it ran.
int spinUntilStopped(const std::atomic<bool>& stop)
{
    int rounds = 0;
    while (!stop.load()) {
        ++rounds;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return rounds;
}

} // namespace

TEST(JobThread, PostsAndTheResultArriveOnTheOwnerThreadInOrder)
{
    JobThread worker;
    QThread* owner = QThread::currentThread();
    std::atomic<QThread*> jobThread{nullptr};
    QList<int> arrived;
    std::optional<int> result;
    ASSERT_TRUE(worker.start(
        [&](const std::atomic<bool>&) {
            jobThread = QThread::currentThread();
            for (int i = 1; i <= 3; ++i)
                worker.post([&arrived, owner, i] {
                    EXPECT_EQ(QThread::currentThread(), owner);
                    arrived.append(i);
                });
            return 42;
        },
        [&](int value) {
            EXPECT_EQ(QThread::currentThread(), owner);
            EXPECT_FALSE(worker.isRunning()) << "the thread has ended before its end is delivered";
            arrived.append(value);
            result = value;
        }));
    EXPECT_TRUE(worker.isRunning());
    EXPECT_FALSE(worker.start([](const std::atomic<bool>&) {}, [] {})) << "one job at a time";
    ASSERT_TRUE(processEventsUntil([&] { return result.has_value(); }));
    EXPECT_NE(jobThread.load(), owner);
    EXPECT_EQ(arrived, (QList<int>{1, 2, 3, 42}));
}

TEST(JobThread, AStopRequestReachesTheJobAndANewStartClearsIt)
{
    JobThread worker;
    std::optional<int> rounds;
    std::atomic<bool> started = false;
    auto job = [&](const std::atomic<bool>& stop) {
        int rounds = 0;
        while (!stop.load()) {
            ++rounds;
            started = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return rounds;
    };
    ASSERT_TRUE(worker.start(job, [&](int value) { rounds = value; }));
    // Wait for a first round: on a loaded machine the worker may be scheduled late.
    while (!started)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    QCoreApplication::processEvents();
    EXPECT_FALSE(rounds) << "the job runs until asked to stop";
    worker.requestStop();
    EXPECT_TRUE(worker.stopRequested());
    ASSERT_TRUE(processEventsUntil([&] { return rounds.has_value(); }));
    EXPECT_GT(*rounds, 0);

    bool sawStop = true;
    bool ended = false;
    ASSERT_TRUE(worker.start([&](const std::atomic<bool>& stop) { sawStop = stop.load(); }, [&] { ended = true; }));
    ASSERT_TRUE(processEventsUntil([&] { return ended; }));
    EXPECT_FALSE(sawStop);
}

TEST(JobThread, WaitEndsTheJobWithoutItsFinishedCall)
{
    JobThread worker;
    int firstEnded = 0;
    ASSERT_TRUE(worker.start(spinUntilStopped, [&](int) { ++firstEnded; }));
    worker.requestStop();
    worker.wait();
    EXPECT_FALSE(worker.isRunning());

    bool secondEnded = false;
    ASSERT_TRUE(worker.start([](const std::atomic<bool>&) {}, [&] { secondEnded = true; }));
    ASSERT_TRUE(processEventsUntil([&] { return secondEnded; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(firstEnded, 0) << "the waited-for job's end is not delivered";
}

namespace {

/// A window-like owner: the job works on its members, the JobThread comes
/// last so that it goes first.
struct Owner {
    std::vector<int> samples = std::vector<int>(64);
    JobThread worker;
};

} // namespace

TEST(JobThread, AnOwnerThatGoesMidJobStopsItAndWaitsForIt)
{
    std::atomic<bool> jobStarted{false};
    std::atomic<bool> jobReturned{false};
    int delivered = 0;
    auto owner = std::make_unique<Owner>();
    Owner* raw = owner.get();
    ASSERT_TRUE(owner->worker.start(
        [raw, &jobStarted, &jobReturned](const std::atomic<bool>& stop) {
            jobStarted = true;
            // Writes into the owner until told to stop: a job still running
            // after the owner went would write into freed memory.
            for (int round = 0; !stop.load(); ++round) {
                raw->samples[size_t(round) % raw->samples.size()] = round;
                raw->worker.post([] {});
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a slow last step
            raw->samples.front() = -1;
            jobReturned = true;
        },
        [&delivered] { ++delivered; }));
    while (!jobStarted)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    owner.reset();
    EXPECT_TRUE(jobReturned) << "destruction waits for the job";
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0) << "nothing is delivered to an owner that is gone";
}
