#include "TPageExporter.h"

#include "TExtraFilter.h"
#include "TReportDocument.h"

#include <QtMath>

TPageExporter::TPageExporter(TExtraFilter& filter, const TReportDocument& document)
    : m_filter(filter), m_document(document)
{
}

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
        Send(page, false);
    } else {
        m_held.push_back(std::move(page));
    }
}

void TPageExporter::Finish()
{
    Flush(true);
    m_filter.FinishExport();
}

void TPageExporter::Flush(bool firstIsLast)
{
    for (size_t i = 0; i < m_held.size(); ++i)
        Send(m_held[i], firstIsLast && i == 0);
    m_held.clear();
}

void TPageExporter::Send(const TReportPage& page, bool lastPage)
{
    m_filter.OpenPage();
    for (const TPageElement& element : page.Elements()) {
        if (element.Kind == pkText)
            m_filter.AddText(element.AnchorX(), element.Top, m_document.Font(element.Font), element.Background,
                             element.Alignment, page.Text(element));
        else
            m_filter.AddGraphic(element.Left, element.Top, &element);
    }
    if (lastPage)
        m_filter.SetLastPage(true);
    m_filter.ClosePage();
}
