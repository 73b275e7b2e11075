// The activity report's own layout saved through the spreadsheet writers: every line of the report
// must be one worksheet row, so that sorting or filtering the sheet keeps each amount with its member.
#include "TAppClub.h"

#include "CreateForm.h"
#include "TBandedReport.h"
#include "TWK1Filter.h"
#include "TWQ1Filter.h"
#include "TXLSFilter.h"
#include "TfrmActivityRep.h"

#include <QFile>
#include <QMap>
#include <gtest/gtest.h>
#include <memory>

namespace {

enum TSheetKind { skExcel, skLotus, skQuattro };

using TSheetRow = QList<QByteArray>;

int Word(const QByteArray& bytes, qsizetype at)
{
    return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8;
}

// The label cells of a worksheet by row, each row's cells by column, as the file's bytes.
QMap<int, TSheetRow> SheetRows(const QByteArray& file, TSheetKind kind)
{
    QMap<int, TSheetRow> rows;
    for (qsizetype at = 0; at + 4 <= file.size();) {
        const int type = Word(file, at);
        const int length = Word(file, at + 2);
        const qsizetype payload = at + 4;
        at = payload + length;
        int row = 0;
        int column = 0;
        QByteArray text;
        if (kind == skExcel && type == 0x0204) {
            row = Word(file, payload);
            column = Word(file, payload + 2);
            text = file.mid(payload + 8, Word(file, payload + 6));
        } else if (kind != skExcel && type == 0x000F) {
            // Format byte, column, row and the label's apostrophe; then WK1 ends the text with a zero
            // byte and WQ1 puts its length first.
            column = Word(file, payload + 1);
            row = Word(file, payload + 3);
            text = kind == skLotus ? file.mid(payload + 6, length - 7)
                                   : file.mid(payload + 7, quint8(file[payload + 6]));
        } else {
            continue;
        }
        TSheetRow& cells = rows[row];
        if (cells.size() <= column)
            cells.resize(column + 1);
        cells[column] = text;
    }
    return rows;
}

// The first row holding a cell with exactly this text.
TSheetRow RowWith(const QMap<int, TSheetRow>& rows, const QByteArray& text)
{
    for (const TSheetRow& cells : rows) {
        if (cells.contains(text))
            return cells;
    }
    return {};
}

template <class TFilter>
std::unique_ptr<TExtraFilter> Create(const QString& fileName)
{
    return std::make_unique<TFilter>(fileName);
}

struct TSheetWriter
{
    const char* Name;
    TSheetKind Kind;
    std::unique_ptr<TExtraFilter> (*Create)(const QString&);
};

} // namespace

TEST(ReportSpreadsheets, EachLineOfTheReportIsOneRow)
{
    TAppClub club;
    club.AddActivity(3, QStringLiteral("Karate"));
    club.AddPerson(1, 101, QStringLiteral("Adams"), QStringLiteral("Amy"));
    club.AddPerson(2, 102, QStringLiteral("Baker"), QStringLiteral("Bob"));
    club.Enrol(1, 3, QDate(2010, 1, 4));
    club.Enrol(2, 3, QDate(2010, 2, 1), 7);
    const std::unique_ptr<TfrmActivityRep> window = CreateForm<TfrmActivityRep>();
    window->FormShow();
    window->OpenReportQuery();

    const TSheetWriter writers[] = {
        {"XLS", skExcel, Create<TXLSFilter>},
        {"WK1", skLotus, Create<TWK1Filter>},
        {"WQ1", skQuattro, Create<TWQ1Filter>},
    };
    for (const TSheetWriter& writer : writers) {
        SCOPED_TRACE(writer.Name);
        const QString fileName = club.Folder() + QStringLiteral("/report.") + QString::fromLatin1(writer.Name);
        ASSERT_TRUE(window->Report().ExportTo(*writer.Create(fileName)));
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QMap<int, TSheetRow> rows = SheetRows(file.readAll(), writer.Kind);

        EXPECT_EQ(RowWith(rows, "Page"), (TSheetRow{"Page", "1"}));
        EXPECT_EQ(RowWith(rows, "Member#"), (TSheetRow{"Member#", "HomePhone", "Sub Category", "Name", "Start",
                                                       "End", "Count Down", "Pymt Rate"}));
        // Member number, phone, sub category, name, start, no end, countdown and the rate, which is
        // in the currency format of the machine.
        const TSheetRow members[] = {
            {"101", "(555) 010-0000", "Adult", "Adams, Amy", "1/4/2010", "", "5"},
            {"102", "(555) 010-0000", "Adult", "Baker, Bob", "2/1/2010", "", "7"},
        };
        for (const TSheetRow& member : members) {
            const TSheetRow row = RowWith(rows, member[3]);
            ASSERT_EQ(row.size(), 8) << member[3].constData();
            EXPECT_EQ(row.mid(0, 7), member);
            EXPECT_TRUE(row[7].contains("30.50")) << row[7].constData();
        }
        // Title, club name, date, "Page" with its number, "Printed" with its date, the headings,
        // the activity, two members, the count and the total.
        EXPECT_EQ(rows.size(), 11);
    }
}
