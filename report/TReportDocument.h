#pragma once
#include "TFont.h"
#include "TReportPage.h"

#include <QString>
#include <deque>
#include <memory>

// A laid-out report: paper size, the fonts its elements refer to, and its pages. The preview,
// the printer and the saved-report file all read this; the font objects keep their addresses for
// the document's lifetime, so export filters may hold them by reference.
class TReportDocument
{
public:
    double PaperWidth = 2159;  // tenths of a millimetre (US Letter)
    double PaperHeight = 2794;

    // Index of the font in the table, adding it when new.
    quint16 AddFont(const TFont& font);
    const TFont& Font(int index) const { return m_fonts.at(size_t(index)); }
    int FontCount() const { return int(m_fonts.size()); }

    void AddPage(TReportPage page) { m_pages.push_back(std::move(page)); }
    int PageCount() const { return int(m_pages.size()); }
    const TReportPage& Page(int index) const { return m_pages.at(size_t(index)); }
    void Clear();

    // The engine's own saved-report format. Saving replaces the file only when complete; both return
    // false with a message naming the file on failure.
    bool SaveToFile(const QString& fileName, QString* error = nullptr) const;
    static std::unique_ptr<TReportDocument> LoadFromFile(const QString& fileName, QString* error = nullptr);

private:
    std::deque<TFont> m_fonts;
    std::deque<TReportPage> m_pages;
};
