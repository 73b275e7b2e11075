#pragma once
#include "TReportPage.h"

#include <QVariant>
#include <deque>
#include <memory>
#include <vector>

class TBand;
class TBandedReport;
class TReportDocument;
class TReportDataSet;
class TTextMeasurer;

// One generation of a report: walks the data set and lays the bands out into pages, a row at a time,
// so callers can stream pages (exports, printing) or lay out incrementally (the preview). Fonts are
// registered in the given document; finished pages wait in a queue until taken.
//
// Band order: the title once at the top of page 1; the column header at the top of every page; per
// row the footers of groups that end and the headers of groups that start, then the detail; after
// the last row the open group footers and the summary. A band that does not fit in the space left
// starts a new page. An empty data set prints the title and column header only (print-if-empty off),
// so the user still sees which report came out empty.
class TReportGenerator
{
public:
    // dataSet, when given, is walked in place of the report's own.
    TReportGenerator(TBandedReport& report, TReportDocument& document, TReportDataSet* dataSet = nullptr);
    ~TReportGenerator();
    TReportGenerator(const TReportGenerator&) = delete;
    TReportGenerator& operator=(const TReportGenerator&) = delete;

    // Raises the report's BeforePrint and prints the first page's top bands. False when the handler
    // cancelled the report; then no page is produced.
    bool Start();
    // Lays out one row (or the end of the report). False once the report is complete.
    bool Step();
    // Runs Step() until a page is waiting or the report is complete.
    void StepToPage();
    bool Finished() const { return m_finished; }
    // True while a row is being laid out (band handlers are running).
    bool Stepping() const { return m_stepping; }

    bool HasPage() const { return !m_ready.empty(); }
    TReportPage TakePage();

    int PagesLaidOut() const { return m_pageNumber; }
    int RowsDone() const { return m_rows; }
    int RowCount() const { return m_rowCount; }

private:
    struct TGroup
    {
        TBand* Header = nullptr;
        int Field = -1;
        QVariant Value;
    };

    void Prepare(TBand* band);
    void PrintBand(TBand* band, bool fromSnapshot = false, bool detail = false);
    void Render(TBand* band, bool fromSnapshot);
    void NewPage(bool continuingGroups);
    void ClosePage();
    void PrintFootersFrom(size_t level);
    void Finish();
    void ReadRow();
    void TakeSnapshot();

    TBandedReport& m_report;
    TReportDocument& m_document;
    TReportDataSet* m_dataSet = nullptr;
    TReportDataSet* m_ownDataSet = nullptr; // the one given in place of the report's
    std::unique_ptr<TTextMeasurer> m_measurer;

    TBand* m_title = nullptr;
    TBand* m_columnHeader = nullptr;
    TBand* m_detail = nullptr;
    TBand* m_summary = nullptr;
    std::vector<TGroup> m_groups;
    std::vector<int> m_usedFields;
    std::vector<int> m_rowFields; // used fields and group fields, read once per row
    std::vector<QVariant> m_row;
    bool m_rowRead = false;
    std::vector<QVariant> m_snapshot;

    std::unique_ptr<TReportPage> m_page;
    std::deque<TReportPage> m_ready;
    size_t m_lastPageElements = 0;
    qsizetype m_lastPageTextBytes = 0;
    double m_y = 0;
    double m_top = 0;
    double m_bottom = 0;
    double m_left = 0;
    int m_pageNumber = 0;
    int m_rows = 0;
    int m_rowCount = -1;
    double m_today = 0;
    bool m_started = false;
    bool m_finished = false;
    bool m_firstRow = true;
    bool m_stepping = false;
    bool m_bodyOnPage = false; // something besides the page's top bands printed on this page
};
