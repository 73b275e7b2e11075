// The worker threads of the export pipeline: jobs come back in the order they went in, however long
// each takes and whichever thread does it; a failure is raised once, in order; and destroying the
// workers stops them.
#include "TOrderedWorkers.h"

#include <QElapsedTimer>
#include <QSet>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace {

struct TJob
{
    int Number = 0;
    int Square = 0;
    Qt::HANDLE Thread = nullptr;
};

// Later jobs finish first: job n sleeps (10 - n % 10) ms.
void SlowSquare(TJob& job, int)
{
    QThread::msleep(10 - job.Number % 10);
    job.Square = job.Number * job.Number;
    job.Thread = QThread::currentThreadId();
}

} // namespace

TEST(TOrderedWorkers, HandsJobsBackInTheOrderTheyWentIn)
{
    for (const int threads : {0, 1, 3}) {
        SCOPED_TRACE(threads);
        TOrderedWorkers<TJob> workers(threads, 4, SlowSquare);
        QList<int> squares;
        QSet<Qt::HANDLE> usedThreads;
        for (int n = 0; n < 30; ++n) {
            workers.Add(TJob{n});
            while (std::optional<TJob> job = workers.TakeDone()) {
                squares << job->Square;
                usedThreads << job->Thread;
            }
        }
        while (std::optional<TJob> job = workers.TakeNext()) {
            squares << job->Square;
            usedThreads << job->Thread;
        }
        QList<int> expected;
        for (int n = 0; n < 30; ++n)
            expected << n * n;
        EXPECT_EQ(squares, expected);
        if (threads == 0)
            EXPECT_EQ(usedThreads, QSet<Qt::HANDLE>{QThread::currentThreadId()});
        else
            EXPECT_FALSE(usedThreads.contains(QThread::currentThreadId()));
        EXPECT_FALSE(workers.TakeNext());
    }
}

TEST(TOrderedWorkers, RaisesTheEarliestFailureAndStartsNoJobAfterIt)
{
    for (const int threads : {0, 2}) {
        SCOPED_TRACE(threads);
        std::atomic<int> started{0};
        // Job 5 fails at once, job 4 a little later: job 4's failure is the one raised.
        TOrderedWorkers<TJob> workers(threads, 8, [&](TJob& job, int) {
            ++started;
            if (job.Number == 4) {
                QThread::msleep(20);
                throw std::runtime_error("job 4 failed");
            }
            if (job.Number == 5)
                throw std::runtime_error("job 5 failed");
        });
        std::string raised;
        int taken = 0;
        try {
            for (int n = 0; n < 20; ++n) {
                workers.Add(TJob{n});
                while (workers.TakeDone())
                    ++taken;
                QThread::msleep(1);
            }
            while (workers.TakeNext())
                ++taken;
        } catch (const std::runtime_error& error) {
            raised = error.what();
        }
        EXPECT_EQ(raised, "job 4 failed");
        EXPECT_LE(taken, 4);
        // Every later call raises it again rather than going on.
        EXPECT_THROW(workers.TakeNext(), std::runtime_error);
        EXPECT_THROW(workers.Add(TJob{99}), std::runtime_error);
        EXPECT_LE(started.load(), 6 + threads);
    }
}

TEST(TOrderedWorkers, DestroyingThemDropsTheWaitingJobsAndWaitsForTheRunningOnes)
{
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    QElapsedTimer timer;
    timer.start();
    {
        TOrderedWorkers<TJob> workers(2, 50, [&](TJob&, int) {
            ++started;
            QThread::msleep(20);
            ++finished;
        });
        for (int n = 0; n < 50; ++n)
            workers.Add(TJob{n});
        QThread::msleep(5);
    }
    EXPECT_EQ(started.load(), finished.load());
    EXPECT_LT(started.load(), 50);
    EXPECT_LT(timer.elapsed(), 500);
}
