// The row queue once it has ended, by Finish or by a failure of the writer: there is no row left to
// fill, and asking for one is a clear error rather than a write into storage that has been handed on.
#include "TRowWriterQueue.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(TRowWriterQueue, HasNoRowToFillOnceItHasEnded)
{
    // Enough rows to fill the writer's batches several times over.
    constexpr int ManyRows = 5000;
    for (const bool ownThread : {false, true}) {
        for (const bool writerFails : {false, true}) {
            SCOPED_TRACE(testing::Message() << "own thread " << ownThread << ", writer fails " << writerFails);
            QList<QString> written;
            TRowWriterQueue queue(
                2,
                [&](const QList<TRowCell>& row) {
                    if (writerFails)
                        throw std::runtime_error("disk full");
                    written << row.at(0).Text;
                },
                ownThread);
            bool failed = false;
            try {
                for (int n = 0; n < ManyRows; ++n) {
                    queue.NextRow()[0].Text = QString::number(n);
                    queue.Add();
                }
                queue.Finish();
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "disk full");
                failed = true;
            }
            EXPECT_EQ(failed, writerFails);
            if (!writerFails) {
                ASSERT_EQ(written.size(), ManyRows);
                EXPECT_EQ(written.last(), QString::number(ManyRows - 1));
            }
            EXPECT_THROW(queue.NextRow(), std::logic_error);
            EXPECT_THROW(queue.Add(), std::logic_error);
        }
    }
}
