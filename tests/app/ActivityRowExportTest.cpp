// The activity report's rows as spreadsheet data: a club whose names carry quotes, commas, line
// breaks, accents and formula signs comes back exactly as stored, in report order, with the counts
// the report prints, from the window and from a batch run.
#include "TAppClub.h"
#include "TestFiles.h"

#include "Application.h"
#include "BatchRun.h"
#include "CreateForm.h"
#include "ExtraFilters.h"
#include "RowFormats.h"
#include "TBandedReport.h"
#include "TCommandLine.h"
#include "TRadioGroup.h"
#include "TReportDocument.h"
#include "TbrmIniFile.h"
#include "TfrmActivityRep.h"
#include "XlsxContent.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// RFC 4180 as a spreadsheet program reads it, written apart from the program's writer.
QList<QStringList> ParseCsv(const QByteArray& bytes)
{
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (next == QLatin1Char('"'))
                field += text.at(++i);
            else
                quoted = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && next == QLatin1Char('\n')) {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(row.isEmpty() && field.isEmpty()) << "the last line ends with CR LF";
    return rows;
}

// A text field as the spreadsheet should show it once the formula guard's apostrophe is removed.
QString Unguarded(const QString& field)
{
    static const QString formulaSigns = QStringLiteral("=+-@\t\r");
    if (field.size() > 1 && field.front() == QLatin1Char('\'') && formulaSigns.contains(field.at(1)))
        return field.mid(1);
    return field;
}

const QStringList Headings = {QStringLiteral("Activity"), QStringLiteral("Member#"), QStringLiteral("HomePhone"),
                              QStringLiteral("Sub Category"), QStringLiteral("Name"), QStringLiteral("Start"),
                              QStringLiteral("End"), QStringLiteral("Count Down"), QStringLiteral("Pymt Rate")};

class ActivityRowExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterExtraFilters();
        Club.AddActivity(3, QStringLiteral("Aqua, \"Fit\""));
        Club.AddActivity(5, QStringLiteral("Yoga"));
        Club.Exec(QStringLiteral("insert into subcat values (2, '=SUM(A1)')"));
        const QStringList lastNames = {QStringLiteral("O'Brien, \"Jr\""), QStringLiteral("=1+1"),
                                       QStringLiteral("-5"), QStringLiteral("@x"),
                                       QStringLiteral("Line\nBreak"), QStringLiteral("Z\u00FCrich \u00C5s")};
        for (int i = 0; i < lastNames.size(); ++i) {
            const int lead = i + 1;
            Club.AddPerson(lead, i == 2 ? 0 : 100 + lead, lastNames.at(i), QStringLiteral("Zo\u00EB"));
            Club.Enrol(lead, 3, QDate(2010, 1, 4 + i), i == 3 ? -1 : 5, i == 1 ? QDate(2011, 6, 30) : QDate());
            if (i % 2 == 0)
                Club.Enrol(lead, 5, QDate(2010, 2, 1));
        }
        Club.Exec(QStringLiteral("update lead set homephone = '+1 555 0100', subcategory = 2 where leadno = 2"));
        Club.Exec(QStringLiteral("update lead set homephone = null where leadno = 3"));
    }

    // The report's rows as the database holds them, in report order (every member, every activity).
    QList<QVariantList> Expected()
    {
        return Club.Rows(QStringLiteral(
            "select a.description, l.memberno, l.homephone, s.description, l.lastname || ', ' || l.firstname, "
            "p.start, p.\"end\", p.countdown, p.pymtrate from lead l join ckprof p on p.leadid = l.leadno "
            "join ckacts a on a.id = p.activityid join subcat s on s.id = l.subcategory "
            "order by 1, 5"));
    }

    std::unique_ptr<TfrmActivityRep> OpenWindow()
    {
        SuiteIni(); // the club name comes from the configuration, as the start-up gate opens it
        auto window = CreateForm<TfrmActivityRep>();
        window->FormShow();
        window->rgDateRange->SetItemIndex(7);
        window->OpenReportQuery();
        return window;
    }

    void Export(TfrmActivityRep& window, int format, const QString& fileName)
    {
        ASSERT_TRUE(window.Report().ExportRowsTo(*RowFormats()[format].Create(fileName)));
    }

    QString Path(const QString& name) const { return Club.Folder() + QLatin1Char('/') + name; }

    TAppClub Club;
};

} // namespace

