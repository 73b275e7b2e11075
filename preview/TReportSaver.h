#pragma once
#include "ReportProgress.h"

#include <QString>
#include <QStringList>

class TBandedReport;
class TReportDataSet;
class TReportDocument;

// The preview's save path. Choice 0 is the engine's own saved-report file; choice k >= 1 is entry
// k - 1 of the filter library. A filter run sends the laid-out pages it is given, or with none
// generates the report afresh, with an "Export Progress" window. Failures are shown as a message
// naming the file; a failed or cancelled save leaves no partial file behind.
// The row formats (XLSX, CSV) follow the library's entries in the choices. They write rows in the
// report's columns, so they need the report itself; a preview opened from a file cannot save them.
class TReportSaver
{
public:
    static QString ReportFileFilter() { return QStringLiteral("Report File (*.rpt)"); }
    // The file dialog's filters in order: the saved-report type, then "Name (*.ext)" per filter and,
    // unless left out, per row format.
    static QStringList NameFilters(bool withRowFormats = true);
    // The extension (without dot) that choice proposes; empty for an unknown choice.
    static QString Extension(int choice);
    // The choice whose extension fileName ends in (any letter case; .jpeg and .html name the .jpg and
    // .htm formats), among the choices NameFilters(withRowFormats) offers; -1 when none does.
    static int ChoiceOfName(const QString& fileName, bool withRowFormats = true);
    // fileName with the choice's extension appended when it has none.
    static QString WithExtension(const QString& fileName, int choice);

    // document: the pages to save; report: the report they came from, null for a preview opened from
    // a file; rows: the rows the pages were laid out from (by default the report's data set).
    // progress, when given, replaces the progress window. True when the file was written.
    static bool Save(const QString& fileName, int choice, TBandedReport* report, const TReportDocument* document,
                     const TProgressCallback& progress = {}, TReportDataSet* rows = nullptr);
};
