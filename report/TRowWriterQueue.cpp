#include "TRowWriterQueue.h"


TRowWriterQueue::TRowWriterQueue(qsizetype columns, TWriteRow writeRow, bool ownThread)
    : m_writeRow(std::move(writeRow)), m_ownThread(ownThread)
{
    const int batches = ownThread ? BatchCount : 1;
    const int rows = ownThread ? BatchRows : 1;
    for (int i = 0; i < batches; ++i) {
        auto batch = std::make_unique<TBatch>();
        for (int row = 0; row < rows; ++row)
            batch->Rows.emplace_back(columns);
        m_free.push_back(batch.get());
        m_batches.push_back(std::move(batch));
    }
    m_filling = m_free.back();
    m_free.pop_back();
    if (ownThread)
        m_thread = std::thread([this] { WriteBatches(); });
}

TRowWriterQueue::~TRowWriterQueue()
{
    StopThread();
}

void TRowWriterQueue::StopThread()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_full.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

QList<TRowCell>& TRowWriterQueue::NextRow()
{
    return m_filling->Rows[size_t(m_filling->Count)];
}

void TRowWriterQueue::Add()
{
    if (!m_ownThread) {
        m_writeRow(m_filling->Rows.front());
        return;
    }
    if (++m_filling->Count < int(m_filling->Rows.size()))
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    HandOver(lock);
    // The next batch to fill is one the writer is done with.
    m_changed.wait(lock, [this] { return !m_free.empty() || m_failure; });
    RaiseFailure(lock);
    m_filling = m_free.back();
    m_free.pop_back();
    m_filling->Count = 0;
}

void TRowWriterQueue::Finish()
{
    if (!m_ownThread)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_filling->Count > 0)
        HandOver(lock);
    else
        m_free.push_back(m_filling);
    m_filling = nullptr;
    m_changed.wait(lock, [this] { return (m_full.empty() && !m_writing) || m_failure; });
    RaiseFailure(lock);
    lock.unlock();
    StopThread();
}

// Called with the lock held; the batch being filled goes to the writer.
void TRowWriterQueue::HandOver(std::unique_lock<std::mutex>& lock)
{
    RaiseFailure(lock);
    m_full.push_back(m_filling);
    m_filling = nullptr;
    m_changed.notify_all();
}

void TRowWriterQueue::RaiseFailure(std::unique_lock<std::mutex>& lock)
{
    if (!m_failure)
        return;
    const std::exception_ptr failure = m_failure;
    lock.unlock();
    StopThread();
    std::rethrow_exception(failure);
}

void TRowWriterQueue::WriteBatches()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return !m_full.empty() || m_stop; });
        if (m_stop)
            return;
        TBatch* batch = m_full.front();
        m_full.pop_front();
        m_writing = true;
        lock.unlock();
        try {
            for (int i = 0; i < batch->Count; ++i)
                m_writeRow(batch->Rows[size_t(i)]);
        } catch (...) {
            lock.lock();
            m_writing = false;
            m_failure = std::current_exception();
            m_changed.notify_all();
            return;
        }
        lock.lock();
        m_writing = false;
        m_free.push_back(batch);
        m_changed.notify_all();
    }
}
