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
    int MaxRows;
};

const TLimitCase Spreadsheets[] = {
    {"XLS", [](const QString& f) -> std::unique_ptr<TExtraFilter> { return std::make_unique<TXLSFilter>(f); },
     QStringLiteral("an Excel sheet"), 16384},
    {"WK1", [](const QString& f) -> std::unique_ptr<TExtraFilter> { return std::make_unique<TWK1Filter>(f); },
     QStringLiteral("a Lotus 123 worksheet"), 32768},
    {"WQ1", [](const QString& f) -> std::unique_ptr<TExtraFilter> { return std::make_unique<TWQ1Filter>(f); },
     QStringLiteral("a Quattro worksheet"), 32768},
};

QString Refusal(int rows, const TLimitCase& c)
{
    return QStringLiteral("The report has %1 rows, but %2 holds at most %3 rows. XLSX and CSV hold the whole report.")
        .arg(rows)
        .arg(c.Sheet)
        .arg(c.MaxRows);
}

} // namespace

TEST(TSpreadsheetRowLimit, SheetsHoldExactlyTheRowsTheirReadersKeep)
{
    for (const TLimitCase& c : Spreadsheets) {
        SCOPED_TRACE(c.Format);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("report.out"));
        RunExport(*c.Make(fileName), ManyRows(c.MaxRows));
        EXPECT_TRUE(QFile::exists(fileName));
        try {
            RunExport(*c.Make(fileName), ManyRows(c.MaxRows + 1));
            ADD_FAILURE() << "no exception";
        } catch (const EExportError& e) {
            EXPECT_EQ(e.Message(), Refusal(c.MaxRows + 1, c));
        }
    }
}

TEST(TSpreadsheetText, NamesBeyondTheCodePageAreTheNearestLettersWithOneNotice)
{
    const QString names[] = {QString::fromUtf8("Wa\xC5\x82\xC4\x99sa, \xC5\x81ukasz"),
                             QString::fromUtf8("\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"),
                             QStringLiteral("Smith, Anna")};
    for (const TLimitCase& c : Spreadsheets) {
        SCOPED_TRACE(c.Format);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("report.out"));
        TPage page;
        for (const QString& name : names)
            page.append(TLabel{100, 2.0 * page.size(), name, taLeftJustify, nullptr});
        std::unique_ptr<TExtraFilter> filter = c.Make(fileName);
        RunExport(*filter, {page});
        const QByteArray file = ReadFile(fileName);
        EXPECT_TRUE(file.contains("Walesa, Lukasz"));
        EXPECT_TRUE(file.contains("Ivan"));
        EXPECT_TRUE(file.contains("Smith, Anna"));
        EXPECT_FALSE(file.contains('?'));
        EXPECT_EQ(filter->Notice(), QStringLiteral("2 texts hold characters that %1 cannot store; they were written as "
                                                   "the nearest letters. XLSX and CSV keep them.")
                                        .arg(QString::fromLatin1(c.Format)));

        std::unique_ptr<TExtraFilter> plain = c.Make(fileName);
        RunExport(*plain, {TPage{TLabel{100, 0, names[2], taLeftJustify, nullptr}}});
        EXPECT_EQ(plain->Notice(), QString());
    }
}

TEST(TSpreadsheetRowLimit, RowsPastTheLimitAreStillCountedInTheRefusal)
{
    // 66 pages of 1000 rows pass the limit; two pages of 500 split lines add 2000 rows.
    const QList<TPage> pages = MixedRows(66, 2);
    for (const TLimitCase& c : Spreadsheets) {
        SCOPED_TRACE(c.Format);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("report.out"));
        try {
            RunExport(*c.Make(fileName), pages);
            ADD_FAILURE() << "no exception";
        } catch (const EExportError& e) {
            EXPECT_EQ(e.Message(), Refusal(68000, c));
        }
        EXPECT_FALSE(QFile::exists(fileName));
    }
}
