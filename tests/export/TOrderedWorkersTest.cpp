// The worker threads of the export pipeline: jobs come back in the order they went in, however long
// each takes and whichever thread does it; a failure is raised once, in order; and destroying the
// workers stops them.
#include "TOrderedWorkers.h"

#include <QElapsedTimer>
#include <QSet>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

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

// Holds the jobs that pass it until the test opens it.
class TGate
{
public:
    void Open()
    {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }
    void Pass()
    {
        std::unique_lock lock(m_mutex);
        m_opened.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

// Whether `happened` comes true within `patience`; for looking for something that must not happen.
template <typename TCondition>
bool HappensWithin(std::chrono::milliseconds patience, TCondition happened)
{
    const auto end = std::chrono::steady_clock::now() + patience;
    while (!happened() && std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
    return happened();
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

TEST(TOrderedWorkers, TakeNoMoreJobsThanTheirCapacity)
{
    for (const int capacity : {1, 3}) {
        SCOPED_TRACE(capacity);
        TGate gate;
        std::atomic<int> started{0};
        std::atomic<int> added{0};
        // A thread more than the capacity: a job taken beyond it would also start at once.
        TOrderedWorkers<TJob> workers(capacity + 1, capacity, [&](TJob& job, int) {
            ++started;
            gate.Pass();
            job.Square = job.Number * job.Number;
        });
        std::thread producer([&] {
            for (int n = 0; n <= capacity; ++n) {
                workers.Add(TJob{n});
                ++added;
            }
        });
        while (started.load() < capacity)
            std::this_thread::yield();
        // Every job the workers may hold is running; the next Add waits until one is done.
        EXPECT_FALSE(HappensWithin(std::chrono::milliseconds(100),
                                   [&] { return added.load() > capacity || started.load() > capacity; }));
        gate.Open();
        producer.join();
        QList<int> squares;
        while (std::optional<TJob> job = workers.TakeNext())
            squares << job->Square;
        QList<int> expected;
        for (int n = 0; n <= capacity; ++n)
            expected << n * n;
        EXPECT_EQ(squares, expected);
    }
}

TEST(TOrderedWorkers, StartNoJobOnceOneHasFailed)
{
    TGate gate;
    std::atomic<int> started{0};
    {
        TOrderedWorkers<TJob> workers(1, 8, [&](TJob& job, int) {
            ++started;
            gate.Pass();
            if (job.Number == 0)
                throw std::runtime_error("job 0 failed");
        });
        // Job 0 holds the only thread; the others wait for it.
        for (int n = 0; n < 8; ++n)
            workers.Add(TJob{n});
        gate.Open();
        try {
            workers.TakeNext();
            ADD_FAILURE() << "the failure of job 0 was not raised";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "job 0 failed");
        }
        EXPECT_EQ(started.load(), 1);
    }
    EXPECT_EQ(started.load(), 1);
}
