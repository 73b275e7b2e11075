#include "TRowWriterQueue.h"

#include <utility>

TRowWriterQueue::TRowWriterQueue(qsizetype columns, TWriteRow writeRow, bool ownThread)
    : m_writeRow(std::move(writeRow))
    , m_columns(columns)
    , m_ownThread(ownThread)
    , m_writer(ownThread ? 1 : 0, BatchCount,
               [this](TBatch& batch, int) {
                   for (int i = 0; i < batch.Count; ++i)
                       m_writeRow(batch.Rows[size_t(i)]);
               },
               QStringLiteral("Row writer"))
{
    m_filling = NextBatch();
}

TRowWriterQueue::TBatch TRowWriterQueue::NextBatch()
{
    // A batch the writer is done with is filled again; a new one only while the others are under way.
    if (std::optional<TBatch> written = m_writer.TakeDone()) {
        written->Count = 0;
        return std::move(*written);
    }
    TBatch batch;
    const int rows = m_ownThread ? BatchRows : 1;
    batch.Rows.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row)
        batch.Rows.emplace_back(m_columns);
    return batch;
}

void TRowWriterQueue::Add()
{
    if (!m_ownThread) {
        m_writeRow(m_filling.Rows.front());
        return;
    }
    if (++m_filling.Count < int(m_filling.Rows.size()))
        return;
    m_writer.Add(std::move(m_filling));
    m_filling = NextBatch();
}

void TRowWriterQueue::Finish()
{
    if (!m_ownThread)
        return;
    if (m_filling.Count > 0)
        m_writer.Add(std::exchange(m_filling, TBatch{}));
    while (m_writer.TakeNext()) {
    }
}
