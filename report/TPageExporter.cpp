#include "TPageExporter.h"

#include "ExportThreads.h"
#include "TExtraFilter.h"
#include "TReportDocument.h"

#include <QtMath>

namespace {

// Laid-out pages waiting for the filter. A few smooth out pages that take the filter longer than
// the layout; more would only hold memory.
constexpr int QueuedPages = 8;

} // namespace

TPageExporter::TPageExporter(TExtraFilter& filter, const TReportDocument& document)
    : m_filter(filter), m_document(document)
{
    m_writer = std::make_unique<TOrderedWorkers<TQueuedPage>>(
        ExportThreads() > 0 ? 1 : 0, QueuedPages, [this](TQueuedPage& page, int) { Send(page); },
        QStringLiteral("Export writer"));
}

// The writer thread ends first, before the filter or the document can go.
TPageExporter::~TPageExporter() = default;

void TPageExporter::Start(const TFont& reportFont)
{
    if (!m_filter.Active())
        m_filter.StartExport(qRound(m_document.PaperWidth), qRound(m_document.PaperHeight), reportFont);
}

void TPageExporter::Add(TReportPage page)
{
    if (page.HasText()) {
        Flush(false);
        m_held.push_back(std::move(page));
    } else if (m_held.empty()) {
        Release(std::move(page), false);
    } else {
        m_held.push_back(std::move(page));
    }
}

void TPageExporter::Finish()
{
    Flush(true);
    while (m_writer->TakeNext()) {
    }
    m_filter.FinishExport();
}

void TPageExporter::Flush(bool firstIsLast)
{
    for (size_t i = 0; i < m_held.size(); ++i)
        Release(std::move(m_held[i]), firstIsLast && i == 0);
    m_held.clear();
}

void TPageExporter::Release(TReportPage page, bool lastPage)
{
    while (int(m_fonts.size()) < m_document.FontCount())
        m_fonts.push_back(&m_document.Font(int(m_fonts.size())));
    m_writer->Add(TQueuedPage{std::move(page), m_fonts, lastPage});
    // Written pages are dropped as soon as they are done; this also raises a failure of the filter.
    while (m_writer->TakeDone()) {
    }
}

void TPageExporter::Send(const TQueuedPage& queued)
{
    const TReportPage& page = queued.Page;
    m_filter.OpenPage();
    for (const TPageElement& element : page.Elements()) {
        if (element.Kind == pkText)
            m_filter.AddText(element.AnchorX(), element.Top, *queued.Fonts.at(element.Font), element.Background,
                             element.Alignment, page.Text(element));
        else
            m_filter.AddGraphic(element.Left, element.Top, &element);
    }
    if (queued.LastPage)
        m_filter.SetLastPage(true);
    m_filter.ClosePage();
}