TEST_F(ActivityRowExport, TheCsvGivesBackEveryTextAsStoredInReportOrder)
{
    const auto window = OpenWindow();
    Export(*window, 1, Path(QStringLiteral("rows.csv")));
    const QList<QStringList> lines = ParseCsv(ReadFile(Path(QStringLiteral("rows.csv"))));
    const QList<QVariantList> expected = Expected();
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines.first(), Headings);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const QStringList& line = lines.at(i + 1);
        const QVariantList& row = expected.at(i);
        ASSERT_EQ(line.size(), 9);
        for (const int text : {0, 2, 3, 4})
            EXPECT_EQ(Unguarded(line.at(text)), row.at(text).toString());
        EXPECT_EQ(line.at(1), row.at(1).toString());
        EXPECT_EQ(line.at(5), QDate::fromString(row.at(5).toString(), Qt::ISODate).toString(QStringLiteral("M/d/yyyy")));
        EXPECT_EQ(line.at(6), row.at(6).isNull() ? QString()
                                                 : QDate::fromString(row.at(6).toString(), Qt::ISODate)
                                                       .toString(QStringLiteral("M/d/yyyy")));
        EXPECT_EQ(line.at(7), row.at(7).toString()) << "a negative count stays a number";
        EXPECT_EQ(line.at(8), QStringLiteral("30.50"));
    }
    // The guard puts one apostrophe before text that would run as a formula, and nothing elsewhere.
    const auto written = [&lines](int column, const QString& field) {
        return std::count_if(lines.begin(), lines.end(), [&](const QStringList& line) { return line.at(column) == field; });
    };
    EXPECT_EQ(written(4, QStringLiteral("'=1+1, Zo\u00EB")), 1);
    EXPECT_EQ(written(4, QStringLiteral("'-5, Zo\u00EB")), 2);
    EXPECT_EQ(written(4, QStringLiteral("O'Brien, \"Jr\", Zo\u00EB")), 2);
    EXPECT_EQ(written(2, QStringLiteral("'+1 555 0100")), 1);
    EXPECT_EQ(written(7, QStringLiteral("-1")), 1);
}

TEST_F(ActivityRowExport, TheWorkbookHoldsTypedCellsAndTheReportsCounts)
{
    const auto window = OpenWindow();
    Export(*window, 0, Path(QStringLiteral("rows.xlsx")));
    const TXlsxContent book = ReadXlsx(Path(QStringLiteral("rows.xlsx")));
    ASSERT_EQ(book.Error, QString());
    ASSERT_EQ(book.Sheets.size(), 2);
    EXPECT_EQ(book.Title, QStringLiteral("Activity Report"));
    EXPECT_EQ(book.Company, TAppClub::ClubName);

    const TXlsxSheet& sheet = book.Sheets[0];
    EXPECT_EQ(sheet.Name, QStringLiteral("Activity Report"));
    const QString columns = QStringLiteral("ABCDEFGHI");
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(sheet.Cell(columns.at(c) + QStringLiteral("1")).Value, Headings.at(c));
    const QList<QVariantList> expected = Expected();
    ASSERT_EQ(sheet.LastRow, expected.size() + 1);
    const QDate dayZero(1899, 12, 30);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const QVariantList& row = expected.at(i);
        const auto cell = [&](int column) { return sheet.Cell(columns.at(column) + QString::number(i + 2)); };
        for (const int text : {0, 3, 4}) {
            EXPECT_EQ(cell(text).Type, QStringLiteral("inlineStr"));
            EXPECT_EQ(cell(text).Value, row.at(text).toString());
        }
        EXPECT_EQ(cell(2).Value, row.at(2).toString()) << "a missing phone is an empty cell";
        EXPECT_EQ(cell(1).Type, QString());
        EXPECT_EQ(cell(1).Value.toInt(), row.at(1).toInt());
        EXPECT_EQ(cell(5).Value.toInt(), dayZero.daysTo(QDate::fromString(row.at(5).toString(), Qt::ISODate)));
        EXPECT_EQ(cell(5).NumberFormat, QStringLiteral("m/d/yyyy"));
        EXPECT_EQ(cell(6).Type.isEmpty() && cell(6).Value.isEmpty(), row.at(6).isNull());
        EXPECT_EQ(cell(7).Value.toInt(), row.at(7).toInt());
        EXPECT_EQ(cell(8).Value.toDouble(), 30.5);
    }

    const QList<QVariantList> counts = Club.Rows(QStringLiteral(
        "select a.description, count(*) from ckprof p join lead l on l.leadno = p.leadid "
        "join ckacts a on a.id = p.activityid join subcat s on s.id = l.subcategory group by 1 order by 1"));
    const TXlsxSheet& countSheet = book.Sheets[1];
    EXPECT_EQ(countSheet.Name, QStringLiteral("Counts"));
    ASSERT_EQ(countSheet.LastRow, counts.size() + 2);
    for (qsizetype i = 0; i < counts.size(); ++i) {
        EXPECT_EQ(countSheet.Cell(QStringLiteral("A%1").arg(i + 2)).Value, counts.at(i).at(0).toString());
        EXPECT_EQ(countSheet.Cell(QStringLiteral("B%1").arg(i + 2)).Value, counts.at(i).at(1).toString());
    }
    EXPECT_EQ(countSheet.Cell(QStringLiteral("B%1").arg(counts.size() + 2)).Value.toInt(), expected.size());
}

