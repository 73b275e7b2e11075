#include "TRowWriterQueue.h"

#include <stdexcept>
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

void TRowWriterQueue::CheckFilling() const
{
    // The batch is handed on, or dropped by a failed hand-over, before the next one is made: until
    // then, and for good after Finish, there is no row to fill.
    if (size_t(m_filling.Count) >= m_filling.Rows.size())
        throw std::logic_error("TRowWriterQueue: no row to fill after Finish or a failed hand-over");
}

QList<TRowCell>& TRowWriterQueue::NextRow()
{
    CheckFilling();
    return m_filling.Rows[size_t(m_filling.Count)];
}

void TRowWriterQueue::Add()
{
    CheckFilling();
    if (!m_ownThread) {
        try {
            m_writeRow(m_filling.Rows.front());
        } catch (...) {
            m_filling = TBatch{};
            throw;
        }
        return;
    }
    if (++m_filling.Count < int(m_filling.Rows.size()))
        return;
    m_writer.Add(std::exchange(m_filling, TBatch{}));
    m_filling = NextBatch();
}

void TRowWriterQueue::Finish()
{
    TBatch last = std::exchange(m_filling, TBatch{});
    if (!m_ownThread)
        return;
    if (last.Count > 0)
        m_writer.Add(std::move(last));
    while (m_writer.TakeNext()) {
    }
}
