#pragma once
#include <functional>

// Where a long run stands. RowCount is -1 when the data set cannot tell its size cheaply.
struct TReportProgress
{
    int Pages = 0;
    int Rows = 0;
    int RowCount = -1;
};

// Called while a report is generated, printed or exported; returning false cancels the run.
using TProgressCallback = std::function<bool(const TReportProgress&)>;