TEST_F(ActivityRowExport, ABatchRunNamesTheRowFormatsByExtensionOrName)
{
    const auto run = [this](const QStringList& arguments) {
        const TCommandLine line = ParseCommandLine(QStringList{QStringLiteral("1"), QStringLiteral("--option"),
                                                               QStringLiteral("7")} + arguments);
        SetFirstArgument(line.FirstArgument);
        const int code = RunBatch(line);
        SetPrompt(&Club.Prompt);
        return code;
    };
    ASSERT_EQ(run({QStringLiteral("--export"), Path(QStringLiteral("batch.xlsx"))}), ecDone);
    ASSERT_EQ(run({QStringLiteral("--export"), Path(QStringLiteral("batch")), QStringLiteral("--format"),
                   QStringLiteral("CSV")}),
              ecDone);
    EXPECT_EQ(ReadXlsx(Path(QStringLiteral("batch.xlsx"))).Sheets.value(0).LastRow, Expected().size() + 1);

    const auto window = OpenWindow();
    Export(*window, 1, Path(QStringLiteral("window.csv")));
    const QByteArray batch = ReadFile(Path(QStringLiteral("batch")));
    ASSERT_FALSE(batch.isEmpty());
    EXPECT_EQ(batch, ReadFile(Path(QStringLiteral("window.csv"))));
}

