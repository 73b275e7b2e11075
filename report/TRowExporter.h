#pragma once
#include "ExportThreads.h"
#include "ReportProgress.h"
#include "TRowSink.h"

#include <QHash>
#include <QVariant>

class TBandedReport;
class TReportDataSet;

// Walks a report's data set from the first row to the last, as the report prints it, and hands each
// row to a row sink as typed cells in the order of the report's row export columns; then the counts.
// The data set is read forward once and only a few hundred rows are under way at a time, so a report
// of any length costs no memory. The sink writes on a thread of its own while the next rows are read
// (TRowWriterQueue); it gets the same calls in the same order either way and writes the same bytes.
class TRowExporter
{
public:
    // False keeps the sink's writing on the caller's thread; so does ExportThreads() of 0.
    bool WriterThread = ExportThreads() > 0;

    // False when cancelled through the progress callback (the sink is then left unfinished).
    // Errors of the data set and the sink propagate. The sink's Start and Finish run on the caller's
    // thread, its rows on the writer thread. dataSet, when given, is walked in place of the
    // report's own.
    bool Run(TBandedReport& report, TRowSink& sink, const TProgressCallback& progress = {},
             TReportDataSet* dataSet = nullptr);

    // A field's value as a cell of the column's kind. A value that is not of that kind is kept as
    // text; an empty value or text gives an empty cell.
    TRowCell Cell(const QVariant& value, TCellKind kind);

    // An amount with a decimal point and no currency sign: two decimals, more where the amount has them.
    static QString AmountText(double amount);

private:
    QString DateText(const QDate& date);
    QString CachedAmountText(double amount);

    // Dates and amounts repeat across a report's rows, and formatting one is costly: the texts by day,
    // and by an amount's bits (only an exactly equal amount shares a text).
    static constexpr qsizetype MaxCachedTexts = 4096;
    QHash<qint64, QString> m_dateTexts;
    QHash<qint64, QString> m_amountTexts;
};
