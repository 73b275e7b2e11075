// Printing drives a printer page by page: a page the printer refuses ends the job with the printer's
// reason, Cancel sends no further page, and the job is aborted rather than ended as if it were whole.
#include "ReportTestSupport.h"

#include "TPrintTarget.h"

#include <gtest/gtest.h>

namespace {

class TFakePrinter : public TPrintTarget
{
public:
    int RefusePage = -1; // 0-based; -1 takes every page
    int Pages = 0;
    bool Begun = false;
    bool Ended = false;
    bool Aborted = false;

    bool Begin(const TReportDocument&, QString*) override { return Begun = true; }
    bool PrintPage(const TReportDocument&, const TReportPage&, QString* error) override
    {
        if (Pages == RefusePage) {
            *error = QStringLiteral("The printer refused a page.");
            return false;
        }
        ++Pages;
        return true;
    }
    bool End(QString*) override { return Ended = true; }
    void Abort() override { Aborted = true; }
};

} // namespace

TEST(PrintTo, SendsEveryPageOrStopsAtTheFirstOneRefused)
{
    const struct {
        const char* Name;
        int RefusePage;
        int CancelAtPage; // the progress callback cancels once this many pages are sent; 0: never
        bool Printed;
        int Pages;
        QString Error;
    } rows[] = {
        {"every page", -1, 0, true, 3, {}},
        {"the second page refused", 1, 0, false, 1, QStringLiteral("The printer refused a page.")},
        // No page goes out after Cancel, and the message says that the printer has none.
        {"cancelled after the first page", -1, 1, false, 1,
         QStringLiteral("Printing cancelled; nothing was sent to the printer.")},
        {"cancelled after the second page", -1, 2, false, 2,
         QStringLiteral("Printing cancelled; nothing was sent to the printer.")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TActivityFixture f;
        f.AddGroups({100});
        TFakePrinter printer;
        printer.RefusePage = row.RefusePage;
        QString error;
        const TProgressCallback progress = [&](const TReportProgress& at) {
            return row.CancelAtPage == 0 || at.Pages < row.CancelAtPage;
        };
        EXPECT_EQ(f.Report.PrintTo(printer, progress, &error), row.Printed);
        EXPECT_EQ(printer.Pages, row.Pages);
        EXPECT_EQ(error, row.Error);
        EXPECT_EQ(printer.Ended, row.Printed);
        EXPECT_EQ(printer.Aborted, !row.Printed);
    }
}
