#pragma once
// The activity report itself: its statement, band layout, band handlers and counters, and Create
// Group, all taken from a selection value. The criteria window fills the selection from its
// controls, batch mode from the command line; neither shape of the report depends on a widget.
#include "ActivityStatement.h"
#include "TQuery.h"

#include <memory>

class TBandedReport;
class TLabelElement;
class TQueryDataSet;

class TActivityReport
{
public:
    TActivityReport();
    ~TActivityReport();
    TActivityReport(const TActivityReport&) = delete;
    TActivityReport& operator=(const TActivityReport&) = delete;

    // Builds the report's statement for the selection and opens it. A generation still laying out
    // pages reads the query, so it is finished first.
    void Open(const TActivitySelection& selection);
    // Stores a group named groupName holding every person the selection finds, in one transaction.
    void CreateGroup(const TActivitySelection& selection, const QString& groupName);

    TBandedReport& Report() const { return *QuickRep; }
    TQuery& ReportQuery() { return Query; }

    // Report events.
    void QuickRepBeforePrint(bool& printReport);
    void QRBand1BeforePrint(bool& printBand);
    void QRBand2BeforePrint(bool& printBand);
    void QRBand3BeforePrint(bool& printBand);
    void QRBand4BeforePrint(bool& printBand);

    qint32 GroupCount = 0;
    qint32 TotalCount = 0;

private:
    void CreateReport();

    TQuery Query;
    TQuery Query2;
    std::unique_ptr<TBandedReport> QuickRep;
    std::unique_ptr<TQueryDataSet> m_reportData;
    TLabelElement* lblTitle = nullptr;
    TLabelElement* lblDate = nullptr;
    TLabelElement* lblCount = nullptr;
    TLabelElement* lbltotcnt = nullptr;
};
