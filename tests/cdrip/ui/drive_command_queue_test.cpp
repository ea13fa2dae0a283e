// The drive command queue: answers come back on the window thread in the
// order the commands were posted, and none after the queue is gone.

#include "cdrip/ui/drive_command_queue.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace brenlow;

TEST(DriveCommandQueue, AnswersArriveInOrderOnTheWindowThread)
{
    DriveCommandQueue queue;
    QList<int> answers;
    std::atomic<bool> ranElsewhere{true};
    QThread* window = QThread::currentThread();
    for (int i = 0; i < 5; ++i) {
        queue.post<int>(
            [i, window, &ranElsewhere] {
                if (QThread::currentThread() == window)
                    ranElsewhere = false;
                std::this_thread::sleep_for(std::chrono::milliseconds(5 - i)); // later ones are quicker
                return i * 10;
            },
            [&answers, window](const int& value) {
                EXPECT_EQ(QThread::currentThread(), window);
                answers.append(value);
            });
    }
    EXPECT_EQ(queue.pending(), 5);
    queue.waitUntilIdle();
    EXPECT_EQ(answers, (QList<int>{0, 10, 20, 30, 40}));
    EXPECT_TRUE(ranElsewhere);
    EXPECT_EQ(queue.pending(), 0);
}

TEST(DriveCommandQueue, NoAnswerIsDeliveredAfterTheQueueIsGone)
{
    int delivered = 0;
    {
        DriveCommandQueue queue;
        for (int i = 0; i < 3; ++i)
            queue.post<int>(
                [] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return 1;
                },
                [&delivered](const int&) { ++delivered; });
    } // waits for the running command, drops the rest
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}
