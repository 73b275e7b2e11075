#include "RowsRead.h"

namespace {
// The layer runs on the user-interface thread only.
quint64 g_rowsRead = 0;
} // namespace

quint64 RowsRead()
{
    return g_rowsRead;
}

void CountRowRead()
{
    ++g_rowsRead;
}
