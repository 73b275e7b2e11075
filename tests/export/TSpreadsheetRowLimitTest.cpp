#include "EExportError.h"
#include "ExportTestSupport.h"
#include "TWK1Filter.h"
#include "TWQ1Filter.h"
#include "TXLSFilter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace ExportTest;

namespace {

// Pages of three labels per row (one a hair lower, one right-aligned), then pages whose lines are
// split into two rows by a label just beyond the row tolerance. The split pages lie wholly past the
// sheet's last row, where the writers only count.
QList<TPage> MixedRows(int fullPages, int splitPages)
{
    QList<TPage> pages;
    for (int p = 0; p < fullPages; ++p) {
        TPage page;
        for (int line = 0; line < 1000; ++line) {
            const double y = line * 2.0;
            page.append(TLabel{100, y, QStringLiteral("a & b"), taLeftJustify, nullptr});
            page.append(TLabel{500, y + 0.1, QString(), taLeftJustify, nullptr});
            page.append(TLabel{1500, y, QStringLiteral("12.50"), taRightJustify, nullptr});
        }
        pages.append(page);
    }
    for (int p = 0; p < splitPages; ++p) {
        TPage page;
        for (int line = 0; line < 500; ++line) {
            const double y = line * 4.0;
            page.append(TLabel{100, y, QStringLiteral("x"), taLeftJustify, nullptr});
            page.append(TLabel{300, y + 0.3, QString::fromUtf8("\xC3\xA9\r\n"), taCenter, nullptr});
        }
        pages.append(page);
    }
    return pages;
}

struct TLimitCase
{
    const char* Format;
    std::unique_ptr<TExtraFilter> (*Make)(const QString&);
    QString Sheet;
};

} // namespace

TEST(TSpreadsheetRowLimit, RowsPastTheLimitAreStillCountedInTheRefusal)
{
    const TLimitCase cases[] = {
        {"Excel", [](const QString& f) -> std::unique_ptr<TExtraFilter> { return std::make_unique<TXLSFilter>(f); },
         QStringLiteral("an Excel sheet")},
        {"Lotus", [](const QString& f) -> std::unique_ptr<TExtraFilter> { return std::make_unique<TWK1Filter>(f); },
         QStringLiteral("a Lotus 123 worksheet")},
        {"Quattro", [](const QString& f) -> std::unique_ptr<TExtraFilter> { return std::make_unique<TWQ1Filter>(f); },
         QStringLiteral("a Quattro worksheet")},
    };
    // 66 pages of 1000 rows pass the limit; two pages of 500 split lines add 2000 rows.
    const QList<TPage> pages = MixedRows(66, 2);
    for (const TLimitCase& c : cases) {
        SCOPED_TRACE(c.Format);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("report.out"));
        try {
            RunExport(*c.Make(fileName), pages);
            ADD_FAILURE() << "no exception";
        } catch (const EExportError& e) {
            const QString sheet = c.Sheet;
            EXPECT_EQ(e.Message(), QStringLiteral("The report has 68000 rows, but %1 holds at most 65536 rows.").arg(sheet));
        }
        EXPECT_FALSE(QFile::exists(fileName));
    }
}
