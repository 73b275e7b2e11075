#pragma once
#include "TOrderedWorkers.h"
#include "TReportPage.h"

#include <deque>
#include <memory>
#include <vector>

class TExtraFilter;
class TReportDocument;

// Hands laid-out pages to an export filter (OpenPage, AddText/AddGraphic per element, ClosePage) and
// tells it which page is the last one holding text. That is only known at the end, so pages from
// the latest page with text onward are held back; every other page is released at once.
//
// The filter writes on a thread of its own (unless ExportThreads() is 0) while the caller lays out
// the next pages; released pages wait for it in a short queue. An error of the filter is raised by
// the next Add or by Finish. Destroyed before Finish (a cancelled or failed export), the exporter
// drops the pages still queued and returns once the filter is idle, so that it may be destroyed.
class TPageExporter
{
public:
    TPageExporter(TExtraFilter& filter, const TReportDocument& document);
    ~TPageExporter();

    // StartExport with the document's paper, unless the filter is already active.
    void Start(const TFont& reportFont);
    void Add(TReportPage page);
    // Sends the held pages, waits until the filter has written every page and calls FinishExport.
    void Finish();

private:
    struct TQueuedPage
    {
        TReportPage Page;
        // The document's fonts by index: its font table is not read while the layout may add to it.
        std::vector<const TFont*> Fonts;
        bool LastPage = false;
    };

    void Release(TReportPage page, bool lastPage);
    void Send(const TQueuedPage& page);
    void Flush(bool firstIsLast);

    TExtraFilter& m_filter;
    const TReportDocument& m_document;
    std::deque<TReportPage> m_held;
    std::vector<const TFont*> m_fonts;
    std::unique_ptr<TOrderedWorkers<TQueuedPage>> m_writer;
};
