// The page exporter tells the filter which page is the last one holding text, so that writers end
// their output there (the HTML pages' navigation, the last page break of a document). Pages after it
// that hold only lines or nothing must not take the mark.
#include "ReportTestSupport.h"

#include "TExtraFilter.h"
#include "TPageExporter.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Records the pages it is handed and which of them came with the last-page mark.
class TPageRecorder : public TExtraFilter
{
public:
    TPageRecorder() : TExtraFilter(QString()) {}

    QString Description() const override { return QStringLiteral("Recorder"); }
    QString FileExtension() const override { return QStringLiteral("REC"); }
    QString DisplayName() const override { return QStringLiteral("Recorder"); }
    void StartExport(qint32, qint32, const TFont&) override {}
    void OpenPage() override { ++Pages; }
    void AddText(double, double, const TFont&, TColor, int, const QString&) override {}
    void AddGraphic(double, double, const void*) override {}
    void ClosePage() override
    {
        if (LastPage)
            Marked.push_back(Pages - 1);
        LastPage = false;
    }
    void FinishExport() override {}

    int Pages = 0;
    std::vector<int> Marked;
};

} // namespace

TEST(TPageExporter, MarksTheLastPageHoldingTextWhateverFollowsIt)
{
    // T: a page with text, L: a page with a line only, B: a blank page.
    const struct {
        const char* Pages;
        std::vector<int> Marked;
    } rows[] = {
        {"T", {0}},         {"TTT", {2}},  {"TTBB", {1}},  {"TLB", {0}},
        {"BTB", {1}},       {"TBTBL", {2}}, {"BB", {}},    {"", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Pages);
        TReportDocument document;
        document.AddFont(TFont());
        TPageRecorder filter;
        TPageExporter exporter(filter, document);
        exporter.Start(TFont());
        int number = 0;
        for (const char* kind = row.Pages; *kind; ++kind) {
            TReportPage page(++number);
            if (*kind == 'T')
                page.AddText(100, 100, 200, 40, 0, taLeftJustify, clBlack, QStringLiteral("text"));
            else if (*kind == 'L')
                page.AddLine(100, 100, 500, 2);
            exporter.Add(std::move(page));
        }
        exporter.Finish();
        EXPECT_EQ(filter.Pages, number);
        EXPECT_EQ(filter.Marked, row.Marked);
    }
}
