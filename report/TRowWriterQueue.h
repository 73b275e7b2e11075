#pragma once
#include "TRowSink.h"

#include <QList>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Hands the rows an export reads to the function that writes them, in order, on a thread of its own:
// the rows of the next batch are read and converted while the writer formats and compresses the
// last. The writer gets the same rows in the same order as on the reading thread, so it writes the
// same bytes. Without a thread of its own the queue writes each row at once on the caller's thread.
//
// At most a few batches of rows are under way, so an export of any length holds a few hundred rows.
// The writer's first failure stops it; the reading side raises that failure at its next hand-over
// or at Finish. Destroying the queue before Finish (a cancelled or failed export) drops the rows not
// yet written and waits for the writer to stop.
class TRowWriterQueue
{
public:
    using TWriteRow = std::function<void(const QList<TRowCell>& row)>;

    TRowWriterQueue(qsizetype columns, TWriteRow writeRow, bool ownThread);
    ~TRowWriterQueue();
    TRowWriterQueue(const TRowWriterQueue&) = delete;
    TRowWriterQueue& operator=(const TRowWriterQueue&) = delete;

    // The row to fill next: `columns` cells, holding whatever an earlier row left in them.
    QList<TRowCell>& NextRow();
    // Hands the filled row on to the writer.
    void Add();
    // Returns once every row handed on is written.
    void Finish();

private:
    static constexpr int BatchRows = 256;
    static constexpr int BatchCount = 4;

    struct TBatch
    {
        std::vector<QList<TRowCell>> Rows;
        int Count = 0;
    };

    void WriteBatches();
    void HandOver(std::unique_lock<std::mutex>& lock);
    void RaiseFailure(std::unique_lock<std::mutex>& lock);
    void StopThread();

    TWriteRow m_writeRow;
    std::vector<std::unique_ptr<TBatch>> m_batches;
    TBatch* m_filling = nullptr;
    bool m_ownThread;
    std::thread m_thread;

    // Shared with the writer thread.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TBatch*> m_full; // oldest first
    std::vector<TBatch*> m_free;
    bool m_writing = false; // the writer holds a batch
    bool m_stop = false;
    std::exception_ptr m_failure;
};
