#pragma once
#include "TRowSink.h"

#include <QList>
#include <QString>
#include <functional>

// One column of a report's row exports: its heading, the data set field it shows and what the
// field's values are.
struct TRowExportColumn
{
    QString Heading;
    QString FieldName;
    TCellKind Kind = ckText;
};

// What a report offers to the row exports (XLSX, CSV): its columns in order, the names its sheets
// get and how its counts read. The counts are the ones the report prints: the rows of each group of
// its outermost group band, and the rows of the whole report.
struct TRowExportLayout
{
    QString SheetName;
    QList<TRowExportColumn> Columns;
    QString CountsSheetName;
    QString GroupHeading;
    QString CountHeading;
    QString TotalLabel;
    QString Title;
    // Read when an export starts, as the title band reads it when it prints.
    std::function<QString()> Company;

    bool IsEmpty() const { return Columns.isEmpty(); }
};
