#pragma once
#include "TOrderedWorkers.h"
#include "TRowSink.h"

#include <QList>
#include <functional>
#include <vector>

// Hands the rows an export reads to the function that writes them, in order, on a thread of its own:
// the rows of the next batch are read and converted while the writer formats and compresses the
// last. The writer gets the same rows in the same order as on the reading thread, so it writes the
// same bytes. Without a thread of its own the queue writes each row at once on the caller's thread.
//
// At most a few batches of rows are under way, so an export of any length holds a few hundred rows;
// a written batch is filled again, so its cells keep their storage. The writer's first failure stops
// it; the reading side raises that failure at its next hand-over or at Finish. Destroying the queue
// before Finish (a cancelled or failed export) drops the rows not yet written and waits for the
// writer to stop.
class TRowWriterQueue
{
public:
    using TWriteRow = std::function<void(const QList<TRowCell>& row)>;

    TRowWriterQueue(qsizetype columns, TWriteRow writeRow, bool ownThread);

    // The row to fill next: `columns` cells, holding whatever an earlier row left in them. After
    // Finish or an Add that failed there is none: it throws std::logic_error.
    QList<TRowCell>& NextRow();
    // Hands the filled row on to the writer; std::logic_error after Finish or an Add that failed.
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

    TBatch NextBatch();
    // Throws unless a batch is being filled.
    void CheckFilling() const;

    TWriteRow m_writeRow;
    const qsizetype m_columns;
    const bool m_ownThread;
    TBatch m_filling;
    TOrderedWorkers<TBatch> m_writer; // last, so that its thread ends before the rest goes
};