// Counts and amounts stored beyond what their fields hold print as stored, or as the overflow mark
// where no number holds them, never as another number: on the report's pages, in the CSV and in
// the workbook, whose cells keep a number only where a spreadsheet number holds it exactly.
TEST_F(ActivityRowExport, CountsAndAmountsBeyondTheirFieldsAreWrittenAsStored)
{
    const struct
    {
        const char* CountDown; // SQL literals as stored
        const char* Rate;
        QString CountText;     // on the page and in the CSV
        QString RateText;      // in the CSV; the page's has the currency sign about it
        bool CountIsNumber;    // a number cell in the workbook, else a text cell
        double RateNumber;     // the workbook's number cell; 0: a text cell
    } rows[] = {
        {"9223372036854775807", "1e308", QStringLiteral("9223372036854775807"), QStringLiteral("1e+308"), false, 1e308},
        {"-9223372036854775808", "-9e999", QStringLiteral("-9223372036854775808"), QStringLiteral("-Overflow"), false, 0},
        {"9007199254740993", "9e999", QStringLiteral("9007199254740993"), QStringLiteral("Overflow"), false, 0},
        // A count stored as a floating-point number: beyond 64 bits as stored, else as the nearest integer.
        {"1e308", "12.5", QStringLiteral("1e+308"), QStringLiteral("12.50"), false, 12.5},
        {"5000000000.5", "12.5", QStringLiteral("5000000001"), QStringLiteral("12.50"), true, 12.5},
    };
    // One enrolment of its own per row, named so that it is found in every output.
    for (int i = 0; i < int(std::size(rows)); ++i) {
        const int lead = 50 + i;
        Club.AddPerson(lead, 900 + i, QStringLiteral("Large%1").arg(i), QStringLiteral("Stored"));
        Club.Enrol(lead, 5, QDate(2010, 3, 1), 1);
        Club.Exec(QStringLiteral("update ckprof set countdown = %1, pymtrate = %2 where leadid = %3")
                      .arg(QLatin1String(rows[i].CountDown), QLatin1String(rows[i].Rate))
                      .arg(lead));
    }
    const auto window = OpenWindow();
    const auto document = window->Report().Generate();
    ASSERT_TRUE(document);
    QStringList pageTexts;
    for (int page = 0; page < document->PageCount(); ++page) {
        const TReportPage& p = document->Page(page);
        for (const TPageElement& e : p.Elements()) {
            if (e.Kind == pkText)
                pageTexts.append(p.Text(e));
        }
    }
    Export(*window, 1, Path(QStringLiteral("rows.csv")));
    const QList<QStringList> lines = ParseCsv(ReadFile(Path(QStringLiteral("rows.csv"))));
    Export(*window, 0, Path(QStringLiteral("rows.xlsx")));
    const TXlsxContent book = ReadXlsx(Path(QStringLiteral("rows.xlsx")));
    ASSERT_EQ(book.Error, QString());
    ASSERT_FALSE(book.Sheets.isEmpty());

    for (int i = 0; i < int(std::size(rows)); ++i) {
        SCOPED_TRACE(rows[i].CountDown);
        const QString name = QStringLiteral("Large%1, Stored").arg(i);
        // The page: start, end, count and rate follow the name in the detail line.
        const qsizetype at = pageTexts.indexOf(name);
        ASSERT_GE(at, 0);
        const QStringList line = pageTexts.mid(at, 5);
        EXPECT_TRUE(line.contains(rows[i].CountText)) << line.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(line.filter(rows[i].RateText).size(), 1) << line.join(QLatin1Char('|')).toStdString();
        for (const QString& text : line)
            EXPECT_FALSE(text.contains(QLatin1String("inf"))) << text.toStdString();

        const auto csv = std::find_if(lines.begin(), lines.end(), [&](const QStringList& l) { return l.value(4) == name; });
        ASSERT_NE(csv, lines.end());
        EXPECT_EQ(csv->value(7), rows[i].CountText);
        EXPECT_EQ(csv->value(8), rows[i].RateText);

        const TXlsxSheet& sheet = book.Sheets[0];
        int row = 2;
        while (row <= sheet.LastRow && sheet.Cell(QStringLiteral("E%1").arg(row)).Value != name)
            ++row;
        ASSERT_LE(row, sheet.LastRow);
        const auto count = sheet.Cell(QStringLiteral("H%1").arg(row));
        if (rows[i].CountIsNumber) {
            EXPECT_EQ(count.Type, QString());
            EXPECT_EQ(count.Value.toLongLong(), rows[i].CountText.toLongLong());
        } else {
            EXPECT_EQ(count.Type, QStringLiteral("inlineStr"));
            EXPECT_EQ(count.Value, rows[i].CountText);
        }
        const auto rate = sheet.Cell(QStringLiteral("I%1").arg(row));
        if (rows[i].RateNumber != 0) {
            EXPECT_EQ(rate.Type, QString());
            EXPECT_EQ(rate.Value.toDouble(), rows[i].RateNumber);
        } else {
            EXPECT_EQ(rate.Type, QStringLiteral("inlineStr"));
            EXPECT_EQ(rate.Value, rows[i].RateText);
        }
    }
}
