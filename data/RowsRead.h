#pragma once
// How many records the tables and queries of this process have fetched from the engine. The count only
// grows; a caller reads it before and after an operation to see how much of the database it read.
#include <QtGlobal>

quint64 RowsRead();
// Called by the data layer for each record it fetches.
void CountRowRead();
