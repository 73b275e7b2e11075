#pragma once
#include "TReportPage.h"

#include <deque>

class TExtraFilter;
class TReportDocument;

// Hands laid-out pages to an export filter (OpenPage, AddText/AddGraphic per element, ClosePage) and
// tells it which page is the last one holding text. That is only known at the end, so pages from
// the latest page with text onward are held back; every other page is released at once.
class TPageExporter
{
public:
    TPageExporter(TExtraFilter& filter, const TReportDocument& document);

    // StartExport with the document's paper, unless the filter is already active.
    void Start(const TFont& reportFont);
    void Add(TReportPage page);
    // Sends the held pages and calls FinishExport.
    void Finish();

private:
    void Send(const TReportPage& page, bool lastPage);
    void Flush(bool firstIsLast);

    TExtraFilter& m_filter;
    const TReportDocument& m_document;
    std::deque<TReportPage> m_held;
};
