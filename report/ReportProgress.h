#pragma once
#include <QString>
#include <algorithm>
#include <functional>

// Where a long run stands. RowCount is -1 when the data set cannot tell its size cheaply; PageCount
// is -1 while the number of pages is not known (a report still being generated).
struct TReportProgress
{
    int Pages = 0;
    int Rows = 0;
    int RowCount = -1;
    int PageCount = -1;

    // The total a progress bar can measure against (pages when known, else rows), and where the run
    // stands on it; a total of 0 when neither is known.
    int Total() const { return PageCount > 0 ? PageCount : RowCount > 0 ? RowCount : 0; }
    int Done() const { return PageCount > 0 ? std::min(Pages, PageCount) : RowCount > 0 ? std::min(Rows, RowCount) : 0; }

    // One line for a progress window or a terminal: "Page 12 of 40", "Row 900 of 23000 (page 37)",
    // "Page 943" or "23000 rows".
    QString Text() const
    {
        if (PageCount > 0)
            return QStringLiteral("Page %1 of %2").arg(Pages).arg(PageCount);
        if (RowCount > 0)
            return Pages > 0 ? QStringLiteral("Row %1 of %2 (page %3)").arg(std::min(Rows, RowCount)).arg(RowCount).arg(Pages)
                             : QStringLiteral("Row %1 of %2").arg(std::min(Rows, RowCount)).arg(RowCount);
        return Pages > 0 || Rows == 0 ? QStringLiteral("Page %1").arg(Pages) : QStringLiteral("%1 rows").arg(Rows);
    }
};

// Called while a report is generated, printed or exported; returning false cancels the run.
using TProgressCallback = std::function<bool(const TReportProgress&)>;
