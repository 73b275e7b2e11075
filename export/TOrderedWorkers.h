#pragma once
#include <QByteArray>
#include <QString>

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <stdexcept>
#include <thread>
#include <vector>

// Runs jobs on worker threads and hands them back done, in the order they were added, so that what a
// pipeline writes does not depend on how many threads did the work. With no threads, Add does each
// job at once on the caller's thread.
//
// At most `capacity` jobs wait or run at a time; Add blocks while that many do. Done jobs wait for
// the caller to take them, oldest first. The first job that throws stops the workers from starting
// others: Add and the Take functions then raise the exception of the earliest job that failed, once
// the jobs still running have ended. Destroying the object drops the jobs not taken, lets the running
// ones end and stops the threads; that is how a cancelled or failed pipeline stops.
//
// The owner's side (Add, TakeDone, TakeNext and destruction) is used by one thread at a time. That
// need not be the thread that made the object: the object may pass from thread to thread when the
// hand-over synchronises (a mutex, a queue such as this one, a thread's start or join), as a page
// writer's workers pass to the export's writer thread and back. Two calls at once are a fault of the
// caller: Add and the Take functions refuse the second with std::logic_error, destruction during a
// call aborts. The threads are standard ones, joined on destruction, so that thread checkers see
// every hand-over.
template <typename TJob>
class TOrderedWorkers
{
public:
    // Does one job on worker `worker` (0 to threads - 1; 0 on the caller's thread).
    using TWork = std::function<void(TJob& job, int worker)>;

    TOrderedWorkers(int threads, int capacity, TWork work, const QString& name = QString())
        : m_work(std::move(work)), m_capacity(std::max(capacity, 1))
    {
        // A thread name shows in debuggers and profilers; the system takes at most 15 bytes.
        const QByteArray threadName = name.toUtf8().left(15);
        try {
            for (int i = 0; i < threads; ++i) {
                m_threads.emplace_back([this, i, threadName] {
                    if (!threadName.isEmpty())
                        pthread_setname_np(pthread_self(), threadName.constData());
                    RunWorker(i);
                });
            }
        } catch (...) {
            // The system refused a thread: those already started must end before the failure goes on.
            Stop();
            throw;
        }
    }

    ~TOrderedWorkers()
    {
        if (m_ownerBusy.load())
            qFatal("TOrderedWorkers destroyed during a call from another thread");
        Stop();
    }

    TOrderedWorkers(const TOrderedWorkers&) = delete;
    TOrderedWorkers& operator=(const TOrderedWorkers&) = delete;

    int Threads() const { return int(m_threads.size()); }

    void Add(TJob job)
    {
        const TOwnerCall call(m_ownerBusy);
        auto entry = std::make_unique<TEntry>(std::move(job));
        if (m_threads.empty()) {
            RaiseFailure();
            try {
                m_work(entry->Job, 0);
            } catch (...) {
                m_failure = std::current_exception();
                throw;
            }
            entry->Done = true;
            m_entries.push_back(std::move(entry));
            return;
        }
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return Failed() || qsizetype(m_waiting.size()) + m_running < m_capacity; });
        RaiseFailure(lock);
        m_waiting.push_back(entry.get());
        m_entries.push_back(std::move(entry));
        lock.unlock();
        m_changed.notify_all();
    }

    // The oldest job once it is done; nothing while it runs or waits, or when there is none.
    std::optional<TJob> TakeDone() { return Take(false); }
    // The oldest job, waiting until it is done; nothing when there is none.
    std::optional<TJob> TakeNext() { return Take(true); }

private:
    struct TEntry
    {
        explicit TEntry(TJob job) : Job(std::move(job)) {}
        TJob Job;
        bool Done = false;
        std::exception_ptr Error;
    };

    // Marks a call of the owner's side for as long as it lasts.
    class TOwnerCall
    {
    public:
        explicit TOwnerCall(std::atomic<bool>& busy) : m_busy(busy)
        {
            if (m_busy.exchange(true))
                throw std::logic_error("TOrderedWorkers used from two threads at once");
        }
        ~TOwnerCall() { m_busy.store(false); }
        TOwnerCall(const TOwnerCall&) = delete;
        TOwnerCall& operator=(const TOwnerCall&) = delete;

    private:
        std::atomic<bool>& m_busy;
    };

    bool Failed() const { return m_failedEntries > 0 || m_failure; }

    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
            m_waiting.clear();
        }
        m_changed.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }

    std::optional<TJob> Take(bool wait)
    {
        const TOwnerCall call(m_ownerBusy);
        std::unique_lock lock(m_mutex);
        if (wait)
            m_changed.wait(lock, [this] { return Failed() || m_entries.empty() || m_entries.front()->Done; });
        RaiseFailure(lock);
        if (m_entries.empty() || !m_entries.front()->Done)
            return std::nullopt;
        std::optional<TJob> job(std::move(m_entries.front()->Job));
        m_entries.pop_front();
        return job;
    }

    // Raises the earliest failure, after the jobs still running have ended (one of them may be older).
    void RaiseFailure(std::unique_lock<std::mutex>& lock)
    {
        if (!Failed())
            return;
        m_changed.wait(lock, [this] { return m_running == 0; });
        RaiseFailure();
    }

    void RaiseFailure()
    {
        if (!m_failure) {
            const auto failed = std::find_if(m_entries.begin(), m_entries.end(),
                                             [](const auto& entry) { return bool(entry->Error); });
            if (failed == m_entries.end())
                return;
            m_failure = (*failed)->Error;
        }
        std::rethrow_exception(m_failure);
    }

    void RunWorker(int worker)
    {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_changed.wait(lock, [this] { return m_stopping || (!Failed() && !m_waiting.empty()); });
            if (m_stopping || Failed())
                return;
            TEntry* entry = m_waiting.front();
            m_waiting.pop_front();
            ++m_running;
            lock.unlock();
            std::exception_ptr error;
            try {
                m_work(entry->Job, worker);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            --m_running;
            entry->Done = true;
            if (error) {
                entry->Error = error;
                ++m_failedEntries;
            }
            m_changed.notify_all();
        }
    }

    TWork m_work;
    const qsizetype m_capacity;
    std::vector<std::thread> m_threads;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<TEntry>> m_entries; // every job not yet taken, oldest first
    std::deque<TEntry*> m_waiting;                 // those no worker has started
    qsizetype m_running = 0;
    int m_failedEntries = 0;
    bool m_stopping = false;
    std::exception_ptr m_failure; // raised once known, again on every later call
    std::atomic<bool> m_ownerBusy{false};
};
