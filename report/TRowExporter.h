#pragma once
#include "ReportProgress.h"
#include "TRowSink.h"

#include <QHash>
#include <QVariant>

class TBandedReport;

// Walks a report's data set from the first row to the last, as the report prints it, and hands each
// row to a row sink as typed cells in the order of the report's row export columns; then the counts.
// The data set is read forward once and no row is kept, so a report of any length costs no memory.
class TRowExporter
{
public:
    // False when cancelled through the progress callback (the sink is then left unfinished).
    // Errors of the data set and the sink propagate.
    bool Run(TBandedReport& report, TRowSink& sink, const TProgressCallback& progress = {});

    // A field's value as a cell of the column's kind. A value that is not of that kind is kept as
    // text; an empty value or text gives an empty cell.
    TRowCell Cell(const QVariant& value, TCellKind kind);

    // An amount with a decimal point and no currency sign: two decimals, more where the amount has them.
    static QString AmountText(double amount);

private:
    QString DateText(const QDate& date);

    // Dates repeat across a report's rows, and formatting one is costly: the texts by day.
    static constexpr qsizetype MaxCachedDates = 4096;
    QHash<qint64, QString> m_dateTexts;
};
